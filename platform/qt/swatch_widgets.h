// The painted parts of the main window: the 256 swatch cells and the two
// colour boxes. Both keep the pixels the core last painted into them (the
// Win32 originals have no background of their own), and turn mouse and key
// input into plain callbacks.
#pragma once

#include <QWidget>

#include <functional>
#include <optional>

#include "palette/palette.h"
#include "ui/cell_pixels.h"
#include "ui/selection_input.h"

namespace tavrin::qt {

// Size of a cell with its one-pixel sunken edge.
inline constexpr int cell_outer_size = cell_client_size + 2;

class SwatchCell : public QWidget {
  public:
    SwatchCell(int index, QWidget* parent);

    int index() const { return index_; }

    void fill(Rgb color);
    void frame();
    bool painted() const { return painted_; }
    const CellPixels& pixels() const { return pixels_; }

    // A press of the left button with the modifiers held (the second press of
    // a double-click is not a click, as on the original platform).
    std::function<void(int index, Modifiers)> on_click;
    std::function<void(ArrowKey, Modifiers)> on_arrow;
    // The tooltip text, or nullopt for none.
    std::function<std::optional<QString>(int index)> tooltip;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int index_;
    CellPixels pixels_;
    bool painted_ = false;  // until the first fill the window shows through
};

class ColourBox : public QWidget {
  public:
    explicit ColourBox(QWidget* parent);

    void fill(Rgb color);
    std::optional<Rgb> color() const { return color_; }

    std::function<void()> on_double_click;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    std::optional<Rgb> color_;
};

}  // namespace tavrin::qt
