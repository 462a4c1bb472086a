#pragma once

#include <QDialog>

class QFrame;
class QLabel;

// The about box: name, version, who makes it, and the machine's memory figures. A hidden
// panel with the program's mascot comes up with a right-button press on the program icon.
class TOrvena : public QDialog {
    Q_OBJECT

public:
    explicit TOrvena(QWidget* parent = nullptr);

    QFrame* panel() const { return Panel1; }
    QLabel* programIcon() const { return ProgramIcon; }

    // "65,536 KB" and "42 %" in the given locale.
    static QString installedMemoryText(quint64 kilobytes, const QLocale& locale);
    static QString memoryLoadText(int percent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormMouseDown(Qt::MouseButton button);
    void FormClick();
    void ProgramIconMouseDown(Qt::MouseButton button);
    void OKButtonClick();
    void showPanel(bool on);
    bool onSurface(const QPoint& pos) const;

    QLabel* ProgramIcon;
    QLabel* PhysMem;
    QLabel* FreeRes;
    QFrame* Panel1;
    QLabel* Image1;
    bool pressedOnSurface_ = false;
};
