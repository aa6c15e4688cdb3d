// The texture preview: the indexed image the CLUT colours, drawn through the
// table as it is now and drawn again whenever the table, the colour count or
// (with "Highlight selection") the selection changes. It shows the TIM the
// CLUT was read from, or else raw pixels at an offset of any file. Clicking
// a pixel acts as a click on the cell of its index.
#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>

#include "files/clut_source.h"
#include "image/image.h"
#include "palette/color_vision.h"
#include "palette/palette.h"

namespace tavrin {

struct EditorState;
class WindowLayer;
struct Modifiers;

// The raw-pixel bar as the user filled it in.
struct PreviewBarText {
    std::string file;
    std::string offset;  // decimal, or hexadecimal after 0x
    int width = 0;
    int height = 0;
    int bits_per_pixel = 8;
};

enum class PreviewKey { page_up, page_down, up, down, left, right };

// Writes a picture as a PNG file; set by a front end that can (the core
// links no image library). Without it "Export preview..." stays grayed.
using PngWriter = std::function<Status(FileSystem&, const std::string& path, int width, int height,
                                       std::span<const Argb> pixels)>;

struct PreviewState {
    bool open = false;
    bool highlight = false;
    // What transparent and semi-transparent pixels are drawn over, and how.
    Backdrop backdrop;
    ColorVision vision = ColorVision::normal;
    PngWriter png_writer;
    std::string export_path;

    // Raw pixels: where they are, and the bar's texts as last accepted.
    std::string raw_file;
    RawPixelsPlace place{0, 128, 128, 8};

    // What the image was read from; read again when this differs.
    ClutSource shown_source;
    RawPixelsPlace shown_place;
    std::string shown_file;
    bool from_tim = false;
    IndexedImage image;
    std::string status;  // what the status line says when no pixel is hovered

    // What the pixels were drawn with; drawn again when anything differs.
    bool drawn = false;
    std::array<PaletteEntry, palette_size> drawn_palette{};
    int drawn_count = -1;
    std::array<bool, palette_size> drawn_selected{};
    bool drawn_highlight = false;
    Backdrop drawn_backdrop;
    ColorVision drawn_vision = ColorVision::normal;
    std::vector<Argb> pixels;
};

// View > Texture preview: opens the window (or brings it forward) and draws.
void open_preview(EditorState& state, WindowLayer& layer);

// View > Simulate color vision...: normal vision or one of the three
// dichromacies, chosen from a list; opens the preview to show it.
void choose_color_vision(EditorState& state, WindowLayer& layer);

// View > Export preview...: the picture as a PNG file.
void export_preview(EditorState& state, WindowLayer& layer);

// Redraws the preview if what it shows has changed; nothing while it is
// closed. Every user event ends with this (as_user_event).
void sync_preview(EditorState& state, WindowLayer& layer);

// Draws the image through count of colors instead of the table's, which
// stay as they are, with what on the status line: a finder hit tried on the
// texture. Nothing while the preview is closed.
void show_preview_with(EditorState& state, WindowLayer& layer,
                       const std::array<PaletteEntry, palette_size>& colors, int count,
                       const std::string& what);
// The table's colours and the usual status line again after that.
void show_preview_live(EditorState& state, WindowLayer& layer);

void on_preview_closed(EditorState& state, WindowLayer& layer);
void on_preview_bar_changed(EditorState& state, WindowLayer& layer, const PreviewBarText& typed);
void on_preview_key(EditorState& state, WindowLayer& layer, PreviewKey key);
void on_preview_highlight(EditorState& state, WindowLayer& layer, bool on);
// The user picked the backdrop: a colour or the checkerboard, and the blend
// mode for words with bit 15 set (none draws them opaque).
void on_preview_backdrop(EditorState& state, WindowLayer& layer, const Backdrop& backdrop);
// The pointer over image pixel (x, y); outside the image, the status goes back.
void on_preview_hover(EditorState& state, WindowLayer& layer, int x, int y);
void on_preview_clicked(EditorState& state, WindowLayer& layer, int x, int y, Modifiers modifiers);

}  // namespace tavrin
