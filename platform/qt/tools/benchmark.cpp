// Measures, side by side in one run: start-up to the first painted main
// window against a floor (a window of the same size with the same File, Edit
// and Help menu bar and nothing else), and the time to handle and repaint
// each user action with all 256 cells selected (undo and redo of a blend
// included, and a step of the Adjust colors hue slider with a 1024 x 512
// picture in the preview).
//   tavrin_qt_bench [ROUNDS]     (QT_QPA_PLATFORM=offscreen needs no display)
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/qt/main_window.h"
#include "platform/qt/tests/qt_driver.h"
#include "ui/ids.h"

using namespace tavrin::qt;
using namespace tavrin::qt::testing;

namespace {

constexpr double startup_target = 1.10;   // at most this times the floor
constexpr double action_target_ms = 1.0;  // median per action, under this

struct Summary {
    double median_ms;
    double worst_ms;
};

Summary summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.back()};
}

struct StartUp {
    double wall_ms = -1;  // from starting the process to its "painted" line
    double cpu_ms = -1;   // the processor time it had used by then, all threads
};

StartUp time_to_first_paint(const QString& program, const QStringList& arguments) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    StartUp result;
    if (!process.waitForReadyRead(30000)) {
        return result;
    }
    result.wall_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    process.waitForFinished(30000);
    const QList<QByteArray> words = process.readLine().trimmed().split(' ');
    if (words.size() == 2 && words[0] == "painted") {
        result.cpu_ms = words[1].toDouble();
    }
    return result;
}

// Milliseconds to deliver one action and paint what it changed.
double time_action(const std::function<void()>& action) {
    QElapsedTimer clock;
    clock.start();
    action();
    settle();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void select_all(MainWindow& window) {
    click_cell(window, 0);
    click_cell(window, 255, Qt::ShiftModifier);
}

}  // namespace

