// The painted parts of the main window: the 16 x 16 swatch grid and the two
// colour boxes. Both keep the pixels the core last painted into them (the
// core paints only what changed, so every repaint comes from that copy), and
// turn mouse and key input into plain callbacks.
#pragma once

#include <QImage>
#include <QWidget>

#include <array>
#include <bitset>
#include <functional>
#include <optional>

#include "palette/palette.h"
#include "ui/cell_pixels.h"
#include "ui/selection_input.h"

namespace tavrin::qt {

// A cell with its one-pixel sunken edge, and the distance between cells.
inline constexpr int cell_outer_size = cell_client_size + 2;
inline constexpr int cell_pitch = 24;
inline constexpr int grid_cells = 16;
// From the first cell's left edge to the last cell's right edge.
inline constexpr int grid_extent = cell_pitch * (grid_cells - 1) + cell_outer_size;

// All 256 cells in one widget: one retained image holds every cell's pixels,
// so painting many cells costs one copy rather than hundreds of widgets. The
// grid is one tab stop, standing for cell 0; the core may give the focus to
// any cell, and the arrow keys go to the grid whichever cell holds it.
class SwatchGrid : public QWidget {
  public:
    explicit SwatchGrid(QWidget* parent);

    // Cell index at a point of the widget, or -1 between and around cells.
    static int cell_at(QPoint point);
    static QRect cell_rect(int index);  // with its edge, in widget pixels

    void fill(int index, Rgb color);
    void frame(int index);
    bool painted(int index) const { return painted_[static_cast<std::size_t>(index)]; }

    // A disabled cell takes no clicks and shows no tip; disabling the cell
    // that holds the focus takes the focus away, to nobody.
    void set_cell_enabled(int index, bool enabled);
    bool cell_enabled(int index) const { return enabled_[static_cast<std::size_t>(index)]; }

    void focus_cell(int index);
    int focused_cell() const { return focused_; }

    // A press of the left button with the modifiers held. The second press of
    // a double-click is not a click, so a double-click on a cell acts once, as
    // it does on the Win32 front end.
    std::function<void(int index, Modifiers)> on_click;
    std::function<void(ArrowKey, Modifiers)> on_arrow;
    // The tooltip text, or nullopt for none.
    std::function<std::optional<QString>(int index)> tooltip;

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void draw_background();
    void mark_changed(int index);
    void write_cell(int index);

    QImage image_;                     // the whole grid as shown, edges and gaps included
    std::bitset<palette_size> stale_;  // cells whose pixels the image lacks
    QRect dirty_;                      // what changed since the last paint
    std::array<CellPixels, palette_size> cells_{};
    std::array<bool, palette_size> painted_{};
    std::array<bool, palette_size> enabled_{};
    int focused_ = 0;
};

class ColorBox : public QWidget {
  public:
    explicit ColorBox(QWidget* parent);

    void fill(Rgb color);

    std::function<void()> on_double_click;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    std::optional<Rgb> color_;
};

}  // namespace tavrin::qt
