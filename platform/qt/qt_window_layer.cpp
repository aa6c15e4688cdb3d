// The window layer on Qt widgets.
#include "platform/qt/qt_window_layer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QSlider>
#include <QUrl>

#include <system_error>
#include <thread>

#include "platform/qt/dialogs.h"
#include "platform/qt/finder_dialog.h"
#include "platform/qt/main_window.h"
#include "platform/qt/preview_window.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/swatch_widgets.h"
#include "ui/ids.h"

#ifndef TAVRIN_DATA_FROM_BIN
#define TAVRIN_DATA_FROM_BIN "../share/tavrin"
#endif

namespace tavrin::qt {

namespace {

// A modal window takes the focus from the main window; the core left the
// focused field before asking for it.
class ProgramFocusMove {
  public:
    explicit ProgramFocusMove(int& depth) : depth_(depth) { ++depth_; }
    ~ProgramFocusMove() { --depth_; }
    ProgramFocusMove(const ProgramFocusMove&) = delete;
    ProgramFocusMove& operator=(const ProgramFocusMove&) = delete;

  private:
    int& depth_;
};

// Every call of the core, carried out on the main window's widgets.
class MainWindowLayer final : public QtWindowLayer {
  public:
    explicit MainWindowLayer(MainWindow& window) : QtWindowLayer(window) {}

    void set_menu_item(int command_id, const MenuItemChange& change) override {
        QAction* action = window_.menu_action(command_id);
        if (action == nullptr) {
            return;
        }
        if (change.enabled) {
            action->setEnabled(*change.enabled);
        }
        if (change.checked) {
            action->setCheckable(true);
            action->setChecked(*change.checked);
        }
        if (change.text) {
            action->setText(from_std(*change.text));
        }
    }

    void set_up_panel(const PanelSetup& setup) override {
        for (int id : ids::sliders) {
            if (QSlider* slider = window_.slider(id)) {
                slider->setRange(setup.slider_minimum, setup.slider_maximum);
                slider->setTickInterval(setup.slider_tick_every);
            }
        }
        if (QLineEdit* field = window_.field(ids::field_hex)) {
            field->setMaxLength(setup.hex_characters);
        }
    }

    void show_field_text(int field_id, std::string_view text) override {
        if (QLineEdit* field = window_.field(field_id)) {
            field->setText(from_std(text));  // emits no textEdited: not the user's edit
        }
    }

    std::string field_text(int field_id) const override {
        if (const QLineEdit* field = window_.field(field_id)) {
            return field->text().toStdString();
        }
        return {};
    }

    void enable_control(int id, bool enabled) override {
        if (ids::is_swatch(id)) {
            ++moving_focus_;
            window_.grid()->set_cell_enabled(id - ids::first_swatch, enabled);
            --moving_focus_;
            return;
        }
        QWidget* widget = window_.control(id);
        if (widget == nullptr || widget->isEnabled() == enabled) {
            return;
        }
        ++moving_focus_;
        // A disabled control loses the focus to nobody, not to the next control.
        if (!enabled && widget->window()->focusWidget() == widget) {
            widget->clearFocus();
        }
        widget->setEnabled(enabled);
        --moving_focus_;
    }

    void set_control_value(int id, int value) override {
        if (QSlider* slider = window_.slider(id)) {
            slider->setValue(value);  // no action is triggered, so nothing is reported
        } else if (auto* box = qobject_cast<QCheckBox*>(window_.control(id))) {
            box->setChecked(value !=
                            0);  // clicked is the user's only: the program's write is silent
        }
    }

    void set_focus(int id) override {
        QWidget* widget = window_.control(id);
        if (widget == nullptr) {
            return;
        }
        ++moving_focus_;
        if (ids::is_swatch(id)) {
            window_.grid()->focus_cell(id - ids::first_swatch);
        } else {
            widget->setFocus(Qt::OtherFocusReason);
        }
        --moving_focus_;
    }

    int focused_control() const override {
        // While a modal dialog is up, no control of the main window has the focus.
        const QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != &window_) {
            return 0;
        }
        return window_.id_of(window_.focusWidget());
    }

    void fill_swatch(int id, Rgb color, CellMark mark) override {
        if (ColorBox* box = window_.box(id)) {
            box->fill(color);
        } else if (ids::is_swatch(id)) {
            window_.grid()->fill(id - ids::first_swatch, color, mark);
        }
    }

    void frame_cell(int index) override { window_.grid()->frame(index); }

    Rgb system_color(SystemColor which) const override {
        const QColor color = window_.palette().color(
            which == SystemColor::button_face ? QPalette::Button : QPalette::Midlight);
        return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
                static_cast<std::uint8_t>(color.blue())};
    }

    void request_repaint() override { window_.schedule_paint(); }

    std::optional<FileAnswer> file_dialog(const FileDialogRequest& request) override {
        ProgramFocusMove modal(moving_focus_);
        int filter = 0;
        auto path =
            run_file_dialog(&window_, request, request.kind == FileDialogKind::save, &filter);
        if (!path) {
            return std::nullopt;
        }
        return FileAnswer{*path, filter};
    }

