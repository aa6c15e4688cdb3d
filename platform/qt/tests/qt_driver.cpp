// Helpers that act on the real widgets with real events.
#include "platform/qt/tests/qt_driver.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

#include "platform/qt/main_window.h"
#include "platform/qt/swatch_widgets.h"

namespace tavrin::qt::testing {

namespace {

// Parent of the timers that wait for dialogs.
QObject& watchers() {
    static auto* parent = new QObject(qApp);
    return *parent;
}

}  // namespace

void when_dialog_opens(const QString& name, std::function<void(QWidget* dialog)> act) {
    auto* timer = new QTimer(&watchers());
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, name, act = std::move(act)] {
        // Acted on once it is the active window, with its initial focus set.
        QWidget* dialog = QApplication::activeModalWidget();
        const bool ready = dialog != nullptr && dialog->isVisible() &&
                           dialog->objectName() == name && QApplication::activeWindow() == dialog;
        if (!ready && clock->elapsed() < 5000) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (ready) {
            act(dialog);
        }
    });
    timer->start();
}

void forget_awaited_dialogs() {
    for (QTimer* timer : watchers().findChildren<QTimer*>()) {
        timer->stop();
        timer->deleteLater();
    }
}

void type_file_name(QWidget* file_dialog, const QString& path) {
    auto* name = file_dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = file_dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (name == nullptr || buttons == nullptr) {
        return;
    }
    QPushButton* accept = buttons->button(QDialogButtonBox::Open);
    if (accept == nullptr) {
        accept = buttons->button(QDialogButtonBox::Save);
    }
    // Typed into a field that has the focus of an active dialog, as a user's
    // typing is; the dialog treats a field without focus differently.
    (void)QTest::qWaitForWindowActive(file_dialog);
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, path);
    // The dialog enables its button once it has listed the file's folder.
    if (accept != nullptr) {
        (void)QTest::qWaitFor([accept] { return accept->isEnabled(); }, 3000);
    }
    QTest::keyClick(name, Qt::Key_Return);
}

void activate(MainWindow& window) {
    if (QApplication::activeWindow() != &window && QApplication::activeModalWidget() == nullptr) {
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window);
    }
}

void pick_menu(MainWindow& window, char menu_key, char item_key) {
    activate(window);
    QTest::keyClick(window.windowHandle(), menu_key, Qt::AltModifier);
    // Picking the item runs its command, which may itself open a dialog; the
    // key press returns once that is over.
    if (QWidget* popup = QApplication::activePopupWidget()) {
        QTest::keyClick(popup, item_key);
    }
}

void load_clut_file(MainWindow& window, const QString& path) {
    when_dialog_opens(QStringLiteral("open_dialog"),
                      [path](QWidget* dialog) { type_file_name(dialog, path); });
    pick_menu(window, 'f', 'l');
    activate(window);
    settle();
}

std::vector<std::uint16_t> sample_clut_words() {
    // Base colours of the ramps, 5 bits per channel.
    static const int bases[16][3] = {{31, 2, 2},   {30, 30, 30}, {3, 8, 28},   {31, 26, 2},
                                     {4, 22, 6},   {6, 6, 6},    {31, 14, 1},  {18, 4, 26},
                                     {10, 22, 31}, {20, 2, 6},   {2, 4, 14},   {29, 22, 16},
                                     {24, 24, 26}, {2, 20, 20},  {31, 10, 20}, {16, 12, 6}};
    std::vector<std::uint16_t> words;
    for (const auto& base : bases) {
        for (int step = 0; step < 16; ++step) {
            int channel[3];
            for (int c = 0; c < 3; ++c) {
                // Dark to the base in the first half, towards white in the second.
                channel[c] = step < 8 ? base[c] * (step + 3) / 10
                                      : base[c] + (31 - base[c]) * (step - 7) / 12;
                channel[c] = channel[c] > 31 ? 31 : channel[c];
            }
            words.push_back(
                static_cast<std::uint16_t>(channel[0] | channel[1] << 5 | channel[2] << 10));
        }
    }
    return words;
}

bool write_clut_file(const QString& path, const std::vector<std::uint16_t>& words) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    QByteArray bytes;
    for (std::uint16_t word : words) {
        bytes.append(static_cast<char>(word & 0xFF));
        bytes.append(static_cast<char>(word >> 8));
    }
    return file.write(bytes) == bytes.size();
}

bool write_tex_file(const QString& path, const std::vector<std::uint16_t>& words) {
    QByteArray tex(1024, '\0');
    tex[5] = 0x01;
    tex[0x100 + 13] = 0x02;
    for (std::size_t i = 0; i < words.size() && i < 256; ++i) {
        tex[static_cast<qsizetype>(0x200 + 2 * i)] = static_cast<char>(words[i] & 0xFF);
        tex[static_cast<qsizetype>(0x200 + 2 * i + 1)] = static_cast<char>(words[i] >> 8);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(tex) == tex.size();
}

bool write_tim_file(const QString& path, const std::vector<std::uint16_t>& words, int width,
                    int height) {
    QByteArray tim;
    const auto put = [&tim](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            tim.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
        }
    };
    put(0x10, 4);
    put(9, 4);
    put(static_cast<std::uint32_t>(12 + 2 * words.size()), 4);
    put(0, 4);
    put(static_cast<std::uint32_t>(words.size()), 2);
    put(1, 2);
    for (std::uint16_t word : words) {
        put(word, 2);
    }
    put(static_cast<std::uint32_t>(12 + width * height), 4);
    put(0, 4);
    put(static_cast<std::uint32_t>(width / 2), 2);
    put(static_cast<std::uint32_t>(height), 2);
    for (int i = 0; i < width * height; ++i) {
        tim.append(static_cast<char>(i % 256));
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(tim) == tim.size();
}

void click_cell(MainWindow& window, int index, Qt::KeyboardModifiers modifiers) {
    activate(window);
    SwatchGrid* grid = window.grid();
    const QPoint centre = grid->mapTo(&window, SwatchGrid::cell_rect(index).center());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, modifiers, centre);
}

void press_key(MainWindow& window, int key, Qt::KeyboardModifiers modifiers) {
    activate(window);
    QTest::keyClick(window.windowHandle(), static_cast<Qt::Key>(key), modifiers);
}

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

}  // namespace tavrin::qt::testing
