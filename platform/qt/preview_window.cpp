// Widgets of the texture preview, and their events handed to the core.
#include "platform/qt/preview_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "ui/preview.h"

namespace tavrin::qt {

namespace {

QString from_utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

PreviewWindow::PreviewWindow(EditorState& state, WindowLayer& layer)
    : QWidget(nullptr, Qt::Window), state_(state), layer_(layer) {
    setWindowTitle(QStringLiteral("Texture preview"));
    setObjectName(QStringLiteral("preview_window"));
    resize(520, 420);

    bar_ = new QWidget(this);
    auto* bar_layout = new QHBoxLayout(bar_);
    bar_layout->setContentsMargins(0, 0, 0, 0);
    file_ = new QLineEdit(bar_);
    file_->setPlaceholderText(QStringLiteral("File"));
    offset_ = new QLineEdit(bar_);
    offset_->setMaximumWidth(100);
    width_ = new QSpinBox(bar_);
    height_ = new QSpinBox(bar_);
    for (QSpinBox* box : {width_, height_}) {
        box->setRange(1, 4096);
    }
    file_->setObjectName(QStringLiteral("preview_file"));
    offset_->setObjectName(QStringLiteral("preview_offset"));
    width_->setObjectName(QStringLiteral("preview_width"));
    height_->setObjectName(QStringLiteral("preview_height"));
    depth_ = new QComboBox(bar_);
    depth_->addItem(QStringLiteral("4 bits"), 4);
    depth_->addItem(QStringLiteral("8 bits"), 8);
    bar_layout->addWidget(file_, 1);
    bar_layout->addWidget(new QLabel(QStringLiteral("Offset"), bar_));
    bar_layout->addWidget(offset_);
    bar_layout->addWidget(new QLabel(QStringLiteral("Width"), bar_));
    bar_layout->addWidget(width_);
    bar_layout->addWidget(new QLabel(QStringLiteral("Height"), bar_));
    bar_layout->addWidget(height_);
    bar_layout->addWidget(depth_);

    auto* tools = new QHBoxLayout;
    highlight_ = new QCheckBox(QStringLiteral("&Highlight selection"), this);
    auto* zoom_out = new QPushButton(QStringLiteral("-"), this);
    auto* zoom_in = new QPushButton(QStringLiteral("+"), this);
    auto* export_button = new QPushButton(QStringLiteral("&Export..."), this);
    for (QPushButton* button : {zoom_out, zoom_in, export_button}) {
        button->setFocusPolicy(Qt::NoFocus);
    }
    tools->addWidget(highlight_);
    // What transparent pixels show and how semi-transparent ones mix with it.
    background_ = new QComboBox(this);
    background_->setObjectName(QStringLiteral("preview_background"));
    background_->setAccessibleName(QStringLiteral("Background"));
    background_->addItem(QStringLiteral("Checkerboard"));
    background_->addItem(QStringLiteral("Color..."));
    blend_ = new QComboBox(this);
    blend_->setObjectName(QStringLiteral("preview_blend"));
    blend_->setAccessibleName(QStringLiteral("Semi-transparency"));
    blend_->addItem(QStringLiteral("Bit 15 ignored"), static_cast<int>(BlendMode::none));
    blend_->addItem(QStringLiteral("B/2 + F/2"), static_cast<int>(BlendMode::half));
    blend_->addItem(QStringLiteral("B + F"), static_cast<int>(BlendMode::add));
    blend_->addItem(QStringLiteral("B - F"), static_cast<int>(BlendMode::subtract));
    blend_->addItem(QStringLiteral("B + F/4"), static_cast<int>(BlendMode::quarter));
    tools->addWidget(new QLabel(QStringLiteral("Background"), this));
    tools->addWidget(background_);
    tools->addWidget(blend_);
    tools->addStretch(1);
    tools->addWidget(new QLabel(QStringLiteral("Zoom"), this));
    tools->addWidget(zoom_out);
    tools->addWidget(zoom_in);
    tools->addWidget(export_button);

    canvas_ = new PreviewCanvas(*this);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(canvas_);
    scroll_->setBackgroundRole(QPalette::Dark);
    status_ = new QLabel(this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addLayout(tools);
    layout->addWidget(scroll_, 1);
    layout->addWidget(status_);

    connect(file_, &QLineEdit::editingFinished, this, [this] { bar_edited(); });
    connect(offset_, &QLineEdit::editingFinished, this, [this] { bar_edited(); });
    for (QSpinBox* box : {width_, height_}) {
        connect(box, &QSpinBox::valueChanged, this, [this] { bar_edited(); });
    }
    connect(depth_, &QComboBox::currentIndexChanged, this, [this] { bar_edited(); });
    connect(highlight_, &QCheckBox::toggled, this,
            [this](bool on) { on_preview_highlight(state_, layer_, on); });
    connect(background_, &QComboBox::activated, this,
            [this](int index) { background_chosen(index); });
    connect(blend_, &QComboBox::currentIndexChanged, this, [this] { backdrop_changed(); });
    connect(zoom_out, &QPushButton::clicked, this, [this] { set_zoom(zoom_ - 1); });
    connect(zoom_in, &QPushButton::clicked, this, [this] { set_zoom(zoom_ + 1); });
    connect(export_button, &QPushButton::clicked, this,
            [this] { run_command(state_, layer_, ids::export_preview); });
    canvas_->setFocus();
}

void PreviewWindow::bar_edited() {
    if (writing_bar_) {
        return;
    }
    on_preview_bar_changed(
        state_, layer_,
        PreviewBarText{file_->text().toStdString(), offset_->text().toStdString(), width_->value(),
                       height_->value(), depth_->currentData().toInt()});
}

void PreviewWindow::background_chosen(int index) {
    if (index == 1) {
        const QColor color = QColorDialog::getColor(
            background_color_.isValid() ? background_color_ : QColor(0, 0, 0), this,
            QStringLiteral("Background"));
        if (!color.isValid()) {
            background_->setCurrentIndex(background_index_);  // cancelled: as it was
            return;
        }
        set_background_color(color);
        return;
    }
    background_index_ = index;
    backdrop_changed();
}

void PreviewWindow::set_background_color(const QColor& color) {
    background_color_ = color;
    background_->setItemText(1, QStringLiteral("Color %1...").arg(color.name().toUpper()));
    background_->setCurrentIndex(1);
    background_index_ = 1;
    backdrop_changed();
}

void PreviewWindow::backdrop_changed() {
    Backdrop backdrop;
    if (background_->currentIndex() == 1 && background_color_.isValid()) {
        backdrop.color = Rgb{static_cast<std::uint8_t>(background_color_.red()),
                             static_cast<std::uint8_t>(background_color_.green()),
                             static_cast<std::uint8_t>(background_color_.blue())};
    }
    backdrop.blend = static_cast<BlendMode>(blend_->currentData().toInt());
    on_preview_backdrop(state_, layer_, backdrop);
}

void PreviewWindow::set_image(int width, int height, std::span<const std::uint32_t> pixels) {
    QImage image(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    // Format_RGB32 holds each pixel as the 32-bit value 0xFFRRGGBB, as drawn.
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), pixels.data() + static_cast<std::size_t>(y) * width,
                    static_cast<std::size_t>(width) * sizeof(std::uint32_t));
    }
    image_ = std::move(image);
    canvas_->resize(image_.size() * zoom_);
    canvas_->update();
}

void PreviewWindow::set_status(const QString& text) {
    status_->setText(text);
}

QString PreviewWindow::status() const {
    return status_->text();
}

void PreviewWindow::set_bar(const PreviewBar& bar) {
    writing_bar_ = true;
    bar_->setVisible(bar.visible);
    file_->setText(from_utf8(bar.file));
    offset_->setText(from_utf8(bar.offset));
    width_->setValue(bar.width);
    height_->setValue(bar.height);
    depth_->setCurrentIndex(bar.bits_per_pixel == 4 ? 0 : 1);
    writing_bar_ = false;
}

void PreviewWindow::set_zoom(int zoom) {
    zoom_ = std::clamp(zoom, 1, 8);
    canvas_->resize(image_.size() * zoom_);
    canvas_->update();
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    on_preview_closed(state_, layer_);
    event->accept();
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (!handle_key(*event)) {
        QWidget::keyPressEvent(event);
    }
}

bool PreviewWindow::handle_key(const QKeyEvent& event) {
    const bool ctrl = (event.modifiers() & Qt::ControlModifier) != 0;
    if (ctrl && (event.key() == Qt::Key_Plus || event.key() == Qt::Key_Equal)) {
        set_zoom(zoom_ + 1);
        return true;
    }
    if (ctrl && event.key() == Qt::Key_Minus) {
        set_zoom(zoom_ - 1);
        return true;
    }
    static constexpr std::array<std::pair<int, PreviewKey>, 6> moves = {{
        {Qt::Key_PageUp, PreviewKey::page_up},
        {Qt::Key_PageDown, PreviewKey::page_down},
        {Qt::Key_Up, PreviewKey::up},
        {Qt::Key_Down, PreviewKey::down},
        {Qt::Key_Left, PreviewKey::left},
        {Qt::Key_Right, PreviewKey::right},
    }};
    const auto* move = std::ranges::find(moves, event.key(), &std::pair<int, PreviewKey>::first);
    if (move == moves.end()) {
        return false;
    }
    on_preview_key(state_, layer_, move->second);
    return true;
}

PreviewCanvas::PreviewCanvas(PreviewWindow& window) : QWidget(nullptr), window_(window) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(QStringLiteral("preview_canvas"));
}

