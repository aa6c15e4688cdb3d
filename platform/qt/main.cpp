// Tavrin on Qt: one main window, and optionally a file to open in it (from the
// file manager's "Open with" or a shell).
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "platform/qt/main_window.h"

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Edits the color look-up tables (CLUTs) of Kickvale TEX files, of raw CLUT files "
        "and of any file at an offset."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A file to open: a raw CLUT file, loaded as File > Load CLUT... would, "
                       "or a TEX file, whose CLUT you then choose."),
        QStringLiteral("[FILE]"));
}

// --help and --version answer without a display, so they work over ssh and
// for the man page generator.
bool asks_for_text(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

void name_application() {
    QCoreApplication::setApplicationName(QStringLiteral("Tavrin"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (asks_for_text(argc, argv)) {
        QCoreApplication app(argc, argv);
        name_application();
        QCommandLineParser parser;
        describe(parser);
        parser.process(app);  // prints and exits
    }
    QApplication app(argc, argv);
    name_application();
    QGuiApplication::setDesktopFileName(QStringLiteral("tavrin"));
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fputs("tavrin: give at most one file to open (try --help)\n", stderr);
        return 1;
    }

    tavrin::qt::MainWindow window;
    window.show();
    if (!files.isEmpty()) {
        // Once the window is up, so that an error box or the TEX dialog opens over it.
        QTimer::singleShot(0, &window, [&window, path = files.front()] { window.open_path(path); });
    }
    app.exec();
    // Exit and closing the window both end here.
    return 0;
}
