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

// All 256 cells in one widget: one retained image holds every cell's pixels
// once any is painted, so painting many cells costs one copy rather than
// hundreds of widgets, and only cells whose look changed are repainted. The
// grid is one tab stop, standing for cell 0, and only while cell 0 is enabled;
// the core may give the focus to any cell, and the arrow keys go to the grid
// whichever cell holds it. The tile and the image have the screen's
// resolution: at a device pixel ratio of 2 each pixel of a cell is a 2 x 2
// block of device pixels, drawn without any scaling.
class SwatchGrid : public QWidget {
  public:
    explicit SwatchGrid(QWidget* parent);

    // Cell index at a point of the widget, or -1 between and around cells.
    static int cell_at(QPoint point);
    static QRect cell_rect(int index);  // with its edge, in widget pixels

    void fill(int index, Rgb color, CellMark mark = CellMark::none);
    void frame(int index);
    bool painted(int index) const { return painted_[static_cast<std::size_t>(index)]; }

    // A disabled cell takes no clicks and shows no tip; disabling the cell
    // that holds the focus takes the focus away, to nobody.
    void set_cell_enabled(int index, bool enabled);
    bool cell_enabled(int index) const { return enabled_[static_cast<std::size_t>(index)]; }

    // Asks Qt to repaint the cells that differ from what was last asked for;
    // runs by itself once the core is done, or at once when called.
    void request_changed_cells();

    void focus_cell(int index);
    int focused_cell() const { return focused_; }

    // A press of the left button with the modifiers held. The second press of
    // a double-click is not a click: Ctrl+double-click adds a cell once, and a
    // plain one keeps the starting colour the first press took.
    std::function<void(int index, Modifiers)> on_click;
    std::function<void(ArrowKey, Modifiers)> on_arrow;
    // The tooltip text, or nullopt for none.
    std::function<std::optional<QString>(int index)> tooltip;
    // What assistive technology reads for a cell (platform/qt/accessibility.h).
    std::function<QString(int index)> accessible_name;
    std::function<bool(int index)> selected;

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // What a cell shows: a fill's colour, and whether a frame has been drawn
    // over it since. A frame over a frame changes nothing, so this is exact,
    // and comparing two of them finds the cells that really changed.
    struct CellLook {
        Rgb color{};  // a cell never filled is black, as a fresh pixel array is
        bool framed = false;
        CellMark mark = CellMark::none;
        bool operator==(const CellLook&) const = default;
    };

    void draw_background();
    void match_screen_resolution();
    void put_pixel(QImage& image, int x, int y, QRgb color) const;
    void draw_edges(QImage& image, QPoint cell_origin) const;
    void ensure_image();
    void mark_changed(int index);
    bool needs_request(int index) const;
    void write_cell(int index);

    QImage tile_;   // one cell with its edge and the gap after it
    QImage image_;  // the whole grid as shown, edges and gaps included; null until needed
    // Both in device pixels: widget pixel i starts at device pixel edge_[i].
    std::array<int, grid_extent + 1> edge_{};
    std::array<CellLook, palette_size> looks_{};      // as the core last painted them
    std::array<CellLook, palette_size> in_image_{};   // as image_ holds them
    std::bitset<palette_size> image_lacks_;           // cells image_ holds no look of
    std::array<CellLook, palette_size> requested_{};  // as last asked of Qt's repaint
    std::bitset<palette_size> never_requested_;
    bool check_posted_ = false;
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
