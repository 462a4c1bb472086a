#pragma once

#include <QWidget>

// The start-up splash: a small borderless window with a framed banner, centred on the screen.
// It removes itself as soon as another window of the program becomes active; another program
// taking the focus leaves it alone.
class TKvaril : public QWidget {
    Q_OBJECT

public:
    explicit TKvaril(QWidget* parent = nullptr);

    // Shows the window and paints it at once, before any event loop runs.
    void showNow();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onFocusWindowChanged(QWindow* window);
    QPixmap banner_;
};
