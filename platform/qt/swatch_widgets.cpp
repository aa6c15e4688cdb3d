// Swatch cells and colour boxes.
#include "platform/qt/swatch_widgets.h"

#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace tavrin::qt {

static_assert(sizeof(Rgb) == 3, "cell pixels are handed to QImage as packed RGB888");

namespace {

Modifiers modifiers_of(Qt::KeyboardModifiers held) {
    return {held.testFlag(Qt::ControlModifier), held.testFlag(Qt::ShiftModifier)};
}

QColor to_qcolor(Rgb color) {
    return {color.red, color.green, color.blue};
}

}  // namespace

SwatchCell::SwatchCell(int index, QWidget* parent) : QWidget(parent), index_(index) {
    setFixedSize(cell_outer_size, cell_outer_size);
    // Clicks never take the focus; the core moves it, and Tab reaches cell 0 only.
    setFocusPolicy(index == 0 ? Qt::TabFocus : Qt::NoFocus);
    setObjectName(QStringLiteral("cell_%1").arg(index));
}

void SwatchCell::fill(Rgb color) {
    fill_cell_pixels(pixels_, color);
    painted_ = true;
    update();
}

void SwatchCell::frame() {
    frame_cell_pixels(pixels_);
    painted_ = true;
    update();
}

bool SwatchCell::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // A disabled cell gets no mouse input, so its tip never shows.
        const auto text = isEnabled() && tooltip ? tooltip(index_) : std::nullopt;
        auto* help = static_cast<QHelpEvent*>(event);
        if (text) {
            QToolTip::showText(help->globalPos(), *text, this, rect());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void SwatchCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The sunken edge: shadow on the top and left, light on the bottom and right.
    const int last = cell_outer_size - 1;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, 0, last - 1, 0);
    painter.drawLine(0, 0, 0, last - 1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, last, last, last);
    painter.drawLine(last, 0, last, last);
    if (!painted_) {
        return;
    }
    // Whole pixels, also when the screen scales them up.
    QImage image(reinterpret_cast<const uchar*>(pixels_.pixels.data()), cell_client_size,
                 cell_client_size, cell_client_size * 3, QImage::Format_RGB888);
    painter.drawImage(QRect(1, 1, cell_client_size, cell_client_size), image);
}

void SwatchCell::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && on_click) {
        on_click(index_, modifiers_of(event->modifiers()));
    }
}

void SwatchCell::keyPressEvent(QKeyEvent* event) {
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

ColourBox::ColourBox(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ColourBox::fill(Rgb color) {
    color_ = color;
    update();
}

void ColourBox::paintEvent(QPaintEvent*) {
    if (color_) {
        QPainter(this).fillRect(rect(), to_qcolor(*color_));
    }
}

void ColourBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && on_double_click) {
        on_double_click();
    }
}

}  // namespace tavrin::qt
