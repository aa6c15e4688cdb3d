// Start-up probes for the benchmark: start as the program does, write one
// line once the window has been painted for the first time ("painted" and
// the processor milliseconds used so far), and quit.
//   tavrin_startup_probe              the main window, as `tavrin` builds it
//   menu_bar_probe WIDTH HEIGHT       the floor: a window of that outer size
//                                     with the File, Edit and Help menu bar
//                                     and nothing else, so it pays for the
//                                     fonts' set-up as any window with text does
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <memory>

#ifdef TAVRIN_PROBE_MAIN_WINDOW
#include "platform/qt/main_window.h"
#else
#include "ui/menu_table.h"
#endif

namespace {

// Reports after the first paint event has been handled, once the whole
// paint pass (children included) is over.
class FirstPaint : public QObject {
  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                timespec used{};
                clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
                std::printf("painted %.3f\n", static_cast<double>(used.tv_sec) * 1e3 +
                                                  static_cast<double>(used.tv_nsec) / 1e6);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

  private:
    bool seen_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    int qt_argc = 1;
    QApplication app(qt_argc, argv);
#ifdef TAVRIN_PROBE_MAIN_WINDOW
    (void)argc;
    auto window = std::make_unique<tavrin::qt::MainWindow>();
#else
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(QStringLiteral("Tavrin"));
    // The menu bar's own titles, from the core's table, without their items.
    int depth = 0;
    for (const tavrin::MenuRow& row : tavrin::menu_rows()) {
        if (row.kind == tavrin::MenuRow::Kind::popup_begin && depth++ == 0) {
            window->menuBar()->addMenu(
                QString::fromLatin1(row.text.data(), static_cast<qsizetype>(row.text.size())));
        } else if (row.kind == tavrin::MenuRow::Kind::popup_end) {
            --depth;
        }
    }
    window->setCentralWidget(new QWidget(window.get()));
    window->resize(std::atoi(argv[1]), std::atoi(argv[2]));
#endif
    FirstPaint probe;
    window->installEventFilter(&probe);
    window->show();
    return app.exec();
}
