// The swatch grid and the colour boxes.
#include "platform/qt/swatch_widgets.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <utility>

namespace tavrin::qt {

namespace {

Modifiers modifiers_of(Qt::KeyboardModifiers held) {
    return {held.testFlag(Qt::ControlModifier), held.testFlag(Qt::ShiftModifier)};
}

QRgb to_qrgb(Rgb color) {
    return qRgb(color.red, color.green, color.blue);
}

}  // namespace

SwatchGrid::SwatchGrid(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("swatch_grid"));
    setFixedSize(grid_extent, grid_extent);
    // Clicks never take the focus; the core moves it, and Tab reaches the grid.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    enabled_.fill(true);
    never_requested_.set();
    image_lacks_.set();
    match_screen_resolution();
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

// A new tile, and a new image once one is needed, when the screen's pixel
// ratio is not theirs (the first time, and when the window moves to another
// screen).
void SwatchGrid::match_screen_resolution() {
    const qreal ratio = devicePixelRatioF();
    if (!tile_.isNull() && tile_.devicePixelRatio() == ratio) {
        return;
    }
    for (int i = 0; i <= grid_extent; ++i) {
        edge_[static_cast<std::size_t>(i)] = qRound(i * ratio);
    }
    const int tile_side = edge_[cell_pitch];
    tile_ = QImage(tile_side, tile_side, QImage::Format_RGB32);
    tile_.setDevicePixelRatio(ratio);
    const bool had_image = !image_.isNull();
    image_ = QImage();
    draw_background();
    if (had_image) {
        ensure_image();
    }
}

// Widget pixel (x, y) of an image as the block of device pixels it covers.
void SwatchGrid::put_pixel(QImage& image, int x, int y, QRgb color) const {
    const auto ux = static_cast<std::size_t>(x);
    const auto uy = static_cast<std::size_t>(y);
    for (int row = edge_[uy]; row < edge_[uy + 1]; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        std::fill(line + edge_[ux], line + edge_[ux + 1], color);
    }
}

// A cell's sunken edge: shadow on the top and left, light on the bottom and
// right.
void SwatchGrid::draw_edges(QImage& image, QPoint cell_origin) const {
    const QRgb shadow = palette().color(QPalette::Dark).rgb();
    const QRgb light = palette().color(QPalette::Light).rgb();
    const int last = cell_outer_size - 1;
    const int x = cell_origin.x();
    const int y = cell_origin.y();
    for (int k = 0; k < cell_outer_size; ++k) {
        put_pixel(image, x + k, y, k < last ? shadow : light);
        put_pixel(image, x, y + k, k < last ? shadow : light);
        put_pixel(image, x + k, y + last, light);
        put_pixel(image, x + last, y + k, light);
    }
}

// One cell's place in the grid, a tile the background repeats: the window's
// colour and the cell's sunken edge.
void SwatchGrid::draw_background() {
    tile_.fill(palette().color(QPalette::Window));
    draw_edges(tile_, QPoint(0, 0));
    if (!image_.isNull()) {
        image_.fill(palette().color(QPalette::Window));
        for (int i = 0; i < palette_size; ++i) {
            draw_edges(image_, cell_rect(i).topLeft());
        }
        image_lacks_.set();
    }
    update();
}

// The image of the whole grid is made when the first cell is painted: until
// then the tiles alone show, and the start-up spares the memory.
void SwatchGrid::ensure_image() {
    if (image_.isNull()) {
        const int side = edge_[grid_extent];
        image_ = QImage(side, side, QImage::Format_RGB32);
        image_.setDevicePixelRatio(tile_.devicePixelRatio());
        image_.fill(palette().color(QPalette::Window));
        for (int i = 0; i < palette_size; ++i) {
            draw_edges(image_, cell_rect(i).topLeft());
        }
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
    const int left = outer.x() + 1;
    const int top = outer.y() + 1;
    const int device_left = edge_[static_cast<std::size_t>(left)];
    const int device_width = edge_[static_cast<std::size_t>(left + cell_client_size)] - device_left;
    // One row of the cell in device pixels, repeated for each device row the
    // widget row covers.
    QVarLengthArray<QRgb, 128> row(device_width);
    // A marked cell, rare, is drawn from the shared pixel definition whole.
    std::optional<CellPixels> marked;
    if (looks_[i].mark != CellMark::none) {
        marked.emplace();
        fill_cell_pixels(*marked, looks_[i].color);
        mark_cell_pixels(*marked, looks_[i].color, looks_[i].mark);
        if (framed) {
            frame_cell_pixels(*marked);
        }
    }
    for (int y = 0; y < cell_client_size; ++y) {
        if (marked) {
            for (std::size_t x = 0; x < cell_client_size; ++x) {
                const QRgb pixel = to_qrgb(marked->at(static_cast<int>(x), y));
                const auto from = edge_[static_cast<std::size_t>(left) + x] - device_left;
                const auto to = edge_[static_cast<std::size_t>(left) + x + 1] - device_left;
                std::fill(row.begin() + from, row.begin() + to, pixel);
            }
        } else if (!framed) {
            std::fill(row.begin(), row.end(), color);
        } else {
            const std::size_t at = static_cast<std::size_t>(y) * cell_client_size;
            for (std::size_t x = 0; x < cell_client_size; ++x) {
                const QRgb mask = frame.mask[at + x];
                const QRgb pixel = (frame.color[at + x] & mask) | (color & ~mask);
                const auto from = edge_[static_cast<std::size_t>(left) + x] - device_left;
                const auto to = edge_[static_cast<std::size_t>(left) + x + 1] - device_left;
                std::fill(row.begin() + from, row.begin() + to, pixel);
            }
        }
        const auto widget_row = static_cast<std::size_t>(top + y);
        for (int device_row = edge_[widget_row]; device_row < edge_[widget_row + 1]; ++device_row) {
            auto* line = reinterpret_cast<QRgb*>(image_.scanLine(device_row)) + device_left;
            std::copy(row.begin(), row.end(), line);
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

void SwatchGrid::fill(int index, Rgb color, CellMark mark) {
    if (!in_grid(index)) {
        return;
    }
    looks_[static_cast<std::size_t>(index)] = {color, false, mark};
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
    if (QAccessible::isActive()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(index);
        QAccessible::updateAccessibility(&focus);
    }
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
    match_screen_resolution();
    // Every cell is brought up to date, also those outside this paint (a grab
    // paints everything); one that changed since its request is requested again.
    for (int i = 0; i < palette_size; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (painted_[at] && (image_lacks_.test(at) || in_image_[at] != looks_[at])) {
            write_cell(i);
        }
    }
    // Image pixels onto as many device pixels, never scaled.
    QPainter painter(this);
    if (image_.isNull()) {
        painter.fillRect(event->rect(), QBrush(tile_));
        return;
    }
    const qreal ratio = image_.devicePixelRatio();
    for (const QRect& rect : event->region()) {
        const QRectF device(rect.x() * ratio, rect.y() * ratio, rect.width() * ratio,
                            rect.height() * ratio);
        painter.drawImage(QRectF(rect), image_, device);
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
    static constexpr std::array<std::pair<int, ArrowKey>, 4> arrows = {{
        {Qt::Key_Left, ArrowKey::left},
        {Qt::Key_Up, ArrowKey::up},
        {Qt::Key_Right, ArrowKey::right},
        {Qt::Key_Down, ArrowKey::down},
    }};
    const auto* arrow = std::ranges::find(arrows, event->key(), &std::pair<int, ArrowKey>::first);
    if (arrow != arrows.end() && on_arrow) {
        on_arrow(arrow->second, modifiers_of(event->modifiers()));
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
