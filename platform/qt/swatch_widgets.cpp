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
    : QWidget(parent), image_(grid_extent, grid_extent, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("swatch_grid"));
    setFixedSize(grid_extent, grid_extent);
    // Clicks never take the focus; the core moves it, and Tab reaches the grid.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    enabled_.fill(true);
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

// The window's colour around and inside the cells, each cell's sunken edge
// (shadow on the top and left, light on the bottom and right), then what the
// core has painted so far.
void SwatchGrid::draw_background() {
    image_.fill(palette().color(QPalette::Window));
    const QRgb shadow = palette().color(QPalette::Dark).rgb();
    const QRgb light = palette().color(QPalette::Light).rgb();
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    const int last = cell_outer_size - 1;
    for (int i = 0; i < palette_size; ++i) {
        const QRect outer = cell_rect(i);
        for (int y = 0; y < cell_outer_size; ++y) {
            auto* line = reinterpret_cast<QRgb*>(bits + (outer.y() + y) * stride) + outer.x();
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
        if (painted(i)) {
            stale_.set(static_cast<std::size_t>(i));
        }
    }
    update();
}

// Copies one cell's client pixels into the image.
void SwatchGrid::write_cell(int index) {
    const QRect outer = cell_rect(index);
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    const CellPixels& cell = cells_[static_cast<std::size_t>(index)];
    for (int y = 0; y < cell_client_size; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + (outer.y() + 1 + y) * stride) + outer.x() + 1;
        const Rgb* source = &cell.pixels[static_cast<std::size_t>(y * cell_client_size)];
        for (int x = 0; x < cell_client_size; ++x) {
            line[x] = to_qrgb(source[x]);
        }
    }
}

// A cell changed: it is copied into the image at the next paint, however
// often the core repaints it before then.
void SwatchGrid::mark_changed(int index) {
    painted_[static_cast<std::size_t>(index)] = true;
    stale_.set(static_cast<std::size_t>(index));
    // One growing rectangle keeps the widget's dirty region a single
    // rectangle however many cells change before the paint.
    const QRect outer = cell_rect(index);
    if (!dirty_.contains(outer)) {
        dirty_ |= outer;
        update(dirty_);
    }
}

void SwatchGrid::fill(int index, Rgb color) {
    if (!in_grid(index)) {
        return;
    }
    fill_cell_pixels(cells_[static_cast<std::size_t>(index)], color);
    mark_changed(index);
}

void SwatchGrid::frame(int index) {
    if (!in_grid(index)) {
        return;
    }
    frame_cell_pixels(cells_[static_cast<std::size_t>(index)]);
    mark_changed(index);
}

void SwatchGrid::set_cell_enabled(int index, bool enabled) {
    if (!in_grid(index) || cell_enabled(index) == enabled) {
        return;
    }
    enabled_[static_cast<std::size_t>(index)] = enabled;
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
    for (int i = 0; stale_.any() && i < palette_size; ++i) {
        if (stale_.test(static_cast<std::size_t>(i))) {
            write_cell(i);
            stale_.reset(static_cast<std::size_t>(i));
        }
    }
    dirty_ = QRect();
    // Whole pixels, also when the screen scales them up.
    QPainter(this).drawImage(event->rect(), image_, event->rect());
}

void SwatchGrid::mousePressEvent(QMouseEvent* event) {
    const int index = cell_at(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0 && cell_enabled(index) && on_click) {
        on_click(index, modifiers_of(event->modifiers()));
    }
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
