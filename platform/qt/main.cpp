// Tavrin on Qt: one main window; the command line is ignored.
#include <QApplication>

#include "platform/qt/main_window.h"

int main(int, char* argv[]) {
    // Qt sees no arguments either: the program takes none.
    int qt_argc = 1;
    QApplication app(qt_argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavrin"));
    tavrin::qt::MainWindow window;
    window.show();
    app.exec();
    // Exit and closing the window both end here.
    return 0;
}
