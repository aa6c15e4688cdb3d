// The real main window driven as a user drives it: key presses and mouse
// clicks through the window, dialogs answered as they open, and what the user
// sees read back from grabbed pixels and widget texts.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <functional>
#include <memory>
#include <span>

#include "disc/sectors.h"
#include "palette/color_adjust.h"
#include "palette/palette.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/main_window.h"
#include "platform/qt/preview_window.h"
#include "platform/qt/qt_window_layer.h"
#include "platform/qt/swatch_widgets.h"
#include "platform/qt/tests/qt_driver.h"
#include "ui/ids.h"

using namespace tavrin;
using namespace tavrin::qt;
using namespace tavrin::qt::testing;

namespace {

Rgb color_of_word(std::uint16_t word) {
    return color_of(decode_bgr555(word));
}

Rgb grabbed(const QImage& cell, int x, int y) {
    const QColor c = cell.pixelColor(1 + x, 1 + y);  // past the sunken edge
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

// True when the cell's 18 x 18 client pixels on screen show colour, with the
// selection frame's rings (black, white, black at 1, 2, 3) when framed.
bool cell_shows(MainWindow& window, int index, Rgb color, bool framed) {
    const QImage image = window.grid()->grab(SwatchGrid::cell_rect(index)).toImage();
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            const int ring = std::min(std::min(x, y), std::min(17 - x, 17 - y));
            Rgb expected = color;
            if (framed && (ring == 1 || ring == 3)) {
                expected = Rgb{0, 0, 0};
            } else if (framed && ring == 2) {
                expected = Rgb{255, 255, 255};
            }
            if (grabbed(image, x, y) != expected) {
                return false;
            }
        }
    }
    return true;
}

QString hex_of(Rgb color) {
    PaletteEntry entry;
    entry.red = color.red;
    entry.green = color.green;
    entry.blue = color.blue;
    return QString::fromStdString(hex_text(encode_bgr555(entry)));
}