    std::optional<int> select_clut_dialog(
        const std::vector<std::string>& entries,
        const std::function<std::optional<int>(std::string_view)>& accept) override {
        ProgramFocusMove modal(moving_focus_);
        SelectClutDialog dialog(entries, accept, &window_);
        dialog.exec();
        return dialog.chosen();
    }

    std::optional<ClutParamsAnswer> clut_params_dialog(std::string_view initial_count) override {
        ProgramFocusMove modal(moving_focus_);
        ClutParamsDialog dialog(initial_count, &window_);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.answer();
    }

    void run_finder(const FinderView& view,
                    const std::function<void(const FinderEvent&)>& report) override {
        ProgramFocusMove modal(moving_focus_);
        FinderDialog dialog(view, report, &window_);
        finder_ = &dialog;
        dialog.exec();
        finder_ = nullptr;
    }

    void show_finder(const FinderView& view) override {
        if (finder_ != nullptr) {
            finder_->show_view(view);
        }
    }

    std::optional<int> choose_from_list(std::string_view title, std::string_view prompt,
                                        const std::vector<std::string>& entries, int preselected,
                                        bool filter) override {
        ProgramFocusMove modal(moving_focus_);
        ListChoiceDialog dialog(title, prompt, entries, preselected, filter, &window_);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.chosen();
    }

    std::optional<ColorAdjustment> adjust_colors_dialog(
        const std::function<void(const ColorAdjustment&)>& changed) override {
        ProgramFocusMove modal(moving_focus_);
        AdjustColorsDialog dialog(changed, &window_);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.values();
    }

    void show_preview(const PreviewChange& change) override {
        PreviewWindow* preview = window_.preview();
        if (change.bring_forward) {
            preview->show();
            preview->raise();
            preview->activateWindow();
        }
        if (change.bar) {
            preview->set_bar(*change.bar);
        }
        if (change.image) {
            preview->set_image(change.image->width, change.image->height, change.image->pixels);
        }
    }

    void show_message(MessageKind kind, std::string_view message) override {
        ProgramFocusMove modal(moving_focus_);
        switch (kind) {
            case MessageKind::information:
                show_message_box(&window_, message);
                break;
            case MessageKind::error:
                show_error_box(&window_, message);
                break;
            case MessageKind::about: {
                AboutBox box(&window_);
                box.exec();
                break;
            }
        }
    }

    OpenDocumentResult open_document(const std::string& path) override {
        const QString file = QFile::decodeName(path.c_str());
        if (!QFileInfo(file).isFile()) {
            return OpenDocumentResult::not_found;
        }
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()))
                   ? OpenDocumentResult::opened
                   : OpenDocumentResult::failed;
    }

    void set_clipboard_colors(std::string_view text, std::string_view color_words) override {
        auto* data = new QMimeData;
        data->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        data->setData(QLatin1String(color_words_mime_type),
                      QByteArray(color_words.data(), static_cast<qsizetype>(color_words.size())));
        QGuiApplication::clipboard()->setMimeData(data);  // the clipboard owns it
    }

    std::optional<std::string> clipboard_text() override {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data == nullptr) {
            return std::nullopt;
        }
        if (data->hasFormat(QLatin1String(color_words_mime_type))) {
            return data->data(QLatin1String(color_words_mime_type)).toStdString();
        }
        if (data->hasText()) {
            return data->text().toStdString();
        }
        return std::nullopt;
    }

    void set_status_text(StatusLine line, std::string_view text) override {
        const QString note = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        if (line == StatusLine::preview) {
            window_.preview()->set_status(note);
            return;
        }
        window_.setWindowTitle(note.isEmpty() ? QStringLiteral("Tavrin")
                                              : QStringLiteral("Tavrin - ") + note);
    }

    void quit() override { QCoreApplication::exit(0); }
};

}  // namespace

std::unique_ptr<QtWindowLayer> make_window_layer(MainWindow& window) {
    return std::make_unique<MainWindowLayer>(window);
}

void QtWindowLayer::wake_finder() {
    if (finder_ != nullptr) {
        finder_->wake();
    }
}

FinderThreads finder_threads(QObject& receiver, QtWindowLayer& layer) {
    FinderThreads threads;
    threads.start = [](std::function<void()> work) {
        try {
            std::thread(std::move(work)).detach();
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    };
    // receiver lives as long as the program; a queued call is safe from any thread.
    threads.wake = [&receiver, &layer] {
        QMetaObject::invokeMethod(
            &receiver, [&layer] { layer.wake_finder(); }, Qt::QueuedConnection);
    };
    return threads;
}

std::string QtWindowLayer::program_dir() const {
    return find_program_dir(QCoreApplication::applicationDirPath());
}

std::string find_program_dir(const QString& binary_folder) {
    const QDir binary(binary_folder);
    const QString installed = binary.filePath(QStringLiteral(TAVRIN_DATA_FROM_BIN));
    const QString folder =
        QFileInfo(installed).isDir() ? QDir::cleanPath(installed) : binary.path();
    return QFile::encodeName(folder + QLatin1Char('/')).toStdString();
}

}  // namespace tavrin::qt
