// Driving the real main window as a user would, for the widget tests, the
// screenshot command and the benchmark: answering modal dialogs as they open,
// typing into them, and a sample CLUT file to load.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

namespace tavrin::qt {
class MainWindow;
}  // namespace tavrin::qt

namespace tavrin::qt::testing {

// Runs act on the modal dialog with that object name once it is open
// ("open_dialog", "save_dialog", "select_clut_dialog", "clut_params_dialog",
// "about_box", "error_box"); gives up after a few seconds, and the test then
// fails on what it expected the dialog to do.
void when_dialog_opens(const QString& name, std::function<void(QWidget* dialog)> act);

// Forgets every dialog still awaited, so none outlives the test that set it up.
void forget_awaited_dialogs();

// Types a path into an open file dialog's name field and presses Enter.
void type_file_name(QWidget* file_dialog, const QString& path);

// Opens a menu of the menu bar by its mnemonic and picks an item by its
// mnemonic, with key presses (Alt+F, then L for Load CLUT...).
void pick_menu(MainWindow& window, char menu_key, char item_key);

// File > Load CLUT... through the file dialog.
void load_clut_file(MainWindow& window, const QString& path);

// 256 colour words: sixteen kit-like ramps from dark to light, row by row.
std::vector<std::uint16_t> sample_clut_words();

// Writes words little-endian to path; false when the file cannot be written.
bool write_clut_file(const QString& path, const std::vector<std::uint16_t>& words);

// A TEX file of 1024 bytes holding words as its first CLUT: header field 4
// points at a record at 0x100, whose field 12 points at the CLUT at 0x200.
bool write_tex_file(const QString& path, const std::vector<std::uint16_t>& words);

// An 8-bit TIM file of width x height pixels (width even) with one CLUT row
// of words; the pixel at i (row by row) has index i % 256.
bool write_tim_file(const QString& path, const std::vector<std::uint16_t>& words, int width,
                    int height);

// Real mouse and key events through the window, as the platform delivers them.
void click_cell(MainWindow& window, int index, Qt::KeyboardModifiers modifiers = {});
void press_key(MainWindow& window, int key, Qt::KeyboardModifiers modifiers = {});

// Makes the main window the active one again after a dialog closed, as a
// window manager would (the offscreen platform has none).
void activate(MainWindow& window);

// Runs posted events and paints, so the screen catches up with the last action.
void settle();

}  // namespace tavrin::qt::testing
