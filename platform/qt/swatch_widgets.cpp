// The swatch grid and the colour boxes.
#include "platform/qt/swatch_widgets.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace tavrin::qt {

namespace {

Modifiers modifiers_of(Qt::KeyboardModifiers held) {
    return {held.testFlag(Qt::ControlModifier), held.testFlag(Qt::ShiftModifier)};
}

QRgb to_qrgb(Rgb color) {
    return qRgb(color.red, color.green, color.blue);
}

}  // namespace

SwatchGrid::SwatchGrid(QWidget* parent)
    : QWidget(parent), tile_(cell_pitch, cell_pitch, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("swatch_grid"));
    setFixedSize(grid_extent, grid_extent);
    // Clicks never take the focus; the core moves it, and Tab reaches the grid.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    enabled_.fill(true);
    never_requested_.set();
    image_lacks_.set();
    draw_background();
}

int SwatchGrid::cell_at(QPoint point) {
    if (point.x() < 0 || point.y() < 0) {
        return -1;
    }
    const int column = point.x() / cell_pitch;
    const int row = point.y() / cell_pitch;
    const bool inside =
        point.x() % cell_pitch < cell_outer_size && point.y() % cell_pitch < cell_outer_size;
    return inside && column < grid_cells && row < grid_cells ? row * grid_cells + column : -1;
}

QRect SwatchGrid::cell_rect(int index) {
    return {cell_pitch * (index % grid_cells), cell_pitch * (index / grid_cells), cell_outer_size,
            cell_outer_size};
}

// One cell's place in the grid, a tile the background repeats: the
// window's colour, and the cell's sunken edge (shadow on the top and left,
// light on the bottom and right).
void SwatchGrid::draw_background() {
    tile_.fill(palette().color(QPalette::Window));
    const QRgb shadow = palette().color(QPalette::Dark).rgb();
    const QRgb light = palette().color(QPalette::Light).rgb();
    const int last = cell_outer_size - 1;
    for (int y = 0; y < cell_outer_size; ++y) {
        auto* line = reinterpret_cast<QRgb*>(tile_.scanLine(y));
        if (y == 0) {
            std::fill(line, line + last, shadow);
        } else if (y == last) {
            std::fill(line, line + cell_outer_size, light);
            continue;
        } else {
            line[0] = shadow;
        }
        line[last] = light;
    }
    if (!image_.isNull()) {
        QPainter(&image_).fillRect(image_.rect(), QBrush(tile_));
        image_lacks_.set();
    }
    update();
}

// The image of the whole grid is made when the first cell is painted: until
// then the tiles alone show, and the start-up spares the memory.
void SwatchGrid::ensure_image() {
    if (image_.isNull()) {
        image_ = QImage(grid_extent, grid_extent, QImage::Format_RGB32);
        QPainter(&image_).fillRect(image_.rect(), QBrush(tile_));
        image_lacks_.set();
    }
}

// Draws one cell's client pixels into the image, as the core painted them.
void SwatchGrid::write_cell(int index) {
    // A framed cell's pixels from the shared definition, once: each pixel's
    // frame colour, and a mask of those the frame draws (found with a colour
    // the frame never draws), so a cell is written without a branch per pixel.
    struct Frame {
        std::array<QRgb, cell_client_size * cell_client_size> color{};
        std::array<QRgb, cell_client_size * cell_client_size> mask{};
    };
    static const Frame frame = [] {
        constexpr Rgb untouched{1, 2, 3};
        CellPixels cell;
        fill_cell_pixels(cell, untouched);
        frame_cell_pixels(cell);
        Frame result;
        for (std::size_t k = 0; k < cell.pixels.size(); ++k) {
            if (cell.pixels[k] != untouched) {
                result.color[k] = to_qrgb(cell.pixels[k]);
                result.mask[k] = ~QRgb{0};
            }
        }
        return result;
    }();
    ensure_image();
    const auto i = static_cast<std::size_t>(index);
    const QRgb color = to_qrgb(looks_[i].color);
    const bool framed = looks_[i].framed;
    const QRect outer = cell_rect(index);
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int y = 0; y < cell_client_size; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + (outer.y() + 1 + y) * stride) + outer.x() + 1;
        if (!framed) {
            std::fill(line, line + cell_client_size, color);
            continue;
        }
        const std::size_t row = static_cast<std::size_t>(y) * cell_client_size;
        for (std::size_t x = 0; x < cell_client_size; ++x) {
            const QRgb mask = frame.mask[row + x];
            line[x] = (frame.color[row + x] & mask) | (color & ~mask);
        }
    }
    in_image_[i] = looks_[i];
    image_lacks_.reset(i);
}

// The core repaints every selected cell several times over for one click, and
// mostly with what it already showed. The cells are compared with what was
// last asked of Qt only once the core is done, so only those that differ are
// drawn and sent to the screen.
void SwatchGrid::mark_changed(int index) {
    painted_[static_cast<std::size_t>(index)] = true;
    if (!check_posted_) {
        check_posted_ = true;
        QMetaObject::invokeMethod(
            this, [this] { request_changed_cells(); }, Qt::QueuedConnection);
    }
}

