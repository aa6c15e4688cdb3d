// The finder window and its scanning thread.
#include "platform/qt/finder_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"

namespace tavrin::qt {

namespace {

// The combo box rows, in FinderTarget order.
QString target_text(FinderTarget target, const FinderRequest& request) {
    switch (target) {
        case FinderTarget::live_colors:
            return QStringLiteral("The table's colors (%1)").arg(request.live_words.size());
        case FinderTarget::selection:
            return QStringLiteral("The selected colors (%1)").arg(request.selected_words.size());
        case FinderTarget::tim:
            return QStringLiteral("TIM images");
        case FinderTarget::palettes:
            return QStringLiteral("Palette-like runs");
    }
    return {};
}

}  // namespace

FinderDialog::FinderDialog(FinderRequest request, QWidget* parent)
    : QDialog(parent), request_(std::move(request)) {
    setObjectName(QStringLiteral("finder_dialog"));
    setWindowTitle(QStringLiteral("Find CLUT in file"));

    auto* file = new QLabel(QStringLiteral("File: ") + from_std(request_.path), this);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    target_ = new QComboBox(this);
    target_->setObjectName(QStringLiteral("target"));
    for (FinderTarget target : {FinderTarget::live_colors, FinderTarget::selection,
                                FinderTarget::tim, FinderTarget::palettes}) {
        target_->addItem(target_text(target, request_));
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
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    status_ = new QLabel(QStringLiteral("Double-click a hit to load its CLUT."), this);
    status_->setObjectName(QStringLiteral("status"));

    find_ = new QPushButton(QStringLiteral("&Find"), this);
    find_->setObjectName(QStringLiteral("find"));
    find_->setDefault(true);
    cancel_button_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_button_->setObjectName(QStringLiteral("cancel"));
    cancel_button_->setEnabled(false);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName(QStringLiteral("close"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(find_);
    buttons->addWidget(cancel_button_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addLayout(form);
    layout->addWidget(list_, 1);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    show_options(request_.options);
    connect(target_, &QComboBox::currentIndexChanged, this, [this] { update_option_controls(); });
    connect(find_, &QPushButton::clicked, this, [this] { start(); });
    connect(cancel_button_, &QPushButton::clicked, this, [this] { cancel_ = true; });
    connect(close_, &QPushButton::clicked, this, [this] { reject(); });
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { choose(item); });
}

FinderDialog::~FinderDialog() {
    stop();
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

void FinderDialog::show_options(const FinderOptions& options) {
    target_->setCurrentIndex(static_cast<int>(options.target));
    ignore_bit15_->setChecked(options.ignore_bit15);
    tolerance_->setValue(options.tolerance);
    align_->setCurrentIndex(options.align == 1 ? 1 : 0);
    min_matching_->setValue(options.min_matching);
    update_option_controls();
}

void FinderDialog::update_option_controls() {
    const auto target = static_cast<FinderTarget>(target_->currentIndex());
    const bool clut = target == FinderTarget::live_colors || target == FinderTarget::selection;
    const bool idle = !scanning();
    target_->setEnabled(idle);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{ignore_bit15_, tolerance_, align_, min_matching_}) {
        widget->setEnabled(idle && clut);
    }
    find_->setEnabled(idle);
    cancel_button_->setEnabled(!idle);
}

void FinderDialog::start() {
    if (scanning() || answer_) {  // Enter on a hit also reaches the default button
        return;
    }
    list_->clear();
    shown_.clear();
    // The controls about to be grayed may hold the focus: Cancel takes it.
    cancel_button_->setEnabled(true);
    cancel_button_->setFocus();
    pending_.clear();
    progress_->setValue(0);
    status_->setText(from_std(finder_progress_text(0, 1, 0)));
    cancel_ = false;
    running_options_ = options();
    // The thread sees only copies and the members that are made for sharing;
    // every widget is touched back here, on the GUI thread.
    worker_ = std::thread([this, request = request_, options = running_options_] {
        search::Observer observer;
        observer.cancel = &cancel_;
        observer.hit = [this](const search::Hit& hit) {
            bool first = false;
            {
                std::lock_guard lock(pending_mutex_);
                first = pending_.empty();
                pending_.push_back(hit);
            }
            if (first) {
                QMetaObject::invokeMethod(
                    this, [this] { take_hits(); }, Qt::QueuedConnection);
            }
        };
        observer.progress = [this](std::uint64_t done, std::uint64_t total) {
            QMetaObject::invokeMethod(
                this, [this, done, total] { progress(done, total); }, Qt::QueuedConnection);
        };
        const search::ScanResult result = run_finder_scan(request, options, observer);
        QMetaObject::invokeMethod(
            this, [this, result] { finished(result); }, Qt::QueuedConnection);
    });
    update_option_controls();
}

void FinderDialog::stop() {
    if (worker_.joinable()) {
        cancel_ = true;
        worker_.join();
    }
}

void FinderDialog::take_hits() {
    std::vector<search::Hit> hits;
    {
        std::lock_guard lock(pending_mutex_);
        hits.swap(pending_);
    }
    for (const search::Hit& hit : hits) {
        shown_.push_back(hit);
        list_->addItem(from_std(finder_hit_text(hit)));
    }
}

void FinderDialog::progress(std::uint64_t done, std::uint64_t total) {
    if (!scanning()) {
        return;
    }
    progress_->setValue(total == 0 ? 1000 : static_cast<int>(done * 1000 / total));
    status_->setText(from_std(finder_progress_text(done, total, shown_.size())));
}

void FinderDialog::finished(const search::ScanResult& result) {
    if (worker_.joinable()) {
        worker_.join();
    }
    take_hits();
    if (result.end == search::ScanEnd::done) {
        progress_->setValue(1000);
    }
    status_->setText(from_std(finder_end_text(result)));
    update_option_controls();
    // The keyboard goes on to the hits, the first one selected: Enter loads it.
    if (list_->count() > 0) {
        if (list_->currentRow() < 0) {
            list_->setCurrentRow(0);
        }
        list_->setFocus();
    }
}

void FinderDialog::choose(QListWidgetItem* item) {
    const int row = list_->row(item);
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) {
        return;
    }
    answer_ = FinderAnswer{shown_[static_cast<std::size_t>(row)], running_options_};
    stop();
    accept();
}

void FinderDialog::reject() {
    stop();
    QDialog::reject();
}

}  // namespace tavrin::qt
