#pragma once

#include <QToolButton>

// A toolbar button whose pressed look (the down state) is set and cleared by commands only,
// through setChecked: a click runs the command but never changes the look by itself.
class ToolbarButton : public QToolButton {
    Q_OBJECT

public:
    explicit ToolbarButton(QWidget* parent = nullptr);

protected:
    void nextCheckState() override;
};
