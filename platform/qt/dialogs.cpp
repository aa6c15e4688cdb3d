// The About box, "Select CLUT to modify" and "CLUT parameters" as the Win32
// templates IDD_ABOUT, IDD_SELECT_CLUT and IDD_CLUT_PARAMS lay them out, the
// file dialogs and the error box.
#include "platform/qt/dialogs.h"

#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QSlider>

#include "platform/qt/dialog_units.h"
#include "platform/qt/panel_widgets.h"
#include "platform/qt/qt_text.h"
#include "ui/adjust_commands.h"
#include "ui/field_text.h"
#include "ui/ids.h"

namespace tavrin::qt {

namespace {

// The dialog templates' font, 8 points at 96 DPI.
void use_template_font(QWidget* widget) {
    QFont font = widget->font();
    font.setPixelSize(11);
    widget->setFont(font);
}

void fix_client_size(QDialog* dialog, int width_units, int height_units) {
    dialog->setFixedSize(dlu_x(width_units), dlu_y(height_units));
}

}  // namespace

SelectClutDialog::SelectClutDialog(const std::vector<std::string>& entries, Accept accept,
                                   QWidget* parent)
    : QDialog(parent), accept_(std::move(accept)) {
    setObjectName(QStringLiteral("select_clut_dialog"));
    setWindowTitle(QStringLiteral("Select CLUT to modify"));
    // A caption without a system menu, so there is no close button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    use_template_font(this);
    fix_client_size(this, 200, 154);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setGeometry(dlu_rect(72, 133, 50, 14));
    ok_->setDefault(true);
    auto* group = new QGroupBox(QStringLiteral("CLUTs"), this);
    group->setGeometry(dlu_rect(18, 18, 160, 89));

    // The simple combo box ids::clut_list: the field on top, the list filling the rest.
    const QRect combo = dlu_rect(29, 33, 136, 57);
    const int edit_height = 21;
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("clut_edit"));
    edit_->setGeometry(combo.x(), combo.y(), combo.width(), edit_height);
    edit_->setAccessibleName(QStringLiteral("CLUT name"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("clut_list"));
    list_->setGeometry(combo.x(), combo.y() + edit_height, combo.width(),
                       combo.height() - edit_height);
    list_->setFocusPolicy(Qt::NoFocus);  // one tab stop for the whole combo box
    list_->setAccessibleName(QStringLiteral("CLUTs"));
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (const std::string& entry : entries) {
        list_->addItem(from_std(entry));
    }
    show_row(0);

    connect(list_, &QListWidget::itemPressed, this,
            [this](QListWidgetItem* item) { show_row(list_->row(item)); });
    connect(edit_, &QLineEdit::textEdited, this, [this](const QString& typed) {
        // The list follows the typing, but the field keeps exactly what was typed.
        QListWidgetItem* match = nullptr;
        for (int row = 0; row < list_->count() && !typed.isEmpty(); ++row) {
            if (list_->item(row)->text().startsWith(typed, Qt::CaseInsensitive)) {
                match = list_->item(row);
                break;
            }
        }
        list_->setCurrentItem(match);
        if (match != nullptr) {
            list_->scrollToItem(match);
        }
    });
    edit_->installEventFilter(this);
    connect(ok_, &QPushButton::clicked, this, &SelectClutDialog::ok_pressed);

    setTabOrder(ok_, edit_);
    ok_->setFocus();
}

void SelectClutDialog::show_row(int row) {
    if (row < 0 || row >= list_->count()) {
        return;
    }
    list_->setCurrentRow(row);
    edit_->setText(list_->item(row)->text());
}

bool SelectClutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        // Up and Down in the field step through the list, as in a combo box.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const int row = list_->currentRow();
            show_row(row < 0 ? 0 : row + (key == Qt::Key_Down ? 1 : -1));
            edit_->selectAll();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SelectClutDialog::ok_pressed() {
    const std::string typed = edit_->text().toStdString();
    if (const auto position = accept_(typed)) {
        chosen_ = position;
        done(QDialog::Accepted);
    }
}

AdjustColorsDialog::AdjustColorsDialog(Changed changed, QWidget* parent)
    : QDialog(parent), changed_(std::move(changed)) {
    setObjectName(QStringLiteral("adjust_colors_dialog"));
    setWindowTitle(QStringLiteral("Adjust colors"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    use_template_font(this);
    fix_client_size(this, 220, 101);

    static const std::array<const char*, 3> names = {"hue", "saturation", "lightness"};
    static const std::array<const char*, 3> labels = {"&Hue", "&Saturation", "&Lightness"};
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < 3; ++i) {
        const AdjustControl& control = adjust_controls[i];
        const int top = 7 + 20 * static_cast<int>(i);
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("_slider"));
        slider->setRange(control.minimum, control.maximum);
        slider->setPageStep(10);
        slider->setGeometry(dlu_rect(50, top, 120, 15));
        auto* field = new QLineEdit(QStringLiteral("0"), this);
        field->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("_field"));
        field->setGeometry(dlu_rect(176, top + 1, 37, 12));
        field->setMaxLength(4);
        QLabel* label =
            add_template_label(this, QString::fromLatin1(labels[i]), dlu_rect(7, top + 3, 40, 8));
        label->setBuddy(slider);
        slider->setAccessibleName(label->text().remove(QLatin1Char('&')));
        field->setAccessibleName(slider->accessibleName());
        sliders_[i] = slider;
        fields_[i] = field;
        connect(slider, &QSlider::valueChanged, this,
                [this, i](int position) { slider_moved(i, position); });
        connect(field, &QLineEdit::textEdited, this, [this, i] { field_edited(i); });
        if (previous != nullptr) {
            setTabOrder(previous, slider);
        }
        setTabOrder(slider, field);
        previous = field;
    }
    colorize_ = new QCheckBox(QStringLiteral("&Colorize"), this);
    colorize_->setObjectName(QStringLiteral("colorize"));
    colorize_->setGeometry(dlu_rect(50, 66, 120, 10));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(dlu_rect(106, 80, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(dlu_rect(163, 80, 50, 14));
    setTabOrder(previous, colorize_);
    setTabOrder(colorize_, ok);
    setTabOrder(ok, cancel);
    connect(colorize_, &QCheckBox::toggled, this, [this](bool on) {
        values_.colorize = on;
        report();
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    sliders_[0]->setFocus();
}

void AdjustColorsDialog::slider_moved(std::size_t which, int position) {
    values_.*adjust_controls[which].value = position;
    fields_[which]->setText(QString::number(position));
    report();
}

void AdjustColorsDialog::field_edited(std::size_t which) {
    const auto value =
        adjust_field_value(adjust_controls[which], fields_[which]->text().toStdString());
    if (!value) {
        return;
    }
    values_.*adjust_controls[which].value = *value;
    {
        const QSignalBlocker quiet(sliders_[which]);
        sliders_[which]->setValue(*value);
    }
    report();
}

void AdjustColorsDialog::report() {
    if (values_ != reported_) {
        reported_ = values_;
        changed_(values_);
    }
}

ClutParamsDialog::ClutParamsDialog(std::string_view initial_count, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("clut_params_dialog"));
    setWindowTitle(QStringLiteral("CLUT parameters"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    use_template_font(this);
    fix_client_size(this, 148, 86);

    offset_ = new QLineEdit(this);
    offset_->setObjectName(QStringLiteral("offset_field"));
    offset_->setGeometry(dlu_rect(68, 7, 73, 14));
    offset_->setAccessibleName(QStringLiteral("Offset"));
    offset_->setAccessibleDescription(QStringLiteral("To use hex address write 0x????"));
    count_ = new QLineEdit(this);
    count_->setObjectName(QStringLiteral("count_field"));
    count_->setGeometry(dlu_rect(68, 43, 73, 14));
    count_->setAccessibleName(QStringLiteral("Number of colors"));
    count_->setValidator(new DigitsValidator(count_));
    count_->setText(from_std(initial_count));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(dlu_rect(16, 64, 50, 15));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(dlu_rect(82, 64, 50, 15));
    add_template_label(this, QStringLiteral("Offset"), dlu_rect(7, 10, 20, 8));
    add_template_label(this, QStringLiteral("Number of colors"), dlu_rect(7, 46, 54, 8));
    add_template_label(this, QStringLiteral("To use hex address write 0x????"),
                       dlu_rect(7, 25, 105, 8));

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(offset_, count_);
    setTabOrder(count_, ok);
    setTabOrder(ok, cancel);
    offset_->setFocus();
}

ClutParamsAnswer ClutParamsDialog::answer() const {
    return {offset_->text().toStdString(), count_->text().toStdString()};
}

QString about_text() {
    QFile file(QStringLiteral(":/tavrin/about.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("about_box"));
    setWindowTitle(QStringLiteral("About..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    use_template_font(this);
    fix_client_size(this, 168, 189);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(dlu_rect(58, 168, 50, 14));
    ok->setDefault(true);

    // A bitmap static takes the size of its bitmap plus the sunken edge.
    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logo"));
    const QPixmap pixmap(QStringLiteral(":/tavrin/logo.bmp"));
    logo->setPixmap(pixmap);
    logo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    logo->setLineWidth(1);
    logo->setGeometry(QRect(dlu_rect(24, 7, 0, 0).topLeft(), pixmap.size() + QSize(2, 2)));
    logo->setAccessibleName(QStringLiteral("Tavrin logo"));

    auto* title = new QLabel(QStringLiteral("Tavrin\nKickvale 2000 CLUT Editor"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    title->setGeometry(dlu_rect(7, 40, 154, 48));

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("about_text"));
    text_->setGeometry(dlu_rect(7, 71, 154, 90));
    text_->setAccessibleName(QStringLiteral("About Tavrin"));
    text_->setReadOnly(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setPlainText(about_text());
    text_->installEventFilter(this);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(ok, text_);
    ok->setFocus();
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();  // the box has no Cancel
        return;
    }
    QDialog::keyPressEvent(event);
}

void AboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    text_->moveCursor(QTextCursor::Start);
    text_->verticalScrollBar()->setValue(0);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    // The text field takes Enter for itself (it would start a new line), so
    // Enter there does not close the box.
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString qt_name_filter(const FileFilter& filter) {
    QStringList patterns;
    for (const QString& pattern : from_std(filter.pattern).split(QLatin1Char(';'))) {
        const QString trimmed = pattern.trimmed();
        if (!trimmed.isEmpty()) {
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
    }
    return QStringLiteral("%1 (%2)").arg(from_std(filter.label), patterns.join(QLatin1Char(' ')));
}

QString remembered_folder_key(const FileDialogRequest& request) {
    QString name =
        request.filters.empty() ? QStringLiteral("any") : from_std(request.filters.front().label);
    for (QChar& c : name) {
        if (!c.isLetterOrNumber()) {
            c = QLatin1Char('_');
        }
    }
    return QStringLiteral("folders/") + name;
}

std::optional<std::string> run_file_dialog(QWidget* parent, const FileDialogRequest& request,
                                           bool save, int* chosen_filter) {
    QFileDialog dialog(parent);
    dialog.setObjectName(save ? QStringLiteral("save_dialog") : QStringLiteral("open_dialog"));
    // Only the labels show: they are the whole text the core gives the user,
    // and some already list their patterns. The patterns live in the part
    // that Qt hides.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    for (const FileFilter& filter : request.filters) {
        filters << qt_name_filter(filter);
    }
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) {
        dialog.selectNameFilter(filters.front());
    }
    // The dialog reopens on the path last chosen with it in this run, else in
    // the folder it was last used in (in an earlier run too), else in the
    // user's home folder: never in the program's data folder.
    QSettings settings(QStringLiteral("Tavrin"), QStringLiteral("Tavrin"));
    const QString folder_key = remembered_folder_key(request);
    if (!request.path.empty()) {
        const QFileInfo last(QFile::decodeName(request.path.c_str()));
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    } else {
        const QString remembered = settings.value(folder_key).toString();
        const bool usable = !remembered.isEmpty() && QFileInfo(remembered).isDir();
        dialog.setDirectory(usable ? remembered : QDir::homePath());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().front();
    settings.setValue(folder_key, QFileInfo(chosen).absolutePath());
    if (chosen_filter != nullptr) {
        *chosen_filter =
            std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    }
    return QFile::encodeName(chosen).toStdString();
}

void show_error_box(QWidget* parent, std::string_view message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), from_std(message),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("error_box"));
    box.exec();
}

void show_message_box(QWidget* parent, std::string_view message) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Tavrin"), from_std(message),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("message_box"));
    box.exec();
}

ListChoiceDialog::ListChoiceDialog(std::string_view title, std::string_view prompt,
                                   const std::vector<std::string>& entries, int preselected,
                                   bool filter, QWidget* parent)
    : QDialog(parent), entries_(entries) {
    setObjectName(QStringLiteral("list_dialog"));
    setWindowTitle(from_std(title));
    fix_client_size(this, 240, 160);
    auto* label = new QLabel(from_std(prompt), this);
    label->setGeometry(dlu_rect(7, 7, 226, 10));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("list_entries"));
    list_->setAccessibleName(from_std(prompt));
    list_->setGeometry(filter ? dlu_rect(7, 36, 226, 98) : dlu_rect(7, 20, 226, 114));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(dlu_rect(129, 140, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(dlu_rect(183, 140, 50, 14));
    connect(ok, &QPushButton::clicked, this, &ListChoiceDialog::pick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &ListChoiceDialog::pick);
    narrow(QString());
    if (preselected >= 0 && preselected < list_->count()) {
        list_->setCurrentRow(preselected);
    }
    list_->setFocus();
    if (filter) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("list_filter"));
        field->setAccessibleName(QStringLiteral("Filter"));
        field->setPlaceholderText(QStringLiteral("Type part of a name to narrow the list"));
        field->setGeometry(dlu_rect(7, 20, 226, 12));
        connect(field, &QLineEdit::textChanged, this, &ListChoiceDialog::narrow);
        setTabOrder(field, list_);
        field->setFocus();
    }
}

void ListChoiceDialog::narrow(const QString& typed) {
    const std::string text = typed.toStdString();
    list_->clear();
    shown_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (list_entry_matches(entries_[i], text)) {
            shown_.push_back(static_cast<int>(i));
            list_->addItem(from_std(entries_[i]));
        }
    }
    list_->setCurrentRow(list_->count() > 0 ? 0 : -1);
}

void ListChoiceDialog::pick() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(shown_.size())) {
        return;
    }
    chosen_ = shown_[static_cast<std::size_t>(row)];
    accept();
}

}  // namespace tavrin::qt
