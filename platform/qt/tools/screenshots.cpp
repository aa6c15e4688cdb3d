// Writes PNG pictures of the main window in a few states, for the README:
//   tavrin_screenshots OUTPUT_FOLDER
// Run with QT_QPA_PLATFORM=offscreen to need no display.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include "platform/qt/main_window.h"
#include "platform/qt/tests/qt_driver.h"
#include "ui/ids.h"

using namespace tavrin::qt;
using namespace tavrin::qt::testing;

namespace {

bool save(QWidget& widget, const QDir& folder, const char* name) {
    settle();
    const QString path = folder.filePath(QString::fromLatin1(name));
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    int qt_argc = 1;
    QApplication app(qt_argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir work;
    const QString clut = work.filePath(QStringLiteral("sample.clu"));
    if (!work.isValid() || !write_clut_file(clut, sample_clut_words())) {
        std::fprintf(stderr, "cannot write the sample CLUT\n");
        return 1;
    }

    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    bool ok = save(window, folder, "screenshot-linux-start.png");

    load_clut_file(window, clut);
    ok = save(window, folder, "screenshot-linux-loaded.png") && ok;

    // The first row selected and warmed with two page steps of the green
    // slider; the two colour boxes show its head's new and starting colours.
    click_cell(window, 0);
    click_cell(window, 15, Qt::ShiftModifier);
    window.control(tavrin::ids::slider_green)->setFocus();
    press_key(window, Qt::Key_PageDown);
    press_key(window, Qt::Key_PageDown);
    ok = save(window, folder, "screenshot-linux.png") && ok;

    // The two parameter dialogs, answered once pictured.
    const QString tex = work.filePath(QStringLiteral("kit.bin"));
    if (!write_tex_file(tex, sample_clut_words())) {
        return 1;
    }
    when_dialog_opens(QStringLiteral("open_dialog"), [&](QWidget* files) {
        when_dialog_opens(QStringLiteral("select_clut_dialog"), [&](QWidget* select) {
            ok = save(*select, folder, "screenshot-linux-select-clut.png") && ok;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        type_file_name(files, tex);
    });
    pick_menu(window, 'f', 'e');
    when_dialog_opens(QStringLiteral("open_dialog"), [&](QWidget* files) {
        when_dialog_opens(QStringLiteral("clut_params_dialog"), [&](QWidget* params) {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0x200"));
            ok = save(*params, folder, "screenshot-linux-clut-parameters.png") && ok;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        type_file_name(files, tex);
    });
    pick_menu(window, 'f', 't');

    when_dialog_opens(QStringLiteral("about_box"), [&](QWidget* about) {
        ok = save(*about, folder, "screenshot-linux-about.png") && ok;
        QTest::keyClick(about, Qt::Key_Return);
    });
    pick_menu(window, 'h', 'a');
    return ok ? 0 : 1;
}
