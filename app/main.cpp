#include <QApplication>
#include <QMainWindow>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // No display name: Qt would append it to every window caption.
    QApplication::setApplicationName(QStringLiteral("Levyholvi"));

    // Placeholder until the real main window lands.
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Levyholvi"));
    window.resize(640, 480);
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();

    return QApplication::exec();
}
