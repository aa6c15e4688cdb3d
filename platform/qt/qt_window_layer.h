// The core's WindowLayer carried out on the Qt main window's widgets.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "ui/window_layer.h"

namespace tavrin::qt {

class FinderDialog;
class MainWindow;

// What the main window needs of its layer beyond the core's calls; the calls
// themselves are carried out in qt_window_layer.cpp.
class QtWindowLayer : public WindowLayer {
  public:
    // True while the program itself moves the focus, disables the focused
    // control or shows a modal window: the focus leaving a field then is not
    // the user's doing, and the core has run what that means itself.
    bool moving_focus() const { return moving_focus_ > 0; }
    // A scan's wake, on the GUI thread: to the finder window if it is open.
    void wake_finder();
    std::string program_dir() const;  // with a trailing separator

  protected:
    explicit QtWindowLayer(MainWindow& window) : window_(window) {}

    MainWindow& window_;
    int moving_focus_ = 0;
    FinderDialog* finder_ = nullptr;  // while the finder window runs
};

// The layer over window's widgets, for window to own.
std::unique_ptr<QtWindowLayer> make_window_layer(MainWindow& window);

// The finder's scan threads, and wakes that reach layer through receiver's
// event loop.
FinderThreads finder_threads(QObject& receiver, QtWindowLayer& layer);

// The folder the core treats as the program's own, given the executable's:
// that folder in the build tree, where help/ is copied beside the program;
// the installed data folder (share/tavrin/, holding help/) once installed.
// With a trailing separator.
std::string find_program_dir(const QString& binary_folder);

// The clipboard format that carries Tavrin's colour words between its windows.
inline constexpr const char* color_words_mime_type = "application/x-tavrin-color-words";

}  // namespace tavrin::qt
