// Trackbar keys and field validators.
#include "platform/qt/panel_widgets.h"

#include <QKeyEvent>
#include <QLabel>

#include <algorithm>
#include <array>
#include <utility>

namespace tavrin::qt {

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::TicksBelow);
    setSingleStep(1);
    setPageStep(51);  // a fifth of the 0..255 range, the page on both front ends
    setInvertedControls(true);
}

void TrackBar::keyPressEvent(QKeyEvent* event) {
    static constexpr std::array<std::pair<int, SliderAction>, 8> actions = {{
        {Qt::Key_Left, SliderSingleStepSub},
        {Qt::Key_Up, SliderSingleStepSub},
        {Qt::Key_Right, SliderSingleStepAdd},
        {Qt::Key_Down, SliderSingleStepAdd},
        {Qt::Key_PageUp, SliderPageStepSub},
        {Qt::Key_PageDown, SliderPageStepAdd},
        {Qt::Key_Home, SliderToMinimum},
        {Qt::Key_End, SliderToMaximum},
    }};
    const auto* action =
        std::ranges::find(actions, event->key(), &std::pair<int, SliderAction>::first);
    if (action == actions.end()) {
        event->ignore();
        return;
    }
    triggerAction(action->second);
    event->accept();
}

QValidator::State DigitsValidator::validate(QString& input, int&) const {
    for (QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return Invalid;
        }
    }
    return Acceptable;
}

QValidator::State UpperCaseValidator::validate(QString& input, int&) const {
    // Character by character, so the length and the cursor stay put.
    for (QChar& c : input) {
        c = c.toUpper();
    }
    return Acceptable;
}

QLabel* add_template_label(QWidget* parent, const QString& text, QRect rect, Qt::Alignment align) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(align | Qt::AlignTop);
    const int needed = label->sizeHint().width();
    if (needed > rect.width()) {
        if (align & Qt::AlignRight) {
            rect.setLeft(rect.right() + 1 - needed);
        } else {
            rect.setWidth(needed);
        }
    }
    label->setGeometry(rect);
    return label;
}

}  // namespace tavrin::qt