bool SwatchGrid::needs_request(int index) const {
    const auto at = static_cast<std::size_t>(index);
    return painted_[at] && (never_requested_.test(at) || looks_[at] != requested_[at]);
}

void SwatchGrid::request_changed_cells() {
    check_posted_ = false;
    QRect bounds;
    std::array<int, 16> few{};
    std::size_t changed = 0;
    for (int i = 0; i < palette_size; ++i) {
        if (!needs_request(i)) {
            continue;
        }
        const auto at = static_cast<std::size_t>(i);
        requested_[at] = looks_[at];
        never_requested_.reset(at);
        bounds |= cell_rect(i);
        if (changed < few.size()) {
            few[changed] = i;
        }
        ++changed;
    }
    if (changed > few.size()) {
        update(bounds);  // one rectangle keeps Qt's dirty region cheap
        return;
    }
    for (std::size_t k = 0; k < changed; ++k) {
        update(cell_rect(few[k]));
    }
}

void SwatchGrid::fill(int index, Rgb color) {
    if (!in_grid(index)) {
        return;
    }
    looks_[static_cast<std::size_t>(index)] = {color, false};
    mark_changed(index);
}

void SwatchGrid::frame(int index) {
    if (!in_grid(index)) {
        return;
    }
    looks_[static_cast<std::size_t>(index)].framed = true;
    mark_changed(index);
}

void SwatchGrid::set_cell_enabled(int index, bool enabled) {
    if (!in_grid(index) || cell_enabled(index) == enabled) {
        return;
    }
    enabled_[static_cast<std::size_t>(index)] = enabled;
    if (index == 0) {
        // Tab skips a disabled cell 0, so it can never select a cell out of range.
        setFocusPolicy(enabled ? Qt::TabFocus : Qt::NoFocus);
    }
    if (!enabled && index == focused_ && hasFocus()) {
        clearFocus();
    }
}

void SwatchGrid::focus_cell(int index) {
    if (!in_grid(index)) {
        return;
    }
    focused_ = index;
    setFocus(Qt::OtherFocusReason);
}

bool SwatchGrid::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = cell_at(help->pos());
        // A disabled cell gets no mouse input, so its tip never shows.
        const auto text =
            index >= 0 && cell_enabled(index) && tooltip ? tooltip(index) : std::nullopt;
        if (text) {
            QToolTip::showText(help->globalPos(), *text, this, cell_rect(index));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void SwatchGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        draw_background();
    }
    QWidget::changeEvent(event);
}

void SwatchGrid::focusInEvent(QFocusEvent* event) {
    // Tab and Shift+Tab land on the grid's one tab stop, cell 0.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
        focused_ = 0;
    }
    QWidget::focusInEvent(event);
}

void SwatchGrid::paintEvent(QPaintEvent* event) {
    // Every cell is brought up to date, also those outside this paint (a grab
    // paints everything); one that changed since its request is requested again.
    for (int i = 0; i < palette_size; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (painted_[at] && (image_lacks_.test(at) || in_image_[at] != looks_[at])) {
            write_cell(i);
        }
    }
    // Whole pixels, also when the screen scales them up.
    QPainter painter(this);
    if (image_.isNull()) {
        painter.fillRect(event->rect(), QBrush(tile_));
        return;
    }
    for (const QRect& rect : event->region()) {
        painter.drawImage(rect, image_, rect);
    }
}

void SwatchGrid::mousePressEvent(QMouseEvent* event) {
    const int index = cell_at(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0 && cell_enabled(index) && on_click) {
        on_click(index, modifiers_of(event->modifiers()));
    }
}

void SwatchGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt's default would deliver the second press as another click.
    event->accept();
}

void SwatchGrid::keyPressEvent(QKeyEvent* event) {
    // Every key stops here, as a cell answers every key-down; only arrows act.
    std::optional<ArrowKey> arrow;
    switch (event->key()) {
        case Qt::Key_Left:
            arrow = ArrowKey::left;
            break;
        case Qt::Key_Up:
            arrow = ArrowKey::up;
            break;
        case Qt::Key_Right:
            arrow = ArrowKey::right;
            break;
        case Qt::Key_Down:
            arrow = ArrowKey::down;
            break;
        default:
            break;
    }
    if (arrow && on_arrow) {
        on_arrow(*arrow, modifiers_of(event->modifiers()));
    }
    event->accept();
}

ColorBox::ColorBox(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ColorBox::fill(Rgb color) {
    color_ = color;
    update();
}

void ColorBox::paintEvent(QPaintEvent*) {
    if (color_) {
        QPainter(this).fillRect(rect(), QColor(to_qrgb(*color_)));
    }
}

void ColorBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && on_double_click) {
        on_double_click();
    }
}

}  // namespace tavrin::qt
