#pragma once

#include "stats/figures.h"

#include <QString>
#include <QWidget>

#include <exception>
#include <functional>
#include <future>

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
    // A job that gives the figures, made on this thread and run on another.
    using Job = std::function<stats::Figures()>;
    // job(selection) makes the job; picked(chart, name) is a click on a bar.
    StatsWindow(std::function<Job(bool selection)> job,
                std::function<void(Chart, const QString&)> picked, QWidget* parent = nullptr);
    ~StatsWindow() override; // waits for the figures being counted

    // The collection changed: the charts follow a moment later, while the window shows.
    void collectionChanged();
    // Counts the figures anew on another thread; the charts follow when they are there.
    void refresh();
    bool busy() const { return counting_.valid(); }
    // The chart shown, saved as PNG or, by the name's ending, SVG.
    void saveChart(const QString& path) const;
    // Replaces the save dialog (tests): gets a suggested name, returns a path or "".
    static std::function<QString(const QString&)> pathChooser;

private:
    void addChart(Chart chart, const QString& title);
    void counted(); // back on this thread
    void fill(const stats::Figures& f);

    std::function<Job(bool)> job_;
    std::future<void> counting_;
    stats::Figures figures_;    // written by the counting thread until it is done
    std::exception_ptr failed_; // the same
    bool again_ = false;        // a refresh came while counting
    std::function<void(Chart, const QString&)> picked_;
    QCheckBox* selectionOnly_;
    QLabel* totals_;
    QTabWidget* charts_;
    QTimer* debounce_;
};
