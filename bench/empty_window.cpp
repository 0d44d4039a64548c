// The yardstick of bench/startup.py: a Qt Widgets program that opens an
// empty main window of the size the program's own opens at (the screen).
#include <QApplication>
#include <QMainWindow>
#include <QScreen>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Mirelo"));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return QApplication::exec();
}
