// The modal windows: "Select CLUT to modify" (IDD_SELECT_CLUT), "CLUT
// parameters" (IDD_CLUT_PARAMS), the About box (IDD_ABOUT), the file dialogs and the error box.
// They only move text between widgets and the core; what OK means is the core's call.
#pragma once

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/window_layer.h"

class QCheckBox;
class QLineEdit;
class QSlider;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace tavrin::qt {

// An edit field above an always-visible list. Picking an item fills the field;
// typing never completes it. OK closes only when the core accepts the text;
// Escape and closing do nothing.
class SelectClutDialog : public QDialog {
  public:
    using Accept = std::function<std::optional<int>(std::string_view typed)>;

    SelectClutDialog(const std::vector<std::string>& entries, Accept accept, QWidget* parent);

    std::optional<int> chosen() const { return chosen_; }

    void reject() override {}  // Escape and Alt+F4 are ignored

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ok_pressed();
    void show_row(int row);

    Accept accept_;
    std::optional<int> chosen_;
    QLineEdit* edit_;
    QListWidget* list_;
    QPushButton* ok_;
};

// Offset and number of colours; Escape and the close button cancel.
class ClutParamsDialog : public QDialog {
  public:
    ClutParamsDialog(std::string_view initial_count, QWidget* parent);

    ClutParamsAnswer answer() const;

  private:
    QLineEdit* offset_;
    QLineEdit* count_;
};

// A list to pick one entry from (IDD_CHOOSE_FROM_LIST), with a filter field
// above it when asked for: the list keeps the entries list_entry_matches
// keeps for the typed text, and the answer is a position in all of them.
// Double-click or OK picks the current row; Escape cancels.
class ListChoiceDialog : public QDialog {
  public:
    ListChoiceDialog(std::string_view title, std::string_view prompt,
                     const std::vector<std::string>& entries, int preselected, bool filter,
                     QWidget* parent);

    std::optional<int> chosen() const { return chosen_; }

  private:
    void narrow(const QString& typed);
    void pick();

    const std::vector<std::string>& entries_;
    std::vector<int> shown_;  // the entry of each row
    std::optional<int> chosen_;
    QListWidget* list_;
};

// "Adjust colors" as IDD_ADJUST_COLORS lays it out: hue, saturation and
// lightness, each a slider and a field kept in step, and "Colorize". Every
// change the user makes is reported at once; the core shows it.
class AdjustColorsDialog : public QDialog {
  public:
    using Changed = std::function<void(const ColorAdjustment&)>;

    AdjustColorsDialog(Changed changed, QWidget* parent);

    const ColorAdjustment& values() const { return values_; }

  private:
    void slider_moved(std::size_t which, int position);
    void field_edited(std::size_t which);
    void report();

    Changed changed_;
    ColorAdjustment values_;
    ColorAdjustment reported_;
    std::array<QSlider*, 3> sliders_{};
    std::array<QLineEdit*, 3> fields_{};
    QCheckBox* colorize_ = nullptr;
};

// Logo, name, subtitle and the About text; OK, Enter and the close button
// close it, Escape does not.
class AboutBox : public QDialog {
  public:
    explicit AboutBox(QWidget* parent);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPlainTextEdit* text_;
};

// The About text shipped with the program, lines separated by "\n".
QString about_text();

// The settings key under which the folder last used with the dialogs of this
// request's filters is kept between runs (Load and Save CLUT share one, as
// they share their path in the editor).
QString remembered_folder_key(const FileDialogRequest& request);

// Qt's own file dialog (its filters ignore letter case, as FileFilter asks);
// a save asks nothing before replacing a file. nullopt: cancelled.
// chosen_filter, when given, receives the index of the filter left selected.
std::optional<std::string> run_file_dialog(QWidget* parent, const FileDialogRequest& request,
                                           bool save, int* chosen_filter = nullptr);

// "label (patterns)" as Qt wants it. The core's "*.*" means every file, names
// without a dot included, so it becomes Qt's "*".
QString qt_name_filter(const FileFilter& filter);

void show_error_box(QWidget* parent, std::string_view message);

// A short notice: caption "Tavrin", information icon, OK.
void show_message_box(QWidget* parent, std::string_view message);

}  // namespace tavrin::qt
