// "Find CLUT in file": the finder window. It shows what the core's FinderView
// says and reports what the user does; the session, its scanning thread and
// every rule live in the core (ui/finder.h).
#pragma once

#include <QDialog>

#include <functional>

#include "ui/finder.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tavrin::qt {

class FinderDialog : public QDialog {
  public:
    FinderDialog(const FinderView& view, std::function<void(const FinderEvent&)> report,
                 QWidget* parent);

    // What the core asks; a view that is not open ends the window.
    void show_view(const FinderView& view);
    // The scan's wake reached the GUI thread.
    void wake() { report(FinderEvent::Kind::wake); }

    void reject() override;  // Close, Escape, the close box: the core decides

  private:
    FinderOptions options() const;
    void report(FinderEvent::Kind kind, int row = -1);

    std::function<void(const FinderEvent&)> report_;
    bool showing_ = false;  // the core's own writes, which are not reported

    QLabel* file_;
    QComboBox* target_;
    QCheckBox* ignore_bit15_;
    QSpinBox* tolerance_;
    QComboBox* align_;
    QSpinBox* min_matching_;
    QPushButton* find_;
    QPushButton* cancel_;
    QPushButton* close_;
    QListWidget* list_;
    QProgressBar* progress_;
    QLabel* status_;
};

}  // namespace tavrin::qt
