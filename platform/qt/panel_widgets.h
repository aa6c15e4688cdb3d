// The colour panel's controls, made to behave as on the Win32 front end so
// that the panel works alike on both: the sliders' keys, digits-only fields
// and an upper-case field.
#pragma once

#include <QRect>
#include <QSlider>
#include <QValidator>

class QLabel;

namespace tavrin::qt {

// A horizontal slider whose keys and wheel move it as on both front ends: Left,
// Up, Page Up and the wheel turned forward go towards the minimum.
class TrackBar : public QSlider {
  public:
    explicit TrackBar(QWidget* parent);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Accepts only the characters 0 to 9, as typed or pasted.
class DigitsValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

// Turns letters into capitals as they are typed.
class UpperCaseValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

// A label at its template rectangle, widened when this desktop's font needs
// more room than the templates' 8-point font; a right-aligned label grows to
// the left. The templates leave free space on the growing side of every label.
QLabel* add_template_label(QWidget* parent, const QString& text, QRect rect,
                           Qt::Alignment align = Qt::AlignLeft);

}  // namespace tavrin::qt
