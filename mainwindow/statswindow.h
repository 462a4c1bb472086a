#pragma once

#include "stats/figures.h"

#include <QString>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QTabWidget;
class QTimer;

// "Tilastot": the collection's figures as charts, for the whole collection or the releases the
// window shows. A click on a medium's, genre's, artist's or player's bar narrows the collection
// to it through the window's own selections.
class StatsWindow : public QWidget {
    Q_OBJECT

public:
    enum class Chart {
        Media,
        Genres,
        Decades,
        Bought,
        Growth,
        Value,
        Artists,
        Players,
        Instruments
    };
    // compute(selection) gives the figures; picked(chart, name) is a click on a bar.
    StatsWindow(std::function<stats::Figures(bool selection)> compute,
                std::function<void(Chart, const QString&)> picked, QWidget* parent = nullptr);

    // The collection changed: the charts follow a moment later, while the window shows.
    void collectionChanged();
    // Draws the charts now.
    void refresh();
    // The chart shown, saved as PNG or, by the name's ending, SVG.
    void saveChart(const QString& path) const;
    // Replaces the save dialog (tests): gets a suggested name, returns a path or "".
    static std::function<QString(const QString&)> pathChooser;

private:
    void addChart(Chart chart, const QString& title);
    void fill(const stats::Figures& f);

    std::function<stats::Figures(bool)> compute_;
    std::function<void(Chart, const QString&)> picked_;
    QCheckBox* selectionOnly_;
    QLabel* totals_;
    QTabWidget* charts_;
    QTimer* debounce_;
};