QPoint PreviewCanvas::image_point(const QPoint& at) const {
    const int zoom = window_.zoom();
    return QPoint(at.x() >= 0 ? at.x() / zoom : -1, at.y() >= 0 ? at.y() / zoom : -1);
}

void PreviewCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QImage& image = window_.image();
    painter.drawImage(QRect(QPoint(0, 0), image.size() * window_.zoom()), image);
}

// Before the scroll area, which would take Page Up, Page Down and the arrows.
void PreviewCanvas::keyPressEvent(QKeyEvent* event) {
    if (!window_.handle_key(*event)) {
        QWidget::keyPressEvent(event);
    }
}

void PreviewCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pixel = image_point(event->position().toPoint());
    on_preview_hover(window_.state_, window_.layer_, pixel.x(), pixel.y());
}

void PreviewCanvas::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pixel = image_point(event->position().toPoint());
    const Modifiers modifiers{(event->modifiers() & Qt::ControlModifier) != 0,
                              (event->modifiers() & Qt::ShiftModifier) != 0};
    on_preview_clicked(window_.state_, window_.layer_, pixel.x(), pixel.y(), modifiers);
}

void PreviewCanvas::leaveEvent(QEvent*) {
    on_preview_hover(window_.state_, window_.layer_, -1, -1);
}

void PreviewCanvas::wheelEvent(QWheelEvent* event) {
    if ((event->modifiers() & Qt::ControlModifier) == 0) {
        event->ignore();  // the scroll area scrolls
        return;
    }
    window_.set_zoom(window_.zoom() + (event->angleDelta().y() > 0 ? 1 : -1));
    event->accept();
}

}  // namespace tavrin::qt
