// "Find CLUT in file": the finder window. The scan runs on a thread of its
// own; hits and progress come back to the GUI thread as queued calls, so the
// window keeps answering while a large file is read.
#pragma once

#include <QDialog>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "ui/finder.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tavrin::qt {

class FinderDialog : public QDialog {
  public:
    FinderDialog(FinderRequest request, QWidget* parent);
    ~FinderDialog() override;

    // The hit double-clicked, with the choices it was found with.
    std::optional<FinderAnswer> answer() const { return answer_; }
    bool scanning() const { return worker_.joinable(); }

    void reject() override;  // Close, Escape: stops a running scan first

  private:
    FinderOptions options() const;
    void show_options(const FinderOptions& options);
    void update_option_controls();
    void start();
    void stop();
    void take_hits();
    void progress(std::uint64_t done, std::uint64_t total);
    void finished(const search::ScanResult& result);
    void choose(QListWidgetItem* item);

    FinderRequest request_;
    std::optional<FinderAnswer> answer_;
    FinderOptions running_options_;
    std::vector<search::Hit> shown_;  // row by row

    // Shared with the scanning thread.
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::mutex pending_mutex_;
    std::vector<search::Hit> pending_;

    QComboBox* target_;
    QCheckBox* ignore_bit15_;
    QSpinBox* tolerance_;
    QComboBox* align_;
    QSpinBox* min_matching_;
    QPushButton* find_;
    QPushButton* cancel_button_;
    QPushButton* close_;
    QListWidget* list_;
    QProgressBar* progress_;
    QLabel* status_;
};

}  // namespace tavrin::qt
