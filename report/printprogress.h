#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// "Printing progress": always on top, centred, a bar and a Cancel button. The bar and its
// text move only at multiples of 5 percent.
class TPrintProgress : public QWidget {
    Q_OBJECT

public:
    explicit TPrintProgress(QWidget* parent = nullptr);

    void setProgress(int percent);
    static QString progressText(int percent); // "40%  Completed"

signals:
    void cancelled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* bar_;
    QLabel* label_;
    QPushButton* cancel_;
};
