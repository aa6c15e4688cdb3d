// Writes PNG pictures of the main window in a few states, for the README:
//   tavrin_screenshots OUTPUT_FOLDER
// Run with QT_QPA_PLATFORM=offscreen to need no display.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include "platform/qt/main_window.h"
#include "platform/qt/preview_window.h"
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

// A 96 x 96 8-bit TIM of a shirt drawn with the sample CLUT's ramps: red
// body (ramp 0), yellow sleeves (ramp 3), white collar (ramp 1), a blue number
// (ramp 2) on a grey ground (ramp 5), shaded from left to right.
bool write_shirt_tim(const QString& path) {
    constexpr int size = 96;
    QByteArray tim;
    const auto put = [&tim](unsigned value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            tim.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
        }
    };
    put(0x10, 4);
    put(9, 4);
    put(12 + 512, 4);
    put(0, 4);
    put(256, 2);
    put(1, 2);
    for (std::uint16_t word : sample_clut_words()) {
        put(word, 2);
    }
    put(12 + size * size, 4);
    put(0, 4);
    put(size / 2, 2);
    put(size, 2);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int shade = 3 + (x * 9) / size;
            const bool body = x >= 26 && x < 70 && y >= 14 && y < 88;
            const bool sleeve = y >= 14 && y < 40 && ((x >= 8 && x < 26) || (x >= 70 && x < 88));
            const bool collar = body && y < 20 && x >= 38 && x < 58;
            const bool number =
                body && y >= 40 && y < 70 &&
                ((x >= 40 && x < 56 && (y < 45 || (y >= 53 && y < 58) || y >= 65)) ||
                 (x >= 51 && x < 56 && y < 58) || (x >= 40 && x < 45 && y >= 53));
            int ramp = 5;
            if (collar) {
                ramp = 1;
            } else if (number) {
                ramp = 2;
            } else if (body) {
                ramp = 0;
            } else if (sleeve) {
                ramp = 3;
            }
            put(static_cast<unsigned>(ramp * 16 + (ramp == 5 ? 12 : shade)), 1);
        }
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(tim) == tim.size();
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

    // The preview beside the main window: the shirt picked in the picture and
    // turned yellow with the Green slider.
    const QString shirt = work.filePath(QStringLiteral("shirt.tim"));
    if (!write_shirt_tim(shirt)) {
        return 1;
    }
    when_dialog_opens(QStringLiteral("open_dialog"),
                      [&](QWidget* files) { type_file_name(files, shirt); });
    pick_menu(window, 'f', 'm');
    settle();
    PreviewWindow& preview = *window.preview();
    preview.set_zoom(3);
    preview.resize(330, 400);
    const int zoom = preview.zoom();
    QTest::mouseClick(preview.canvas(), Qt::LeftButton, {}, QPoint(28 * zoom, 60 * zoom));
    QTest::mouseClick(preview.canvas(), Qt::LeftButton, Qt::ShiftModifier,
                      QPoint(68 * zoom, 60 * zoom));
    window.control(tavrin::ids::slider_green)->setFocus();
    for (int i = 0; i < 4; ++i) {
        press_key(window, Qt::Key_PageDown);
    }
    QTest::mouseMove(preview.canvas(), QPoint(48 * zoom, 30 * zoom));
    settle();
    const QPixmap main_picture = window.grab();
    const QPixmap preview_picture = preview.grab();
    QPixmap both(main_picture.width() + 12 + preview_picture.width(),
                 std::max(main_picture.height(), preview_picture.height()));
    both.fill(QColor(64, 64, 64));
    {
        QPainter painter(&both);
        painter.drawPixmap(0, 0, main_picture);
        painter.drawPixmap(main_picture.width() + 12, 0, preview_picture);
    }
    const QString path = folder.filePath(QStringLiteral("screenshot-preview.png"));
    const bool saved = both.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return ok && saved ? 0 : 1;
}
