// The finder window on Qt widgets.
#include "platform/qt/finder_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"

namespace tavrin::qt {

FinderDialog::FinderDialog(const FinderView& view, std::function<void(const FinderEvent&)> reporter,
                           QWidget* parent)
    : QDialog(parent), report_(std::move(reporter)) {
    setObjectName(QStringLiteral("finder_dialog"));
    setWindowTitle(QStringLiteral("Find CLUT in file"));

    file_ = new QLabel(this);
    file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    target_ = new QComboBox(this);
    target_->setObjectName(QStringLiteral("target"));
    for (std::size_t i = 0; i < view.targets.size(); ++i) {
        target_->addItem(QString());
    }
    ignore_bit15_ = new QCheckBox(QStringLiteral("&Ignore bit 15"), this);
    ignore_bit15_->setObjectName(QStringLiteral("ignore_bit15"));
    tolerance_ = new QSpinBox(this);
    tolerance_->setObjectName(QStringLiteral("tolerance"));
    tolerance_->setRange(0, 31);
    tolerance_->setSpecialValueText(QStringLiteral("Exact"));
    align_ = new QComboBox(this);
    align_->setObjectName(QStringLiteral("align"));
    align_->addItems({QStringLiteral("Even offsets"), QStringLiteral("Any byte")});
    min_matching_ = new QSpinBox(this);
    min_matching_->setObjectName(QStringLiteral("min_matching"));
    min_matching_->setRange(0, 256);
    min_matching_->setSpecialValueText(QStringLiteral("All"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Look for:"), target_);
    form->addRow(QString(), ignore_bit15_);
    form->addRow(QStringLiteral("&Tolerance per channel:"), tolerance_);
    form->addRow(QStringLiteral("&Alignment:"), align_);
    form->addRow(QStringLiteral("&Minimum matching colors:"), min_matching_);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("hits"));
    list_->setMinimumSize(420, 200);
    list_->setUniformItemSizes(true);  // thousands of rows stay cheap
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 1000);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));

    find_ = new QPushButton(QStringLiteral("&Find"), this);
    find_->setObjectName(QStringLiteral("find"));
    find_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName(QStringLiteral("close"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(find_);
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file_);
    layout->addLayout(form);
    layout->addWidget(list_, 1);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    show_view(view);

    const auto changed = [this] { report(FinderEvent::Kind::options_changed); };
    connect(target_, &QComboBox::currentIndexChanged, this, changed);
    connect(ignore_bit15_, &QCheckBox::toggled, this, changed);
    connect(tolerance_, &QSpinBox::valueChanged, this, changed);
    connect(align_, &QComboBox::currentIndexChanged, this, changed);
    connect(min_matching_, &QSpinBox::valueChanged, this, changed);
    connect(find_, &QPushButton::clicked, this, [this] { report(FinderEvent::Kind::find); });
    connect(cancel_, &QPushButton::clicked, this, [this] { report(FinderEvent::Kind::cancel); });
    connect(close_, &QPushButton::clicked, this, [this] { report(FinderEvent::Kind::close); });
    connect(list_, &QListWidget::currentRowChanged, this,
            [this](int row) { report(FinderEvent::Kind::row_selected, row); });
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        report(FinderEvent::Kind::row_selected, list_->row(item));
    });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        report(FinderEvent::Kind::row_chosen, list_->row(item));
    });
}

FinderOptions FinderDialog::options() const {
    FinderOptions options;
    options.target = static_cast<FinderTarget>(target_->currentIndex());
    options.ignore_bit15 = ignore_bit15_->isChecked();
    options.tolerance = tolerance_->value();
    options.align = align_->currentIndex() == 1 ? 1 : 2;
    options.min_matching = min_matching_->value();
    return options;
}

void FinderDialog::report(FinderEvent::Kind kind, int row) {
    if (showing_ || !report_) {
        return;
    }
    report_(FinderEvent{kind, options(), row});
}

void FinderDialog::show_view(const FinderView& view) {
    showing_ = true;
    file_->setText(QStringLiteral("File: ") + from_std(view.file));
    for (int i = 0; i < target_->count() && i < static_cast<int>(view.targets.size()); ++i) {
        const QString text = from_std(view.targets[static_cast<std::size_t>(i)]);
        if (target_->itemText(i) != text) {
            target_->setItemText(i, text);
        }
    }
    const FinderOptions& shown = view.options;
    if (options() != shown) {
        target_->setCurrentIndex(static_cast<int>(shown.target));
        ignore_bit15_->setChecked(shown.ignore_bit15);
        tolerance_->setValue(shown.tolerance);
        align_->setCurrentIndex(shown.align == 1 ? 1 : 0);
        min_matching_->setValue(shown.min_matching);
    }
    target_->setEnabled(view.target_enabled);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{ignore_bit15_, tolerance_, align_, min_matching_}) {
        widget->setEnabled(view.clut_options_enabled);
    }
    find_->setEnabled(view.find_enabled);
    cancel_->setEnabled(view.cancel_enabled);

    const int kept = static_cast<int>(view.rows_kept);
    if (kept == 0) {
        list_->clear();
    }
    while (list_->count() > kept) {
        delete list_->takeItem(list_->count() - 1);
    }
    if (!view.added_rows.empty()) {
        QStringList rows;
        rows.reserve(static_cast<qsizetype>(view.added_rows.size()));
        for (const std::string& row : view.added_rows) {
            rows << from_std(row);
        }
        list_->addItems(rows);
    }
    if (list_->currentRow() != view.current_row) {
        list_->setCurrentRow(view.current_row);
    }
    progress_->setValue(view.progress);
    status_->setText(from_std(view.status));
    switch (view.focus) {
        case FinderFocus::keep:
            break;
        case FinderFocus::find:
            find_->setFocus();
            break;
        case FinderFocus::cancel:
            cancel_->setFocus();
            break;
        case FinderFocus::hits:
            list_->setFocus();
            break;
    }
    showing_ = false;
    if (!view.open) {
        QDialog::done(QDialog::Rejected);
    }
}

void FinderDialog::reject() {
    report(FinderEvent::Kind::close);
    if (!report_) {
        QDialog::reject();
    }
}

}  // namespace tavrin::qt
