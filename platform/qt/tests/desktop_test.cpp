// The editor as a Linux desktop program, at a device pixel ratio of 2: cells,
// frames and colour boxes on whole device pixels, names for assistive
// technology, files dropped on the window, file dialogs that remember their
// folder between runs, and the command line's --help and --version.
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

#include "palette/palette.h"
#include "platform/qt/main_window.h"
#include "platform/qt/swatch_widgets.h"
#include "platform/qt/tests/qt_driver.h"
#include "ui/ids.h"

using namespace tavrin;
using namespace tavrin::qt;
using namespace tavrin::qt::testing;

namespace {

QString name_of(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face == nullptr ? QString() : face->text(QAccessible::Name);
}

// The controls a user reaches or reads in a window: everything but the
// plain text labels and the parts Qt builds inside its own widgets.
QStringList unnamed_controls(QWidget* window) {
    QStringList unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLineEdit*>(widget) || qobject_cast<QSlider*>(widget) ||
                             qobject_cast<QPushButton*>(widget) ||
                             qobject_cast<QListWidget*>(widget) ||
                             qobject_cast<QPlainTextEdit*>(widget) ||
                             dynamic_cast<ColorBox*>(widget) || dynamic_cast<SwatchGrid*>(widget);
        auto* label = qobject_cast<QLabel*>(widget);
        const bool picture = label != nullptr && label->text().isEmpty();
        if ((control || picture) && name_of(widget).isEmpty()) {
            unnamed << widget->objectName() + QStringLiteral(" (") +
                           QString::fromLatin1(widget->metaObject()->className()) +
                           QStringLiteral(")");
        }
    }
    return unnamed;
}

QString expected_cell_name(int index, std::uint16_t word) {
    const PaletteEntry entry = decode_bgr555(word);
    return QStringLiteral("Color %1: red %2, green %3, blue %4, hex %5")
        .arg(index)
        .arg(entry.red)
        .arg(entry.green)
        .arg(entry.blue)
        .arg(QString::fromStdString(hex_text(word)));
}

QColor qcolor(Rgb color) {
    return QColor(color.red, color.green, color.blue);
}

// Every device pixel of the cell's 18 x 18 client area at ratio 2: each of
// its pixels a 2 x 2 block of exactly the colour, or of the frame's rings.
QString cell_mismatch(MainWindow& window, int index, Rgb color, bool framed) {
    const QImage image = window.grid()->grab(SwatchGrid::cell_rect(index)).toImage();
    if (image.width() != 2 * cell_outer_size || image.height() != 2 * cell_outer_size) {
        return QStringLiteral("grabbed %1 x %2").arg(image.width()).arg(image.height());
    }
    for (int y = 0; y < 2 * cell_client_size; ++y) {
        for (int x = 0; x < 2 * cell_client_size; ++x) {
            const int lx = x / 2;
            const int ly = y / 2;
            const int ring = std::min(std::min(lx, ly), std::min(17 - lx, 17 - ly));
            QColor expected = qcolor(color);
            if (framed && (ring == 1 || ring == 3)) {
                expected = Qt::black;
            } else if (framed && ring == 2) {
                expected = Qt::white;
            }
            const QColor seen = image.pixelColor(2 + x, 2 + y);  // past the sunken edge
            if (seen.rgb() != expected.rgb()) {
                return QStringLiteral("cell %1, device pixel %2,%3: %4 instead of %5")
                    .arg(index)
                    .arg(x)
                    .arg(y)
                    .arg(seen.name(), expected.name());
            }
        }
    }
    return {};
}