int main(int argc, char* argv[]) {
    int qt_argc = 1;
    QApplication app(qt_argc, argv);
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;
    const QString folder = QCoreApplication::applicationDirPath();

    // The floor gets the main window's outer size, menu bar included.
    QSize size;
    {
        MainWindow sizing;
        sizing.show();
        (void)QTest::qWaitForWindowExposed(&sizing);
        size = sizing.size();
    }

    const QStringList window_size = {QString::number(size.width()), QString::number(size.height())};
    std::vector<double> tavrin_ms;
    std::vector<double> floor_ms;
    std::vector<double> tavrin_cpu_ms;
    std::vector<double> floor_cpu_ms;
    for (int round = 0; round < rounds; ++round) {
        // Interleaved, each first in turn, so both see the same machine load
        // and caches.
        for (int turn = 0; turn < 2; ++turn) {
            if ((round + turn) % 2 == 0) {
                const StartUp tavrin = time_to_first_paint(folder + "/tavrin_startup_probe", {});
                tavrin_ms.push_back(tavrin.wall_ms);
                tavrin_cpu_ms.push_back(tavrin.cpu_ms);
            } else {
                const StartUp floor = time_to_first_paint(folder + "/menu_bar_probe", window_size);
                floor_ms.push_back(floor.wall_ms);
                floor_cpu_ms.push_back(floor.cpu_ms);
            }
        }
    }
    const Summary tavrin = summarise(tavrin_ms);
    const Summary floor = summarise(floor_ms);
    const double tavrin_cpu = summarise(tavrin_cpu_ms).median_ms;
    const double floor_cpu = summarise(floor_cpu_ms).median_ms;
    const double ratio = tavrin.median_ms / floor.median_ms;
    const bool startup_met = ratio <= startup_target;
    std::printf("Start-up to first paint, median of %d (%dx%d, platform %s)\n", rounds,
                size.width(), size.height(), qPrintable(QGuiApplication::platformName()));
    std::printf("  tavrin                      %8.2f ms (worst %.2f), processor %.2f ms\n",
                tavrin.median_ms, tavrin.worst_ms, tavrin_cpu);
    std::printf("  floor: menu bar, no content %8.2f ms (worst %.2f), processor %.2f ms\n",
                floor.median_ms, floor.worst_ms, floor_cpu);
    std::printf("  ratio to the floor             %5.2f (target %.2f or less: %s)\n", ratio,
                startup_target, startup_met ? "met" : "MISSED");
    // Less disturbed by other programs' load than the wall-clock ratio.
    std::printf("  ratio of processor times       %5.2f\n", tavrin_cpu / floor_cpu);

    QTemporaryDir work;
    const QString clut = work.filePath(QStringLiteral("sample.clu"));
    if (!write_clut_file(clut, sample_clut_words())) {
        std::fprintf(stderr, "cannot write the sample CLUT\n");
        return 1;
    }
    MainWindow window;
    window.show();
    (void)QTest::qWaitForWindowActive(&window);
    load_clut_file(window, clut);
    select_all(window);

    const int repeats = 200;
    struct Action {
        const char* name;
        std::function<void()> run;
        // Untimed, before each run: brings back what the last run used up.
        std::function<void()> prepare;
    };
    bool right = true;
    QWidget* red = window.control(tavrin::ids::slider_red);
    const auto slider_step = [&] {
        red->setFocus();
        press_key(window, right ? Qt::Key_Right : Qt::Key_Left);
        right = !right;
    };
    const auto reselect = [&] { select_all(window); };
    const std::vector<Action> actions = {
        {"slider step", slider_step, {}},
        {"Shift+click on a selected cell", [&] { click_cell(window, 128, Qt::ShiftModifier); }, {}},
        {"Ctrl+click (toggle one cell)", [&] { click_cell(window, 77, Qt::ControlModifier); }, {}},
        {"plain click", [&] { click_cell(window, 200); }, reselect},
        {"F2 (zone select)", [&] { press_key(window, Qt::Key_F2); }, reselect},
        // A blend over its own gradient would change no cell: a slider step
        // first moves every colour.
        {"Ctrl+B (blend)", [&] { press_key(window, Qt::Key_B, Qt::ControlModifier); }, slider_step},
        // The blend above is the newest step: each round takes it back and makes it again.
        {"Ctrl+Z then Ctrl+Y (the blend)",
         [&] {
             press_key(window, Qt::Key_Z, Qt::ControlModifier);
             press_key(window, Qt::Key_Y, Qt::ControlModifier);
         },
         {}},
    };
    std::printf("Per action with all 256 cells selected, handling and repaint, %d times each\n",
                repeats);
    bool all_met = true;
    for (const Action& action : actions) {
        std::vector<double> samples;
        select_all(window);
        settle();
        for (int i = 0; i < repeats; ++i) {
            if (action.prepare) {
                action.prepare();
                settle();
            }
            samples.push_back(time_action(action.run));
        }
        const Summary summary = summarise(samples);
        const bool met = summary.median_ms < action_target_ms;
        all_met = all_met && met;
        std::printf("  %-32s median %6.3f ms, worst %6.3f ms %s\n", action.name, summary.median_ms,
                    summary.worst_ms, met ? "" : "(not under 1 ms)");
    }

    // The texture preview open on a 1024 x 512 8-bit TIM: a slider step with
    // all 256 cells selected redraws the whole picture as well.
    const QString tim = work.filePath(QStringLiteral("big.tim"));
    if (!write_tim_file(tim, sample_clut_words(), 1024, 512)) {
        std::fprintf(stderr, "cannot write the sample TIM\n");
        return 1;
    }
    when_dialog_opens(QStringLiteral("open_dialog"),
                      [&tim](QWidget* dialog) { type_file_name(dialog, tim); });
    pick_menu(window, 'f', 'm');
    settle();
    select_all(window);
    settle();
    std::vector<double> samples;
    for (int i = 0; i < repeats; ++i) {
        samples.push_back(time_action(actions[0].run));
    }
    const Summary preview = summarise(samples);
    const bool preview_met = preview.median_ms < 2.0;
    std::printf("  %-32s median %6.3f ms, worst %6.3f ms %s\n", "slider step, 1024x512 preview",
                preview.median_ms, preview.worst_ms, preview_met ? "" : "(over 2 ms)");

    // Adjust colors open over the same 256 cells and picture: a step of the
    // Hue slider by its page of 10 degrees, and back, recolours every cell
    // but the greys, the boxes and the whole picture.
    std::vector<double> adjust_samples;
    when_dialog_opens(QStringLiteral("adjust_colors_dialog"), [&](QWidget* dialog) {
        auto* hue = dialog->findChild<QSlider*>(QStringLiteral("hue_slider"));
        if (hue != nullptr) {
            hue->setFocus();
            bool up = true;
            for (int i = 0; i < repeats; ++i) {
                adjust_samples.push_back(time_action([&] {
                    QTest::keyClick(hue, up ? Qt::Key_PageUp : Qt::Key_PageDown);
                    up = !up;
                }));
            }
        }
        static_cast<QDialog*>(dialog)->reject();
    });
    pick_menu(window, 'e', 'a');
    settle();
    if (adjust_samples.empty()) {
        std::fprintf(stderr, "Adjust colors did not open\n");
        return 1;
    }
    const Summary adjust = summarise(adjust_samples);
    const bool adjust_met = adjust.median_ms < 2.0;
    std::printf("  %-32s median %6.3f ms, worst %6.3f ms %s\n", "Adjust colors hue step, preview",
                adjust.median_ms, adjust.worst_ms, adjust_met ? "" : "(over 2 ms)");
    std::printf("Targets: start-up %s, actions %s\n", startup_met ? "met" : "MISSED",
                all_met && preview_met && adjust_met ? "met" : "MISSED");
    return 0;
}
