// The colour panel's controls as the original platform's controls behave:
// a trackbar's keys, digits-only fields and an upper-case field.
#pragma once

#include <QSlider>
#include <QValidator>

namespace tavrin::qt {

// A horizontal slider whose keys and wheel move it as a trackbar's do: Left,
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

}  // namespace tavrin::qt