void drop_file(MainWindow& window, const QString& path, bool* accepted) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint inside(window.width() / 2, window.height() / 2);
    QDragEnterEvent enter(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    *accepted = enter.isAccepted();
    if (!*accepted) {
        return;
    }
    QDropEvent drop(QPointF(inside), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    settle();  // the drop opens the file once it has finished
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<MainWindow> window_;
    std::vector<std::uint16_t> words_ = sample_clut_words();
    QString clut_;

    MainWindow& window() { return *window_; }

    void start_window() {
        window_ = std::make_unique<MainWindow>();
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        activate(window());
    }

  private Q_SLOTS:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        clut_ = folder_->filePath(QStringLiteral("sample.clu"));
        QVERIFY(write_clut_file(clut_, words_));
        start_window();
    }

    void cleanup() {
        forget_awaited_dialogs();
        window_.reset();
        folder_.reset();
    }

    void the_screen_has_two_device_pixels_per_pixel() {
        QCOMPARE(window().devicePixelRatioF(), 2.0);
    }

    void cells_frames_and_boxes_are_exact_at_ratio_two() {
        // Before any cell is painted the background tiles show the edges too:
        // one pixel of shadow above each cell, two device pixels.
        const QColor shadow = window().grid()->palette().color(QPalette::Dark);
        const QImage empty = window().grid()->grab().toImage();
        QCOMPARE(empty.size(), window().grid()->size() * 2);
        for (int cell : {0, 17, 255}) {
            const QPoint at = SwatchGrid::cell_rect(cell).topLeft() * 2 + QPoint(10, 0);
            QCOMPARE(empty.pixelColor(at).rgb(), shadow.rgb());
            QCOMPARE(empty.pixelColor(at + QPoint(0, 1)).rgb(), shadow.rgb());
            QVERIFY(empty.pixelColor(at + QPoint(0, 2)).rgb() != shadow.rgb());
        }

        load_clut_file(window(), clut_);
        click_cell(window(), 17);
        press_key(window(), Qt::Key_Right, Qt::ShiftModifier);
        settle();
        for (int i = 0; i < palette_size; ++i) {
            const bool framed = i == 17 || i == 18;
            const Rgb color = color_of(decode_bgr555(words_[static_cast<std::size_t>(i)]));
            const QString mismatch = cell_mismatch(window(), i, color, framed);
            QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        }
        // The box of the cell selected last, filled to its edges with its colour.
        const QImage box = window().box(ids::current_box)->grab().toImage();
        QCOMPARE(box.size(), window().box(ids::current_box)->size() * 2);
        const QColor expected = qcolor(color_of(decode_bgr555(words_[18])));
        for (int y = 0; y < box.height(); ++y) {
            for (int x = 0; x < box.width(); ++x) {
                QCOMPARE(box.pixelColor(x, y).rgb(), expected.rgb());
            }
        }
        // The cells' sunken edges: one pixel of shadow above, two device pixels.
        const QImage grid = window().grid()->grab().toImage();
        QCOMPARE(grid.size(), window().grid()->size() * 2);
        QCOMPARE(grid.pixelColor(10, 0).rgb(), shadow.rgb());
        QCOMPARE(grid.pixelColor(10, 1).rgb(), shadow.rgb());
        QVERIFY(grid.pixelColor(10, 2).rgb() != shadow.rgb());
    }

    void every_control_has_an_accessible_name() {
        QCOMPARE(unnamed_controls(&window()), QStringList());
        QCOMPARE(name_of(window().slider(ids::slider_green)), QStringLiteral("Green"));
        QCOMPARE(name_of(window().field(ids::field_blue)), QStringLiteral("Blue value"));
        QCOMPARE(name_of(window().field(ids::field_hex)), QStringLiteral("Hex color value"));
        QCOMPARE(name_of(window().box(ids::starting_box)), QStringLiteral("Starting color"));
        QCOMPARE(name_of(window().grid()), QStringLiteral("Colors"));
        // The menus keep their mnemonics.
        QVERIFY(window().menu_action(ids::load_clut)->text().contains(QLatin1Char('&')));

        QStringList unnamed;
        const auto check = [&](QWidget* dialog) {
            unnamed << unnamed_controls(dialog);
            if (auto* box = qobject_cast<QDialog*>(dialog)) {
                box->reject();
            }
        };
        when_dialog_opens(QStringLiteral("about_box"), check);
        pick_menu(window(), 'h', 'a');
        const QString tex = folder_->filePath(QStringLiteral("kit.bin"));
        QVERIFY(write_tex_file(tex, words_));
        when_dialog_opens(QStringLiteral("open_dialog"),
                          [tex](QWidget* dialog) { type_file_name(dialog, tex); });
        when_dialog_opens(QStringLiteral("select_clut_dialog"), [&](QWidget* dialog) {
            unnamed << unnamed_controls(dialog);
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("clut_edit"));
            QCOMPARE(name_of(field), QStringLiteral("CLUT name"));
            field->setText(QStringLiteral("Team flag"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ok")),
                              Qt::LeftButton);
        });
        pick_menu(window(), 'f', 'e');
        when_dialog_opens(QStringLiteral("open_dialog"),
                          [tex](QWidget* dialog) { type_file_name(dialog, tex); });
        when_dialog_opens(QStringLiteral("clut_params_dialog"), check);
        pick_menu(window(), 'f', 't');
        QCOMPARE(unnamed, QStringList());
    }

    void cells_report_index_color_enabled_and_selected() {
        const QString small = folder_->filePath(QStringLiteral("small.clu"));
        const std::vector<std::uint16_t> words(words_.begin(), words_.begin() + 20);
        QVERIFY(write_clut_file(small, words));
        load_clut_file(window(), small);
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(window().grid());
        QVERIFY(grid != nullptr);
        QCOMPARE(grid->role(), QAccessible::List);
        QCOMPARE(grid->childCount(), 256);
        for (int i : {0, 17, 19}) {
            QAccessibleInterface* cell = grid->child(i);
            QCOMPARE(cell->text(QAccessible::Name),
                     expected_cell_name(i, words[static_cast<std::size_t>(i)]));
            QVERIFY(!cell->state().disabled);
            QVERIFY(!cell->state().selected);
            QCOMPARE(grid->indexOfChild(cell), i);
            QCOMPARE(cell->parent(), grid);
        }
        QCOMPARE(grid->child(20)->text(QAccessible::Name), QStringLiteral("Color 20: empty"));
        QVERIFY(grid->child(20)->state().disabled);  // beyond the colour count

        click_cell(window(), 17);
        click_cell(window(), 3, Qt::ControlModifier);
        QVERIFY(grid->child(17)->state().selected);
        QVERIFY(grid->child(3)->state().selected);
        QVERIFY(!grid->child(4)->state().selected);
        QVERIFY(grid->child(3)->state().focused);
        QCOMPARE(grid->focusChild(), grid->child(3));
        const QRect cell = grid->child(3)->rect();
        QCOMPARE(grid->childAt(cell.center().x(), cell.center().y()), grid->child(3));

        // The name follows an edit of the colour.
        QLineEdit* hex = window().field(ids::field_hex);
        hex->setFocus();
        hex->selectAll();
        QTest::keyClicks(hex, QStringLiteral("7C1F"));
        settle();
        QCOMPARE(grid->child(3)->text(QAccessible::Name),
                 QStringLiteral("Color 3: red 255, green 0, blue 255, hex 7C1F"));
    }

    void a_dropped_file_opens_and_an_unreadable_one_shows_an_error() {
        bool accepted = false;
        drop_file(window(), clut_, &accepted);
        QVERIFY(accepted);
        QVERIFY(window().state().palette_loaded != 0);
        QCOMPARE(window().state().palette[5].raw, words_[5]);
        QVERIFY2(cell_mismatch(window(), 5, color_of(decode_bgr555(words_[5])), false).isEmpty(),
                 "the dropped CLUT is not shown");

        QString title;
        QString text;
        when_dialog_opens(QStringLiteral("error_box"), [&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
        const QString missing = folder_->filePath(QStringLiteral("gone.clu"));
        drop_file(window(), missing, &accepted);
        QVERIFY(accepted);
        QCOMPARE(title, QStringLiteral("Error"));
        QVERIFY2(text.startsWith(QStringLiteral("Could not open \"%1\"").arg(missing)),
                 qPrintable(text));
        QCOMPARE(window().state().palette[5].raw, words_[5]);  // the window as it was
        QVERIFY(window().menu_action(ids::save_clut)->isEnabled());

        // Text, or two files at once, is not taken.
        QMimeData text_data;
        text_data.setText(QStringLiteral("kit.clu"));
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text_data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&window(), &enter);
        QVERIFY(!enter.isAccepted());
        QMimeData two;
        two.setUrls({QUrl::fromLocalFile(clut_), QUrl::fromLocalFile(missing)});
        QDragEnterEvent enter_two(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton,
                                  Qt::NoModifier);
        QApplication::sendEvent(&window(), &enter_two);
        QVERIFY(!enter_two.isAccepted());
    }

    void file_dialogs_remember_their_folder_between_runs() {
        QString opened_in;
        const auto note_and_cancel = [&opened_in](QWidget* dialog) {
            opened_in = qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
            qobject_cast<QFileDialog*>(dialog)->reject();
        };
        // Nothing remembered yet: the home folder, never the data folder.
        when_dialog_opens(QStringLiteral("open_dialog"), note_and_cancel);
        pick_menu(window(), 'f', 'l');
        QCOMPARE(opened_in, QDir::homePath());

        load_clut_file(window(), clut_);

        // The next run: Load and Save CLUT open where the CLUT was chosen,
        // the TEX file's dialog still in the home folder.
        window_.reset();
        start_window();
        when_dialog_opens(QStringLiteral("open_dialog"), note_and_cancel);
        pick_menu(window(), 'f', 'l');
        QCOMPARE(opened_in, QDir(folder_->path()).absolutePath());
        when_dialog_opens(QStringLiteral("open_dialog"), note_and_cancel);
        pick_menu(window(), 'f', 'e');
        QCOMPARE(opened_in, QDir::homePath());

        // A remembered folder that is gone: the home folder again.
        const QString gone = folder_->filePath(QStringLiteral("gone"));
        QVERIFY(QDir().mkpath(gone));
        const QString inside = gone + QStringLiteral("/kit.clu");
        QVERIFY(write_clut_file(inside, words_));
        load_clut_file(window(), inside);
        QVERIFY(QDir(gone).removeRecursively());
        window_.reset();
        start_window();
        when_dialog_opens(QStringLiteral("open_dialog"), note_and_cancel);
        pick_menu(window(), 'f', 'l');
        QCOMPARE(opened_in, QDir::homePath());
    }

    void help_and_version_answer_without_a_display() {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TAVRIN_PROGRAM), {QStringLiteral("--version")});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput().trimmed(), QByteArray("Tavrin 1.0.0"));
        program.start(QStringLiteral(TAVRIN_PROGRAM), {QStringLiteral("--help")});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        const QByteArray help = program.readAllStandardOutput();
        QVERIFY2(help.contains("[FILE]") && help.contains("--version"), help.constData());
    }
};

int main(int argc, char* argv[]) {
    // Before the application exists: the screen's ratio, and settings of
    // this test alone.
    qputenv("QT_SCALE_FACTOR", "2");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_test.moc"