// The colour a colour box shows, read from its grabbed centre.
Rgb box_shows(QWidget* box) {
    const QColor c = box->grab().toImage().pixelColor(box->width() / 2, box->height() / 2);
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

QByteArray read_file(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write_bytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Stands in for the desktop's viewer of local files.
class UrlRecorder : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> urls;

  public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<MainWindow> window_;
    std::vector<std::uint16_t> words_ = sample_clut_words();
    QString clut_;

    MainWindow& window() { return *window_; }
    QWidget* focus() const { return QApplication::focusWidget(); }
    int focused_id() { return window().id_of(focus()); }
    QLineEdit* field(int id) { return window().field(id); }
    bool menu_enabled(int id) { return window().menu_action(id)->isEnabled(); }
    Rgb sample(int index) const { return color_of_word(words_[static_cast<std::size_t>(index)]); }

    void load_sample() {
        load_clut_file(window(), clut_);
        QVERIFY(window().state().palette_loaded != 0);
    }

  private Q_SLOTS:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        clut_ = folder_->filePath(QStringLiteral("sample.clu"));
        QVERIFY(write_clut_file(clut_, words_));
        window_ = std::make_unique<MainWindow>();
        window().show();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
    }

    void cleanup() {
        forget_awaited_dialogs();
        window_.reset();
        folder_.reset();
    }

    void layout_matches_the_windows_template() {
        QWidget* client = window().centralWidget();
        QCOMPARE(client->size(), QSize(399, 554));
        QCOMPARE(window().minimumSize(), window().maximumSize());
        QVERIFY(!window().windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(window().windowTitle(), QStringLiteral("Tavrin"));
        // The icon comes once the window has been painted.
        QVERIFY(QTest::qWaitFor([this] { return !window().windowIcon().isNull(); }, 2000));
        QCOMPARE(window().windowIcon().availableSizes(),
                 (QList<QSize>{QSize(16, 16), QSize(32, 32), QSize(48, 48)}));
        auto cell_geometry = [this](int index) {
            return SwatchGrid::cell_rect(index).translated(window().grid()->pos());
        };
        QCOMPARE(cell_geometry(0), QRect(8, 5, 20, 20));
        QCOMPARE(cell_geometry(17), QRect(32, 29, 20, 20));
        QCOMPARE(cell_geometry(255), QRect(368, 365, 20, 20));
        // The grid sits above the sliders and the banner at the bottom.
        const int grid_bottom = cell_geometry(255).bottom();
        QCOMPARE(window().control(ids::slider_red)->geometry(), QRect(50, 393, 150, 20));
        QVERIFY(grid_bottom < window().control(ids::slider_red)->y());
        QCOMPARE(window().control(ids::field_hex)->geometry(), QRect(339, 397, 48, 20));
        const QRect banner = window().control(ids::banner)->geometry();
        QCOMPARE(banner, QRect(11, 494, 376, 52));
        QCOMPARE(window().control(ids::check_semi_transparent)->geometry(),
                 QRect(210, 468, 177, 16));
        QVERIFY(banner.bottom() < client->height());
    }

    void a_loaded_clut_shows_in_the_cells_pixels() {
        for (int i : {0, 17, 100, 255}) {
            QVERIFY(!window().grid()->painted(i));
        }
        load_sample();
        for (int i : {0, 1, 17, 100, 200, 255}) {
            QVERIFY2(cell_shows(window(), i, sample(i), false), qPrintable(QString::number(i)));
        }
        QCOMPARE(focused_id(), ids::first_swatch);
        QVERIFY(menu_enabled(ids::save_clut));
        QVERIFY(!menu_enabled(ids::inject_tex));
    }

    void f2_frames_the_shirt_zone_and_focuses_its_last_cell() {
        load_sample();
        press_key(window(), Qt::Key_F2);
        settle();
        for (int i = 16; i <= 31; ++i) {
            QVERIFY2(cell_shows(window(), i, sample(i), true), qPrintable(QString::number(i)));
        }
        QVERIFY(cell_shows(window(), 15, sample(15), false));
        QVERIFY(cell_shows(window(), 32, sample(32), false));
        QCOMPARE(focused_id(), ids::first_swatch + 31);
        QCOMPARE(field(ids::field_hex)->text(), hex_of(sample(31)));
    }

    void clicks_select_with_the_modifiers_held() {
        load_sample();
        click_cell(window(), 5);
        click_cell(window(), 7, Qt::ControlModifier);
        click_cell(window(), 10, Qt::ShiftModifier);  // adds 8, 9, 10 after the head 7
        settle();
        for (int i : {5, 7, 8, 9, 10}) {
            QVERIFY2(cell_shows(window(), i, sample(i), true), qPrintable(QString::number(i)));
        }
        QVERIFY(cell_shows(window(), 6, sample(6), false));
        QCOMPARE(field(ids::field_hex)->text(), hex_of(sample(10)));
        QCOMPARE(focused_id(), ids::first_swatch + 10);

        click_cell(window(), 5, Qt::ControlModifier);
        QVERIFY(cell_shows(window(), 5, sample(5), false));
        QVERIFY(cell_shows(window(), 7, sample(7), true));

        // A plain click leaves the cell alone selected.
        click_cell(window(), 9);
        settle();
        QVERIFY(cell_shows(window(), 9, sample(9), true));
        QVERIFY(cell_shows(window(), 10, sample(10), false));

        // Cells beyond the count take no clicks.
        QVERIFY(write_clut_file(clut_, {words_.begin(), words_.begin() + 16}));
        load_sample();
        QVERIFY(!window().grid()->cell_enabled(20));
        click_cell(window(), 20);
        settle();
        QVERIFY(window().state().selection == nullptr);
        QVERIFY(cell_shows(window(), 9, sample(9), false));
    }

    void a_double_click_on_a_cell_is_one_click() {
        load_sample();
        auto double_click = [this](int index, Qt::KeyboardModifiers modifiers) {
            SwatchGrid* grid = window().grid();
            const QPoint centre = grid->mapTo(&window(), SwatchGrid::cell_rect(index).center());
            QTest::mouseDClick(window().windowHandle(), Qt::LeftButton, modifiers, centre);
            settle();
        };
        // Ctrl+double-click adds the cell once; it is not taken away again.
        click_cell(window(), 2);
        double_click(5, Qt::ControlModifier);
        QVERIFY(cell_shows(window(), 2, sample(2), true));
        QVERIFY(cell_shows(window(), 5, sample(5), true));
        QCOMPARE(focused_id(), ids::first_swatch + 5);

        // A slider step moves cell 40 along with the head 41 but snaps only the
        // head, so cell 40 holds a red no colour word can give.
        click_cell(window(), 40);
        click_cell(window(), 41, Qt::ControlModifier);
        window().control(ids::slider_red)->setFocus();
        press_key(window(), Qt::Key_Right);
        const Rgb unsnapped = color_of(window().state().palette[40]);
        QCOMPARE(unsnapped.red, sample(40).red + 1);
        // A plain double-click: the first press takes that colour as the
        // starting one and snaps the cell; the second press changes nothing.
        double_click(40, {});
        const Rgb snapped = color_of(window().state().palette[40]);
        QVERIFY(snapped != unsnapped);
        QCOMPARE(box_shows(window().control(ids::starting_box)), unsnapped);
        QCOMPARE(box_shows(window().control(ids::current_box)), snapped);
        QVERIFY(cell_shows(window(), 40, snapped, true));
        QVERIFY(cell_shows(window(), 41, color_of(window().state().palette[41]), false));
    }

    void the_screen_shows_every_change_to_the_cells() {
        // Cell 0 starts black, as a cell never painted is in memory.
        auto words = words_;
        words[0] = 0x0000;
        QVERIFY(write_clut_file(clut_, words));
        // The first cell whose pixels on the screen differ from the grid's
        // own, or -1.
        auto first_stale_cell = [this]() {
            settle();
            const QImage screen = window().screen()->grabWindow(window().winId()).toImage();
            const QImage grid = window().grid()->grab().toImage();
            const QPoint origin = window().grid()->mapTo(&window(), QPoint());
            for (int i = 0; i < palette_size; ++i) {
                const QRect cell = SwatchGrid::cell_rect(i);
                if (screen.copy(cell.translated(origin)).convertToFormat(QImage::Format_RGB32) !=
                    grid.copy(cell).convertToFormat(QImage::Format_RGB32)) {
                    return i;
                }
            }
            return -1;
        };
        load_sample();
        QCOMPARE(first_stale_cell(), -1);
        QVERIFY(cell_shows(window(), 0, Rgb{}, false));
        click_cell(window(), 0);
        click_cell(window(), 47, Qt::ShiftModifier);
        QCOMPARE(first_stale_cell(), -1);
        // Framed again over their frames: only the toggled cell changes.
        click_cell(window(), 30, Qt::ControlModifier);
        QCOMPARE(first_stale_cell(), -1);
        click_cell(window(), 30, Qt::ControlModifier);
        QCOMPARE(first_stale_cell(), -1);
        press_key(window(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(first_stale_cell(), -1);
        window().control(ids::slider_red)->setFocus();
        press_key(window(), Qt::Key_End);
        QCOMPARE(first_stale_cell(), -1);
        press_key(window(), Qt::Key_F6);
        QCOMPARE(first_stale_cell(), -1);
        click_cell(window(), 0);
        QCOMPARE(first_stale_cell(), -1);
        QVERIFY(cell_shows(window(), 0, color_of(window().state().palette[0]), true));
        QVERIFY(cell_shows(window(), 47, color_of(window().state().palette[47]), false));
    }

    void ctrl_b_blends_the_middle_cells() {
        load_sample();
        click_cell(window(), 0);
        click_cell(window(), 47, Qt::ShiftModifier);
        press_key(window(), Qt::Key_B, Qt::ControlModifier);
        settle();
        QVERIFY(cell_shows(window(), 0, sample(0), true));
        QVERIFY(cell_shows(window(), 47, sample(47), true));
        int changed = 0;
        for (int i = 1; i < 47; ++i) {
            changed += cell_shows(window(), i, sample(i), true) ? 0 : 1;
        }
        QVERIFY2(changed > 30, qPrintable(QString::number(changed)));
    }

    void clipboard_keys_in_the_hex_field_run_the_palette_commands() {
        load_sample();
        click_cell(window(), 3);
        QVERIFY(menu_enabled(ids::copy));
        QVERIFY(!menu_enabled(ids::paste));
        QApplication::clipboard()->setText(QStringLiteral("ABCD"));

        QLineEdit* hex = field(ids::field_hex);
        QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {},
                          hex->mapTo(&window(), hex->rect().center()));
        QCOMPARE(focus(), hex);
        const QString shown = hex->text();
        press_key(window(), Qt::Key_A, Qt::ControlModifier);  // the field's own select-all
        QCOMPARE(hex->selectedText(), shown);

        // Paste is grayed: the key goes nowhere, not to the field either.
        press_key(window(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(hex->text(), shown);

        // Copy runs, enables Paste and puts the cell's colour on the system
        // clipboard; the field's own copy of its text never happens.
        press_key(window(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(menu_enabled(ids::paste));
        QCOMPARE(
            QApplication::clipboard()->text(),
            QString::asprintf("#%02X%02X%02X\n", sample(3).red, sample(3).green, sample(3).blue));
        QCOMPARE(QApplication::clipboard()->mimeData()->data(QLatin1String(color_words_mime_type)),
                 QByteArray(hex_text(words_[3]).c_str()) + "\n");

        click_cell(window(), 4);
        QLineEdit* red = field(ids::field_red);
        red->setFocus();
        press_key(window(), Qt::Key_V, Qt::ControlModifier);
        settle();
        QVERIFY(red->text() != QStringLiteral("ABCD"));
        QVERIFY(cell_shows(window(), 4, sample(3), true));  // cell 3's colour pasted onto 4
    }

    void undo_and_redo_keys_in_a_focused_field_reach_the_core() {
        load_sample();
        click_cell(window(), 5);
        const PaletteEntry loaded = window().state().palette[5];
        QLineEdit* red = field(ids::field_red);
        red->setFocus();
        red->selectAll();
        QTest::keyClicks(red, QStringLiteral("200"));
        QCOMPARE(window().state().palette[5].red, 200);
        QVERIFY(menu_enabled(ids::undo));
        QCOMPARE(window().menu_action(ids::undo)->text(),
                 QStringLiteral("&Undo Red value\tCtrl+Z"));

        // Taken by the core, not by the field's own undo of its text.
        press_key(window(), Qt::Key_Z, Qt::ControlModifier);
        settle();
        QVERIFY(window().state().palette[5] == loaded);
        QCOMPARE(red->text(), QString::number(sample(5).red));
        QVERIFY(cell_shows(window(), 5, sample(5), true));
        QVERIFY(!menu_enabled(ids::undo));
        QCOMPARE(window().menu_action(ids::redo)->text(),
                 QStringLiteral("&Redo Red value\tCtrl+Y"));

        red->setFocus();
        press_key(window(), Qt::Key_Y, Qt::ControlModifier);
        settle();
        QCOMPARE(window().state().palette[5].red, 200);
        QCOMPARE(red->text(), QStringLiteral("200"));

        // Ctrl+Shift+Z redoes as well; with nothing to redo it does nothing.
        press_key(window(), Qt::Key_Z, Qt::ControlModifier);
        red->setFocus();
        press_key(window(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        settle();
        QCOMPARE(window().state().palette[5].red, 200);
        QVERIFY(!menu_enabled(ids::redo));
        press_key(window(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(window().state().palette[5].red, 200);
        QCOMPARE(red->text(), QStringLiteral("200"));
    }

    void import_colors_fills_three_selected_cells_and_paste_from_clipboard_takes_text() {
        load_sample();
        const QString gpl = folder_->filePath(QStringLiteral("kit.palette.txt"));
        QFile file(gpl);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("GIMP Palette\nName: Kit\n255 0 0\n0 255 0\n0 0 255\n");
        file.close();

        // Selected 20, then 5, then 40: the palette's colours go there in that order.
        click_cell(window(), 20);
        click_cell(window(), 5, Qt::ControlModifier);
        click_cell(window(), 40, Qt::ControlModifier);
        QVERIFY(menu_enabled(ids::import_colors));
        when_dialog_opens(QStringLiteral("open_dialog"),
                          [gpl](QWidget* dialog) { type_file_name(dialog, gpl); });
        pick_menu(window(), 'f', 'o');
        activate(window());
        settle();
        QVERIFY(cell_shows(window(), 20, Rgb{255, 0, 0}, true));
        QVERIFY(cell_shows(window(), 5, Rgb{0, 255, 0}, true));
        QVERIFY(cell_shows(window(), 40, Rgb{0, 0, 255}, true));
        QVERIFY(cell_shows(window(), 21, sample(21), false));
        QCOMPARE(window().windowTitle(), QStringLiteral("Tavrin - 3 of 3 colors imported"));

        // Ctrl+Shift+V takes #RRGGBB text from the system clipboard; Ctrl+V
        // stays the program's own Paste, grayed until a Copy.
        QApplication::clipboard()->setText(QStringLiteral("#FFFF00\n"));
        click_cell(window(), 7);
        press_key(window(), Qt::Key_V, Qt::ControlModifier);
        settle();
        QVERIFY(cell_shows(window(), 7, sample(7), true));
        press_key(window(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        settle();
        QVERIFY(cell_shows(window(), 7, Rgb{255, 255, 0}, true));
    }

    void before_any_load_the_shortcuts_do_nothing() {
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        press_key(window(), Qt::Key_Tab);
        QCOMPARE(focused_id(), ids::first_swatch);
        const std::vector<int> keys = {Qt::Key_F1, Qt::Key_F2,  Qt::Key_F3,  Qt::Key_F4,
                                       Qt::Key_F5, Qt::Key_F6,  Qt::Key_F7,  Qt::Key_F8,
                                       Qt::Key_F9, Qt::Key_F10, Qt::Key_F11, Qt::Key_F12};
        for (int key : keys) {
            press_key(window(), key);
        }
        for (int key : {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4}) {
            press_key(window(), key, Qt::ControlModifier);
        }
        for (int key : {Qt::Key_B, Qt::Key_C, Qt::Key_V}) {
            press_key(window(), key, Qt::ControlModifier);
        }
        press_key(window(), Qt::Key_Right);
        settle();
        for (int i = 0; i < palette_size; ++i) {
            QVERIFY(!window().grid()->painted(i));
        }
        QVERIFY(window().state().selection == nullptr);
        QVERIFY(!menu_enabled(ids::paste));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void enter_and_escape_in_the_main_window_do_nothing() {
        load_sample();
        click_cell(window(), 2);
        field(ids::field_hex)->setFocus();
        const QString shown = field(ids::field_hex)->text();
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            press_key(window(), key);
        }
        QVERIFY(window().isVisible());
        QCOMPARE(focus(), field(ids::field_hex));
        QCOMPARE(field(ids::field_hex)->text(), shown);
    }

    void tab_cycles_sliders_fields_and_cell_zero() {
        load_sample();
        click_cell(window(), 40);
        const std::vector<int> order = {ids::slider_red,
                                        ids::slider_green,
                                        ids::slider_blue,
                                        ids::field_red,
                                        ids::field_green,
                                        ids::field_blue,
                                        ids::check_semi_transparent,
                                        ids::field_hex,
                                        ids::first_swatch,
                                        ids::slider_red};
        for (int id : order) {
            press_key(window(), Qt::Key_Tab);
            QCOMPARE(window().id_of(focus()), id);
        }
        press_key(window(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(window().id_of(focus()), ids::first_swatch);
        press_key(window(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(window().id_of(focus()), ids::field_hex);
    }

    void tab_skips_the_grid_while_cell_zero_is_disabled() {
        const QString empty = folder_->filePath(QStringLiteral("empty.clu"));
        QVERIFY(write_bytes(empty, QByteArray()));
        load_clut_file(window(), empty);
        QCOMPARE(window().state().palette_loaded, 1);
        QVERIFY(!window().grid()->cell_enabled(0));
        for (int i = 0; i < 9; ++i) {
            press_key(window(), Qt::Key_Tab);
            QVERIFY2(focus() != window().grid(), qPrintable(QString::number(i)));
        }
        press_key(window(), Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(focus() != window().grid());
        window().centralWidget()->setFocus();
        press_key(window(), Qt::Key_Right);
        settle();
        QVERIFY(window().state().selection == nullptr);
        QVERIFY(!field(ids::field_hex)->isEnabled());

        // Once cell 0 is enabled again the grid is a tab stop again.
        load_sample();
        window().centralWidget()->setFocus();
        for (int i = 0; i < 10 && focus() != window().grid(); ++i) {
            press_key(window(), Qt::Key_Tab);
        }
        QCOMPARE(focused_id(), ids::first_swatch);
    }

    void uncovering_the_window_repaints_what_the_core_changed() {
        QVERIFY(write_clut_file(clut_, {words_.begin(), words_.begin() + 16}));
        load_sample();
        const QColor face = window().palette().color(QPalette::Button);
        const Rgb gray{static_cast<std::uint8_t>(face.red()),
                       static_cast<std::uint8_t>(face.green()),
                       static_cast<std::uint8_t>(face.blue())};
        const Rgb black{};  // the entries past those read
        QVERIFY(gray != black);
        QVERIFY(cell_shows(window(), 20, gray, false));

        // Injecting more colours than were read enables the cells up to the
        // count but leaves them grey.
        const QString target = folder_->filePath(QStringLiteral("target.dat"));
        QVERIFY(write_bytes(target, QByteArray(1024, '\0')));
        auto inject = [&](const QString& count_text) {
            when_dialog_opens(QStringLiteral("save_dialog"), [&](QWidget* dialog) {
                when_dialog_opens(QStringLiteral("clut_params_dialog"), [&](QWidget* params) {
                    auto* count = params->findChild<QLineEdit*>(QStringLiteral("count_field"));
                    count->selectAll();
                    QTest::keyClicks(count, count_text);
                    QTest::keyClicks(params->findChild<QLineEdit*>(QStringLiteral("offset_field")),
                                     QStringLiteral("0"));
                    QTest::mouseClick(params->findChild<QPushButton*>(QStringLiteral("ok")),
                                      Qt::LeftButton);
                });
                type_file_name(dialog, target);
            });
            window().menu_action(ids::inject_offset)->trigger();
            activate(window());
            settle();
        };
        inject(QStringLiteral("32"));
        QVERIFY(window().grid()->cell_enabled(20));
        QVERIFY(cell_shows(window(), 20, gray, false));

        // The platform exposes the window again (offscreen, a move does it, as
        // an X server does when the window over it goes away): the core
        // repaints before the exposed part is drawn.
        window().move(window().pos() + QPoint(10, 10));
        QVERIFY(QTest::qWaitFor([&] { return cell_shows(window(), 20, black, false); }, 2000));
        QVERIFY(cell_shows(window(), 3, sample(3), false));
        QVERIFY(cell_shows(window(), 40, gray, false));

        // Minimized and restored, likewise.
        inject(QStringLiteral("48"));
        QVERIFY(cell_shows(window(), 40, gray, false));
        window().showMinimized();
        settle();
        window().showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QVERIFY(QTest::qWaitFor([&] { return cell_shows(window(), 40, black, false); }, 2000));
        QVERIFY(cell_shows(window(), 60, gray, false));
    }

    void the_finder_lists_hits_as_they_come_and_a_double_click_loads_one() {
        load_sample();
        // The live colours planted at an even offset of a larger file.
        QByteArray bytes(8192, '\x5A');
        for (std::size_t i = 0; i < words_.size(); ++i) {
            bytes[static_cast<qsizetype>(0x402 + 2 * i)] = static_cast<char>(words_[i] & 0xFF);
            bytes[static_cast<qsizetype>(0x403 + 2 * i)] = static_cast<char>(words_[i] >> 8);
        }
        const QString image = folder_->filePath(QStringLiteral("disc.img"));
        QVERIFY(write_bytes(image, bytes));

        bool listed = false;
        when_dialog_opens(QStringLiteral("open_dialog"), [&](QWidget* dialog) {
            when_dialog_opens(QStringLiteral("finder_dialog"), [&](QWidget* finder) {
                auto* list = finder->findChild<QListWidget*>(QStringLiteral("hits"));
                auto* status = finder->findChild<QLabel*>(QStringLiteral("status"));
                QTest::mouseClick(finder->findChild<QPushButton*>(QStringLiteral("find")),
                                  Qt::LeftButton);
                // The scan runs on its own thread; the list fills from the event loop.
                if (!QTest::qWaitFor([&] { return status->text().startsWith("Done"); }, 5000)) {
                    return;
                }
                listed =
                    list->count() == 1 &&
                    list->item(0)->text() ==
                        QStringLiteral("0x402 (1026)  CLUT, 256 words match") &&
                    finder->findChild<QProgressBar*>(QStringLiteral("progress"))->value() == 1000 &&
                    status->text() == QStringLiteral("Done: 1 hit.");
                const QRect row = list->visualItemRect(list->item(0));
                // The view takes a double-click only after the press that began it.
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
                if (finder->isVisible()) {  // a failure, not a hang
                    listed = false;
                    static_cast<QDialog*>(finder)->reject();
                }
            });
            type_file_name(dialog, image);
        });
        window().menu_action(ids::find_clut)->trigger();
        activate(window());
        settle();
        QVERIFY(listed);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        const ClutSource& source = window().state().origin.source;
        QCOMPARE(source.kind, ClutSource::Kind::file_offset);
        QCOMPARE(source.path, image.toStdString());
        QCOMPARE(source.offset, std::uint64_t{0x402});
        QCOMPARE(source.count, 256);
    }

    void a_dense_scan_stops_at_the_cap_and_cancel_and_escape_answer_at_once() {
        // 64 MiB of zeros, where a black one-colour CLUT is at every even offset.
        QByteArray bytes(64 << 20, '\0');
        const QString zeros = folder_->filePath(QStringLiteral("zeros.img"));
        QVERIFY(write_bytes(zeros, bytes));
        const QString black = folder_->filePath(QStringLiteral("black.clu"));
        QVERIFY(write_clut_file(black, {0x0000}));
        // And 256 colours, a copy every 256 KiB: with one that must match, a
        // slow scan whose hits keep coming.
        std::vector<std::uint16_t> colors;
        QByteArray copy;
        for (int i = 0; i < 256; ++i) {
            colors.push_back(static_cast<std::uint16_t>(0x0101 + 37 * i));
            copy.append(static_cast<char>(colors.back() & 0xFF));
            copy.append(static_cast<char>(colors.back() >> 8));
        }
        for (qsizetype at = 0; at < bytes.size(); at += 256 << 10) {
            bytes.replace(at, copy.size(), copy);
        }
        const QString copies = folder_->filePath(QStringLiteral("copies.img"));
        QVERIFY(write_bytes(copies, bytes));
        const QString full = folder_->filePath(QStringLiteral("full.clu"));
        QVERIFY(write_clut_file(full, colors));

        // The finder on path, act on its window; it must be gone afterwards.
        const auto finder_on = [&](const QString& path, const std::function<void(QWidget*)>& act) {
            when_dialog_opens(QStringLiteral("open_dialog"), [&](QWidget* dialog) {
                when_dialog_opens(QStringLiteral("finder_dialog"), [&](QWidget* finder) {
                    act(finder);
                    if (finder->isVisible()) {  // a failure, not a hang
                        static_cast<QDialog*>(finder)->done(QDialog::Rejected);
                    }
                });
                type_file_name(dialog, path);
            });
            window().menu_action(ids::find_clut)->trigger();
            activate(window());
            settle();
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        };
        QElapsedTimer timer;
        qint64 escape_ms = -1;
        bool capped = false;
        load_clut_file(window(), black);
        finder_on(zeros, [&](QWidget* finder) {
            auto* list = finder->findChild<QListWidget*>(QStringLiteral("hits"));
            auto* status = finder->findChild<QLabel*>(QStringLiteral("status"));
            QTest::mouseClick(finder->findChild<QPushButton*>(QStringLiteral("find")),
                              Qt::LeftButton);
            const QString cap = QStringLiteral("10,000 hits shown: narrow the search");
            capped =
                QTest::qWaitFor([&] { return status->text() == cap; }, 10000) &&
                list->count() == 10000 &&
                list->item(9999)->text() == QStringLiteral("0x4E1E (19998)  CLUT, 1 words match") &&
                finder->findChild<QProgressBar*>(QStringLiteral("progress"))->value() < 1000;
            timer.start();
            QTest::keyClick(finder, Qt::Key_Escape);
            escape_ms = finder->isVisible() ? -1 : timer.elapsed();
        });
        QVERIFY(capped);
        QVERIFY(escape_ms >= 0 && escape_ms < 100);

        load_clut_file(window(), full);
        int at_cancel = -1;
        int later = -1;
        qint64 cancel_ms = -1;
        QString cancelled;
        finder_on(copies, [&](QWidget* finder) {
            auto* list = finder->findChild<QListWidget*>(QStringLiteral("hits"));
            auto* status = finder->findChild<QLabel*>(QStringLiteral("status"));
            finder->findChild<QSpinBox*>(QStringLiteral("min_matching"))->setValue(1);
            QTest::mouseClick(finder->findChild<QPushButton*>(QStringLiteral("find")),
                              Qt::LeftButton);
            if (!QTest::qWaitFor([&] { return list->count() >= 2; }, 10000)) {
                return;
            }
            timer.start();
            QTest::mouseClick(finder->findChild<QPushButton*>(QStringLiteral("cancel")),
                              Qt::LeftButton);
            cancel_ms = timer.elapsed();
            at_cancel = list->count();
            cancelled = status->text();
            QTest::qWait(300);  // wakes still on their way change nothing
            later = list->count();
            QTest::mouseClick(finder->findChild<QPushButton*>(QStringLiteral("close")),
                              Qt::LeftButton);
        });
        QVERIFY(cancel_ms >= 0 && cancel_ms < 100);
        QVERIFY(at_cancel >= 2 && at_cancel < 256);
        QCOMPARE(later, at_cancel);
        QCOMPARE(cancelled, QStringLiteral("Cancelled: %1 hits.").arg(at_cancel));
        QCOMPARE(window().state().origin.source.path, full.toStdString());
    }

    // A raw Mode 2 image of an ISO 9660 volume that holds DATA/TEAM.TEX.
    QString write_disc_image() {
        const QString tree = folder_->filePath(QStringLiteral("tree"));
        if (!QDir().mkpath(tree + QStringLiteral("/DATA")) ||
            !write_tex_file(tree + QStringLiteral("/DATA/TEAM.TEX"), words_)) {
            return {};
        }
        const QString iso = folder_->filePath(QStringLiteral("game.iso"));
        if (QProcess::execute(QStringLiteral("genisoimage"),
                              {QStringLiteral("-quiet"), QStringLiteral("-o"), iso, tree}) != 0) {
            return {};
        }
        QFile file(iso);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const QByteArray data = file.readAll();
        QByteArray raw(data.size() / 2048 * 2352, '\0');
        for (qsizetype lba = 0; lba < data.size() / 2048; ++lba) {
            disc::encode_sector(
                std::span<std::uint8_t, 2352>(
                    reinterpret_cast<std::uint8_t*>(raw.data()) + lba * 2352, 2352),
                static_cast<std::uint32_t>(lba), disc::SectorType::mode2_form1,
                std::span(reinterpret_cast<const std::uint8_t*>(data.constData()) + lba * 2048,
                          2048));
        }
        const QString image = folder_->filePath(QStringLiteral("GAME.BIN"));
        return write_bytes(image, raw) ? image : QString();
    }

    // File > Open file in disc image..., narrowing the list to the TEX file.
    QStringList open_team_tex(const QString& image) {
        QStringList rows;
        when_dialog_opens(QStringLiteral("open_dialog"), [&](QWidget* dialog) {
            when_dialog_opens(QStringLiteral("list_dialog"), [&](QWidget* list) {
                auto* filter = list->findChild<QLineEdit*>(QStringLiteral("list_filter"));
                auto* entries = list->findChild<QListWidget*>(QStringLiteral("list_entries"));
                QTest::keyClicks(filter, QStringLiteral("team tex"));
                for (int row = 0; row < entries->count(); ++row) {
                    rows << entries->item(row)->text();
                }
                when_dialog_opens(QStringLiteral("select_clut_dialog"), [&](QWidget* select) {
                    auto* edit = select->findChild<QLineEdit*>(QStringLiteral("clut_edit"));
                    edit->setFocus();
                    edit->selectAll();
                    QTest::keyClicks(edit, QStringLiteral("Players shirt #1 palette"));
                    QTest::keyClick(edit, Qt::Key_Return);
                });
                QTest::keyClick(filter, Qt::Key_Return);
            });
            type_file_name(dialog, image);
        });
        pick_menu(window(), 'f', 'd');
        activate(window());
        settle();
        return rows;
    }

    void a_tex_file_inside_a_raw_image_is_recoloured_in_place() {
        const QString image = write_disc_image();
        if (image.isEmpty()) {
            QSKIP("genisoimage is not installed");
        }
        QCOMPARE(open_team_tex(image), QStringList{QStringLiteral("DATA/TEAM.TEX  1,024 bytes")});
        QCOMPARE(window().windowTitle(), QStringLiteral("Tavrin - TEAM.TEX in GAME.BIN"));
        QVERIFY(cell_shows(window(), 100, sample(100), false));

        click_cell(window(), 100);
        window().control(ids::slider_red)->setFocus();
        press_key(window(), Qt::Key_End);
        const PaletteEntry edited = window().state().palette[100];
        QVERIFY(!(color_of(edited) == sample(100)));
        QFile before_file(image);
        QVERIFY(before_file.open(QIODevice::ReadOnly));
        const QByteArray before = before_file.readAll();
        before_file.close();
        window().menu_action(ids::inject_tex)->trigger();
        settle();

        QFile after_file(image);
        QVERIFY(after_file.open(QIODevice::ReadOnly));
        const QByteArray after = after_file.readAll();
        QCOMPARE(after.size(), before.size());
        int changed_sectors = 0;
        for (qsizetype at = 0; at < after.size(); at += 2352) {
            const std::span<const std::uint8_t, 2352> sector(
                reinterpret_cast<const std::uint8_t*>(after.constData()) + at, 2352);
            QVERIFY(disc::edc_checks(sector, disc::sector_type(sector)));
            changed_sectors += after.mid(at, 2352) != before.mid(at, 2352) ? 1 : 0;
        }
        QCOMPARE(changed_sectors, 1);

        // Opened again in a new window, the table holds the written colour.
        window_ = std::make_unique<MainWindow>();
        window().show();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        open_team_tex(image);
        QCOMPARE(window().state().palette[100], edited);
        QVERIFY(cell_shows(window(), 100, color_of(edited), false));
    }

    void panel_controls_change_the_selected_cells() {
        load_sample();
        click_cell(window(), 40);
        const Rgb start = sample(40);

        // A user's slider step moves the entry; the core snaps and rewrites the panel.
        window().control(ids::slider_red)->setFocus();
        press_key(window(), Qt::Key_End);
        settle();
        QCOMPARE(field(ids::field_red)->text(), QStringLiteral("255"));
        QCOMPARE(window().slider(ids::slider_red)->value(), 255);
        QVERIFY(cell_shows(window(), 40, Rgb{255, start.green, start.blue}, true));

        // Digits only in a decimal field; leaving it applies the corrected value.
        QLineEdit* green = field(ids::field_green);
        green->setFocus();
        green->selectAll();
        QTest::keyClicks(green, QStringLiteral("3x0a0"));
        QCOMPARE(green->text(), QStringLiteral("300"));
        press_key(window(), Qt::Key_Tab);
        QCOMPARE(green->text(), QStringLiteral("255"));
        settle();
        QVERIFY(cell_shows(window(), 40, Rgb{255, 255, start.blue}, true));

        // The hex field takes four characters and shows them in capitals.
        QLineEdit* hex = field(ids::field_hex);
        hex->setFocus();
        hex->selectAll();
        QTest::keyClicks(hex, QStringLiteral("7c1f9"));
        QCOMPARE(hex->text(), QStringLiteral("7C1F"));
        settle();
        QVERIFY(cell_shows(window(), 40, Rgb{255, 0, 255}, true));

        // A single click on the starting-colour box does nothing, a double-click
        // gives the head its starting colour back.
        QWidget* starting = window().control(ids::starting_box);
        const QPoint box = starting->mapTo(&window(), starting->rect().center());
        QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, box);
        settle();
        QVERIFY(cell_shows(window(), 40, Rgb{255, 0, 255}, true));
        QTest::mouseDClick(window().windowHandle(), Qt::LeftButton, {}, box);
        settle();
        QVERIFY(cell_shows(window(), 40, start, true));
        QCOMPARE(hex->text(), hex_of(start));
    }

    void transparency_is_shown_toggled_selected_and_guarded() {
        // 0 transparent, 1 semi-transparent red, 2 red, the rest white.
        std::vector<std::uint16_t> words(16, 0x7FFF);
        words[0] = 0x0000;
        words[1] = 0x801F;
        words[2] = 0x001F;
        QVERIFY(write_clut_file(clut_, words));
        load_sample();
        settle();
        const Rgb red{255, 0, 0};
        const Rgb black{0, 0, 0};
        const Rgb white{255, 255, 255};
        QAction* show = window().menu_action(ids::show_transparency);
        QVERIFY(!show->isChecked());
        QVERIFY(cell_shows(window(), 1, red, false));
        QVERIFY(cell_shows(window(), 0, black, false));

        show->trigger();
        settle();
        QVERIFY(show->isChecked());
        const QImage semi = window().grid()->grab(SwatchGrid::cell_rect(1)).toImage();
        QCOMPARE(grabbed(semi, 4, 4), white);
        QCOMPARE(grabbed(semi, 9, 4), red);
        QCOMPARE(grabbed(semi, 12, 12), red);
        const QImage hole = window().grid()->grab(SwatchGrid::cell_rect(0)).toImage();
        QCOMPARE(grabbed(hole, 13, 13), white);
        QCOMPARE(grabbed(hole, 4, 4), black);
        QVERIFY(cell_shows(window(), 2, red, false));

        // The panel's box shows the head's bit and sets it on the selection.
        auto* box = qobject_cast<QCheckBox*>(window().control(ids::check_semi_transparent));
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(), QStringLiteral("Semi-transparent (bit 15)"));
        click_cell(window(), 1);
        QVERIFY(box->isEnabled());
        QVERIFY(box->isChecked());
        click_cell(window(), 2);
        click_cell(window(), 3, Qt::ControlModifier);
        QVERIFY(!box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton);
        settle();
        QVERIFY(box->isChecked());
        QCOMPARE(encode_bgr555(window().state().palette[2]), std::uint16_t{0x801F});
        QCOMPARE(encode_bgr555(window().state().palette[3]), std::uint16_t{0xFFFF});
        QCOMPARE(field(ids::field_hex)->text(), QStringLiteral("FFFF"));
        QCOMPARE(window().menu_action(ids::undo)->text(),
                 QStringLiteral("&Undo Set transparency bit\tCtrl+Z"));
        // Ctrl+J clears it again on both, as the head has it set.
        press_key(window(), Qt::Key_J, Qt::ControlModifier);
        settle();
        QVERIFY(!box->isChecked());
        QCOMPARE(encode_bgr555(window().state().palette[2]), std::uint16_t{0x001F});
        QCOMPARE(window().menu_action(ids::undo)->text(),
                 QStringLiteral("&Undo Toggle transparency bit\tCtrl+Z"));

        window().menu_action(ids::select_transparent)->trigger();
        settle();
        QVERIFY(window().state().selection != nullptr);
        QCOMPARE(int(window().state().selection->index), 0);
        QVERIFY(window().state().selection->next == nullptr);
        window().menu_action(ids::select_semi_transparent)->trigger();
        QCOMPARE(int(window().state().selection->index), 1);
        press_key(window(), Qt::Key_J, Qt::ControlModifier);  // no semi-transparent color left
        QString told;
        when_dialog_opens(QStringLiteral("message_box"), [&told](QWidget* dialog) {
            told = static_cast<QMessageBox*>(dialog)->text();
            static_cast<QMessageBox*>(dialog)->accept();
        });
        window().menu_action(ids::select_semi_transparent)->trigger();
        QCOMPARE(told, QStringLiteral("No color is semi-transparent: none has bit 15 set."));
        activate(window());

        // Red dragged to black: the title says so; kept opaque once asked.
        click_cell(window(), 2);
        window().slider(ids::slider_red)->triggerAction(QAbstractSlider::SliderToMinimum);
        settle();
        QCOMPARE(encode_bgr555(window().state().palette[2]), std::uint16_t{0x0000});
        QCOMPARE(window().windowTitle(),
                 QStringLiteral("Tavrin - 1 color became transparent (0000): the game will not "
                                "draw it"));
        press_key(window(), Qt::Key_Z, Qt::ControlModifier);
        window().menu_action(ids::keep_black_opaque)->trigger();
        QVERIFY(window().menu_action(ids::keep_black_opaque)->isChecked());
        click_cell(window(), 2);
        window().slider(ids::slider_red)->triggerAction(QAbstractSlider::SliderToMinimum);
        settle();
        QCOMPARE(encode_bgr555(window().state().palette[2]), std::uint16_t{0x8000});
        QCOMPARE(field(ids::field_hex)->text(), QStringLiteral("8000"));

        // Both options come back in the next run, and are put back off.
        window_.reset();
        window_ = std::make_unique<MainWindow>();
        QVERIFY(window().menu_action(ids::show_transparency)->isChecked());
        QVERIFY(window().menu_action(ids::keep_black_opaque)->isChecked());
        window().menu_action(ids::show_transparency)->trigger();
        window().menu_action(ids::keep_black_opaque)->trigger();
        window_ = std::make_unique<MainWindow>();
        QVERIFY(!window().menu_action(ids::show_transparency)->isChecked());
        QVERIFY(!window().menu_action(ids::keep_black_opaque)->isChecked());
    }

    void tooltips_show_the_color_once_loaded() {
        auto tip_over = [this](int index) {
            QToolTip::hideText();
            SwatchGrid* grid = window().grid();
            const QPoint centre = SwatchGrid::cell_rect(index).center();
            QHelpEvent event(QEvent::ToolTip, centre, grid->mapToGlobal(centre));
            QApplication::sendEvent(grid, &event);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tip_over(17), QString());
        load_sample();
        const Rgb c = sample(17);
        QCOMPARE(tip_over(17), QStringLiteral("RGB: %1,%2,%3 - Hex: 0x%4")
                                   .arg(c.red)
                                   .arg(c.green)
                                   .arg(c.blue)
                                   .arg(hex_of(c)));
        QVERIFY(write_clut_file(clut_, {words_.begin(), words_.begin() + 16}));
        load_sample();
        QCOMPARE(tip_over(20), QString());  // a disabled cell shows no tip
        QToolTip::hideText();
    }

    void file_dialogs_match_filters_without_regard_to_case() {
        for (const char* name : {"a.clu", "B.Pal", "c.CLUT", "d.txt", "e.bin"}) {
            QVERIFY(write_bytes(folder_->filePath(QString::fromLatin1(name)), "\x01\x02"));
        }
        QStringList labels;
        QStringList listed;
        when_dialog_opens(QStringLiteral("open_dialog"), [&](QWidget* dialog) {
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; types != nullptr && i < types->count(); ++i) {
                labels << types->itemText(i);
            }
            auto* files = qobject_cast<QFileDialog*>(dialog);
            files->setDirectory(folder_->path());
            auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
            (void)QTest::qWaitFor(
                [view] { return view->model()->rowCount(view->rootIndex()) >= 4; }, 3000);
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
                listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        pick_menu(window(), 'f', 'l');
        QCOMPARE(labels,
                 (QStringList{QStringLiteral("CLUT files"), QStringLiteral("All Files (*.*)")}));
        listed.sort();
        QCOMPARE(listed, (QStringList{QStringLiteral("B.Pal"), QStringLiteral("a.clu"),
                                      QStringLiteral("c.CLUT"), QStringLiteral("sample.clu")}));
        QCOMPARE(window().state().palette_loaded, 0);  // cancelled: nothing changed
    }

    void saving_replaces_a_file_without_asking() {
        load_sample();
        const QString target = folder_->filePath(QStringLiteral("old.pal"));
        QVERIFY(write_bytes(target, QByteArray(2000, 'x')));
        auto asked = std::make_shared<bool>(false);
        when_dialog_opens(QStringLiteral("save_dialog"), [&, asked](QWidget* dialog) {
            // A question box would stop the save; answer it so the test can fail.
            when_dialog_opens(QString(), [asked](QWidget* question) {
                *asked = true;
                question->close();
            });
            type_file_name(dialog, target);
        });
        pick_menu(window(), 'f', 's');
        QVERIFY(!*asked);
        QCOMPARE(read_file(target), read_file(clut_));
    }

    void too_many_colors_shows_an_error_box() {
        const QString big = folder_->filePath(QStringLiteral("big.clu"));
        QVERIFY(write_bytes(big, QByteArray(514, '\0')));
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        when_dialog_opens(QStringLiteral("error_box"), [&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        load_clut_file(window(), big);
        QCOMPARE(title, QStringLiteral("Error"));
        QCOMPARE(text, QStringLiteral("CLUT can't have more than 256 colors."));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(!menu_enabled(ids::save_clut));
    }

    void escape_and_unknown_names_keep_select_clut_open() {
        const QString path = folder_->filePath(QStringLiteral("kit.bin"));
        QVERIFY(write_tex_file(path, words_));

        QStringList seen;
        when_dialog_opens(QStringLiteral("open_dialog"), [&](QWidget* dialog) {
            when_dialog_opens(QStringLiteral("select_clut_dialog"), [&](QWidget* select) {
                seen << QApplication::focusWidget()->objectName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                seen << (select->isVisible() ? "open after Esc" : "closed by Esc");
                select->close();
                seen << (select->isVisible() ? "open after close" : "closed");
                auto* edit = select->findChild<QLineEdit*>(QStringLiteral("clut_edit"));
                edit->setFocus();
                edit->selectAll();
                QTest::keyClicks(edit, QStringLiteral("Team"));
                QTest::keyClick(edit, Qt::Key_Return);
                seen << (select->isVisible() ? "open after Team" : "closed by Team");
                QCOMPARE(edit->text(), QStringLiteral("Team"));
                edit->selectAll();
                QTest::keyClicks(edit, QStringLiteral("players SHIRT #1 palette"));
                QTest::keyClick(edit, Qt::Key_Return);
            });
            type_file_name(dialog, path);
        });
        pick_menu(window(), 'f', 'e');
        settle();
        QCOMPARE(seen, (QStringList{QStringLiteral("ok"), QStringLiteral("open after Esc"),
                                    QStringLiteral("open after close"),
                                    QStringLiteral("open after Team")}));
        QCOMPARE(window().state().palette_loaded, 1);
        QVERIFY(cell_shows(window(), 100, sample(100), false));
        QVERIFY(menu_enabled(ids::inject_tex));
        QVERIFY(menu_enabled(ids::zone_shirt_primary));
    }

    void cancel_in_clut_parameters_changes_nothing() {
        load_sample();
        const QString target = folder_->filePath(QStringLiteral("target.dat"));
        const QByteArray before(1024, '\xAB');
        QVERIFY(write_bytes(target, before));
        bool cancelled = false;
        when_dialog_opens(QStringLiteral("save_dialog"), [&](QWidget* dialog) {
            when_dialog_opens(QStringLiteral("clut_params_dialog"), [&](QWidget* params) {
                auto* count = params->findChild<QLineEdit*>(QStringLiteral("count_field"));
                QCOMPARE(count->text(), QStringLiteral("256"));
                QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("offset_field"));
                QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0x10"));
                auto* cancel = params->findChild<QPushButton*>(QStringLiteral("cancel"));
                QTest::mouseClick(cancel, Qt::LeftButton);
                cancelled = !params->isVisible();
            });
            type_file_name(dialog, target);
        });
        window().menu_action(ids::inject_offset)->trigger();  // its mnemonic is shared
        settle();
        QVERIFY(cancelled);
        QCOMPARE(read_file(target), before);
        for (int i : {0, 100, 255}) {
            QVERIFY(cell_shows(window(), i, sample(i), false));
        }
        QVERIFY(menu_enabled(ids::zone_shirt_primary));
    }

    void about_box_shows_all_of_its_text() {
        QString text;
        QString focused;
        int scrolled = -1;
        bool open_after_escape = false;
        bool closed_by_enter = false;
        when_dialog_opens(QStringLiteral("about_box"), [&](QWidget* about) {
            auto* field = about->findChild<QPlainTextEdit*>(QStringLiteral("about_text"));
            text = field->toPlainText();
            scrolled = field->verticalScrollBar()->value();
            focused = QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            open_after_escape = about->isVisible();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            closed_by_enter = !about->isVisible();
        });
        pick_menu(window(), 'h', 'a');
        QString expected = QString::fromUtf8(read_file(QStringLiteral(TAVRIN_ABOUT_FILE)));
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(text, expected);
        QCOMPARE(text.split(QStringLiteral("\n\n")).size(), 5);
        QCOMPARE(scrolled, 0);
        QCOMPARE(focused, QStringLiteral("ok"));
        QVERIFY(open_after_escape);
        QVERIFY(closed_by_enter);
    }

    void tutorial_opens_the_page_beside_the_program() {
        UrlRecorder viewer;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &viewer, "open");
        pick_menu(window(), 'h', 't');
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(viewer.urls.size(), 1);
        QCOMPARE(viewer.urls.front().toLocalFile(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/help/tavrin.html"));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);  // no error box
    }

    void the_preview_picks_cells_and_follows_the_sliders() {
        // An 8-bit TIM of 16 x 8 pixels, pixel (x, y) of index x + 16 y, with
        // two CLUT rows: the sample and the sample reversed.
        QByteArray tim;
        const auto put = [&tim](std::uint32_t value, int bytes) {
            for (int i = 0; i < bytes; ++i) {
                tim.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
            }
        };
        put(0x10, 4);
        put(9, 4);
        put(12 + 2 * 256 * 2, 4);
        put(0, 4);
        put(256, 2);
        put(2, 2);
        for (int row = 0; row < 2; ++row) {
            for (int i = 0; i < 256; ++i) {
                put(words_[static_cast<std::size_t>(row == 0 ? i : 255 - i)], 2);
            }
        }
        put(12 + 16 * 8, 4);
        put(0, 4);
        put(8, 2);
        put(8, 2);
        for (int i = 0; i < 16 * 8; ++i) {
            put(static_cast<std::uint32_t>(i), 1);
        }
        const QString path = folder_->filePath(QStringLiteral("kit.tim"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(tim) == tim.size());
        file.close();

        QStringList rows;
        when_dialog_opens(QStringLiteral("open_dialog"), [&](QWidget* dialog) {
            when_dialog_opens(QStringLiteral("list_dialog"), [&](QWidget* list) {
                auto* entries = list->findChild<QListWidget*>(QStringLiteral("list_entries"));
                for (int row = 0; row < entries->count(); ++row) {
                    rows << entries->item(row)->text();
                }
                QVERIFY(list->findChild<QLineEdit*>(QStringLiteral("list_filter")) == nullptr);
                entries->setCurrentRow(1);
                QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("ok")),
                                  Qt::LeftButton);
            });
            type_file_name(dialog, path);
        });
        pick_menu(window(), 'f', 'm');
        settle();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], QStringLiteral("CLUT 0 (256 colors)"));
        PreviewWindow* preview = window().preview();
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->image().size(), QSize(16, 8));
        const auto pixel_of = [](Rgb color) { return qRgb(color.red, color.green, color.blue); };
        // Pixel (5, 1) has index 21, coloured by row 1: sample entry 255 - 21.
        QCOMPARE(preview->image().pixel(5, 1), pixel_of(sample(234)));

        const int zoom = preview->zoom();
        QTest::mouseClick(preview->canvas(), Qt::LeftButton, {},
                          QPoint(5 * zoom + zoom / 2, 1 * zoom + zoom / 2));
        QVERIFY(window().state().selection != nullptr);
        QCOMPARE(window().state().selection->index, 21);
        QVERIFY(cell_shows(window(), 21, sample(234), true));
        QTest::mouseClick(preview->canvas(), Qt::LeftButton, Qt::ControlModifier, QPoint(1, 1));
        QCOMPARE(window().state().selection->index, 0);
        QCOMPARE(window().state().selection->next->index, 21);

        // A user's slider step recolours both cells and their pixels at once.
        window().control(ids::slider_red)->setFocus();
        press_key(window(), Qt::Key_End);
        QCOMPARE(qRed(preview->image().pixel(0, 0)), 255);
        QCOMPARE(preview->image().pixel(5, 1), pixel_of(color_of(window().state().palette[21])));
        QVERIFY(preview->image().pixel(5, 1) != pixel_of(sample(234)));
        QCOMPARE(preview->image().pixel(1, 0), pixel_of(sample(254)));
        QVERIFY(preview->status().contains(QStringLiteral("kit.tim: 16 x 8, 8 bits, CLUT row 1")));
        QVERIFY(menu_enabled(ids::inject_tim));
        preview->close();
    }

    void adjust_colors_shows_every_change_live_and_cancel_takes_it_back() {
        const QString tim = folder_->filePath(QStringLiteral("kit.tim"));
        QVERIFY(write_tim_file(tim, words_, 16, 16));
        when_dialog_opens(QStringLiteral("open_dialog"),
                          [&](QWidget* dialog) { type_file_name(dialog, tim); });
        pick_menu(window(), 'f', 'm');
        settle();
        PreviewWindow* preview = window().preview();
        QVERIFY(preview->isVisible());
        click_cell(window(), 0);
        click_cell(window(), 15, Qt::ShiftModifier);
        const auto before = window().state().palette;
        const auto word = [&](int index) {
            return encode_bgr555(window().state().palette[static_cast<std::size_t>(index)]);
        };
        const auto shows = [&](int index, std::uint16_t expected) {
            const Rgb color = color_of(decode_bgr555(expected));
            // The 16-wide picture's pixel i has index i.
            return word(index) == expected && cell_shows(window(), index, color, index < 16) &&
                   preview->image().pixel(index % 16, index / 16) ==
                       qRgb(color.red, color.green, color.blue);
        };

        // The red kit, cells 0..15, is what the picture's first row shows.
        // The Hue slider to its end, then -100 typed as the saturation: each
        // shown on the grid and in the preview while the window is open. The
        // dialog is always closed, so a failed look cannot leave it open.
        std::vector<bool> looks;
        when_dialog_opens(QStringLiteral("adjust_colors_dialog"), [&](QWidget* dialog) {
            auto* hue = dialog->findChild<QSlider*>(QStringLiteral("hue_slider"));
            auto* hue_field = dialog->findChild<QLineEdit*>(QStringLiteral("hue_field"));
            auto* saturation = dialog->findChild<QLineEdit*>(QStringLiteral("saturation_field"));
            auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("cancel"));
            if (hue && hue_field && saturation) {
                hue->setFocus();
                QTest::keyClick(hue, Qt::Key_End);
                looks.push_back(hue_field->text() == QStringLiteral("180"));
                looks.push_back(shows(4, adjust_color(encode_bgr555(before[4]), {.hue = 180})));
                saturation->selectAll();
                QTest::keyClicks(saturation, QStringLiteral("-100"));
                looks.push_back(shows(
                    4, adjust_color(encode_bgr555(before[4]), {.hue = 180, .saturation = -100})));
                looks.push_back(shows(20, encode_bgr555(before[20])));
            }
            looks.push_back(cancel != nullptr);
            if (cancel != nullptr) {
                QTest::mouseClick(cancel, Qt::LeftButton);
            } else {
                static_cast<QDialog*>(dialog)->reject();
            }
        });
        pick_menu(window(), 'e', 'a');
        settle();
        QCOMPARE(looks, std::vector<bool>(5, true));
        QVERIFY(window().state().palette == before);
        QVERIFY(shows(4, encode_bgr555(before[4])));

        // -120 typed as the hue, then OK: one step named after the command.
        when_dialog_opens(QStringLiteral("adjust_colors_dialog"), [&](QWidget* dialog) {
            auto* hue_field = dialog->findChild<QLineEdit*>(QStringLiteral("hue_field"));
            auto* colorize = dialog->findChild<QCheckBox*>(QStringLiteral("colorize"));
            auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("ok"));
            if (!hue_field || !colorize || colorize->isChecked() || !ok) {
                static_cast<QDialog*>(dialog)->reject();
                return;
            }
            hue_field->selectAll();
            QTest::keyClicks(hue_field, QStringLiteral("-120"));
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        pick_menu(window(), 'e', 'a');
        settle();
        for (int index : {0, 7, 15}) {
            QVERIFY(shows(index, adjust_color(encode_bgr555(before[index]), {.hue = -120})));
        }
        QVERIFY(shows(16, encode_bgr555(before[16])));
        QVERIFY(window().menu_action(ids::undo)->text().startsWith(
            QStringLiteral("&Undo Adjust colors")));
        press_key(window(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(window().state().palette == before);
        preview->close();
    }

    void the_preview_scrolls_raw_pixels_with_its_keys() {
        load_sample();
        pick_menu(window(), 'v', 't');
        settle();
        PreviewWindow* preview = window().preview();
        QVERIFY(preview->isVisible());
        auto* file = preview->findChild<QLineEdit*>(QStringLiteral("preview_file"));
        auto* offset = preview->findChild<QLineEdit*>(QStringLiteral("preview_offset"));
        auto* width = preview->findChild<QSpinBox*>(QStringLiteral("preview_width"));
        auto* height = preview->findChild<QSpinBox*>(QStringLiteral("preview_height"));
        QVERIFY(file && offset && width && height);
        QCOMPARE(file->text(), clut_);  // the file the CLUT came from
        width->setValue(16);
        height->setValue(8);
        offset->setText(QStringLiteral("0x10"));
        Q_EMIT offset->editingFinished();
        settle();
        QCOMPARE(preview->image().size(), QSize(16, 8));
        // The 512-byte CLUT file read as pixels: byte 16 is the low byte of word 8.
        QCOMPARE(preview->image().pixel(0, 0),
                 qRgb(sample(words_[8] & 0xFF).red, sample(words_[8] & 0xFF).green,
                      sample(words_[8] & 0xFF).blue));
        preview->canvas()->setFocus();
        QTest::keyClick(preview->canvas(), Qt::Key_PageDown);
        QCOMPARE(offset->text(), QStringLiteral("0x90"));
        QTest::keyClick(preview->canvas(), Qt::Key_Up);
        QCOMPARE(offset->text(), QStringLiteral("0x80"));
        const int zoom = preview->zoom();
        QTest::keyClick(preview->canvas(), Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(preview->zoom(), zoom + 1);
        QTest::keyClick(preview->canvas(), Qt::Key_PageDown);
        QTest::keyClick(preview->canvas(), Qt::Key_PageDown);
        QTest::keyClick(preview->canvas(), Qt::Key_PageDown);
        QVERIFY(preview->status().contains(QStringLiteral("reaches past the end")));
        preview->close();
    }

    void the_installed_program_uses_its_data_folder() {
        QTemporaryDir tree;
        QVERIFY(QDir(tree.path()).mkpath(QStringLiteral("installed/bin")));
        QVERIFY(QDir(tree.path()).mkpath(QStringLiteral("installed/share/tavrin/help")));
        QVERIFY(QDir(tree.path()).mkpath(QStringLiteral("build/platform/qt/help")));
        QCOMPARE(QString::fromStdString(find_program_dir(tree.filePath("installed/bin"))),
                 tree.filePath(QStringLiteral("installed/share/tavrin/")));
        QCOMPARE(QString::fromStdString(find_program_dir(tree.filePath("build/platform/qt"))),
                 tree.filePath(QStringLiteral("build/platform/qt/")));
    }

    void exit_and_close_end_with_status_zero() {
        QTimer::singleShot(0, this, [this] { pick_menu(window(), 'f', 'x'); });
        QCOMPARE(QApplication::exec(), 0);

        load_sample();
        click_cell(window(), 1);
        press_key(window(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(window().state().clipboard_count > 0);
        QTimer::singleShot(0, this, [this] { window().close(); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(window().state().clipboard_count, 0);  // released as the window went
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
