// The editor: its one state struct and the events a front end feeds it. Every
// function takes the state and the screen by reference; nothing is global.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/clut_source.h"
#include "files/file_system.h"
#include "history/history.h"
#include "palette/palette.h"
#include "palette/selection.h"
#include "ui/ids.h"
#include "ui/preview.h"
#include "ui/window_layer.h"

namespace tavrin {

// Where the CLUT in the table came from and what its file held: what a read
// replaces besides the table, and what Undo and Redo put back with it.
struct ClutOrigin {
    // Set only by a successful read.
    ClutSource source;
    // The CLUT of the last successful TEX read: the only place "Inject CLUT in
    // TEX file" writes, kept while CLUTs are read from elsewhere so one can be
    // written into it.
    std::optional<ClutSource> tex_source;
    // The words of the CLUT as last read from or written to a file, for
    // "Select changed colors"; set by a successful read, Save or injection.
    std::vector<std::uint16_t> file_words;

    friend bool operator==(const ClutOrigin&, const ClutOrigin&) = default;
};

// Each file dialog reopens on the path last chosen with it, and the finder
// with the choices it was last used with.
struct DialogMemory {
    std::string clut_path;
    std::string tex_path;
    std::string tim_path;
    std::string other_path;
    std::string palette_path;  // Import colors... and Export colors...
    std::string disc_path;     // Open file in disc image...
    FinderOptions finder_options;
};

// The options a user sets from the menus; a front end restores them from an
// earlier run before start_editor and stores them again when they change.
struct EditorOptions {
    bool show_transparency = false;  // View > Show transparency: marks on the cells
    bool keep_black_opaque = false;  // Edit > Keep black opaque: edits store 8000, never 0000

    friend bool operator==(const EditorOptions&, const EditorOptions&) = default;
};

// The editor as it was when the outermost user event began, to find what
// that event changed.
struct EventStart {
    PaletteTable palette{};
    std::int16_t color_count = 0;
    std::int32_t palette_loaded = 0;
    std::uint32_t clut_reads = 0;
    ClutOrigin origin;
    int focus = 0;
    std::uint32_t notes = 0;
};

// Undo and redo: the steps, and what recording the next one needs.
struct EditHistory : History<ClutOrigin> {
    // Nesting of user events: only the outermost one records, and brings the
    // preview up to date when it ends.
    int event_depth = 0;
    EventStart event_start;
    // Successful reads so far; tells a read from other events that change the table.
    std::uint32_t clut_reads = 0;
    // Cells whose word the current event set on purpose, bit 15 included (the
    // transparency commands, a colour word imported): not guarded.
    std::bitset<palette_size> exact_words;
    // Cells "Keep black opaque" turned from 0000 into 8000 during the open
    // step, which lose that bit again once the same drag or typing moves
    // them off black.
    std::bitset<palette_size> kept_opaque;
    // Cells the open step turned into 0000 (or kept opaque black instead),
    // how many the note last counted, and that note.
    std::bitset<palette_size> made_transparent;
    std::size_t noted_transparent = 0;
    std::string transparency_note;
    // The texts the Undo and Redo items show, so they are set only on a change.
    std::string undo_text = "&Undo\tCtrl+Z";
    std::string redo_text = "&Redo\tCtrl+Y";
};

struct EditorState : PaletteState {
    EditorState() = default;
    EditorState(const EditorState&) = delete;
    EditorState& operator=(const EditorState&) = delete;
    ~EditorState() { selection_clear(selection); }

    SelectionNode* selection = nullptr;

    // Copy buffer: clipboard_count whole records, record 0 from the head.
    std::unique_ptr<PaletteEntry[]> color_clipboard;
    std::int32_t clipboard_count = 0;

    ClutOrigin origin;
    DialogMemory dialogs;
    EditorOptions options;
    // The main window's note as last shown, and how many were shown, so an
    // event can add to the note it showed itself.
    std::string note;
    std::uint32_t notes = 0;
    // What the panel's bit 15 box shows; -1 before anything.
    int shown_head_bit = -1;
    // The texture preview window and what it shows.
    PreviewState preview;
    EditHistory history;
    // The finder window's session and the threads it runs its scans on.
    FinderSession finder;

    // Every file command reads and writes through this; tests swap in one
    // that fails on purpose. Not owned.
    FileSystem* file_system = &standard_file_system();

    std::string program_dir;

    // Enabled state of the menu items, first_command..last_command: the single
    // gate for commands.
    std::array<bool, ids::last_command - ids::first_command + 1> menu_enabled{};
};

// Sets the main window's one-line note ("12 of 16 colors imported"); an
// empty text clears it.
void show_note(EditorState& state, WindowLayer& layer, std::string text);

// Modifier keys held when an input event happened.
struct Modifiers {
    bool ctrl = false;
    bool shift = false;
};

// The main window was created: initial menu, sliders, field limits.
// program_dir is the running program's folder, with a trailing separator.
void start_editor(EditorState& state, WindowLayer& layer, std::string program_dir);

// A menu command or accelerator. Does nothing while its menu item is grayed,
// as a grayed item's accelerator gives no command.
void run_command(EditorState& state, WindowLayer& layer, int command_id);

bool command_enabled(const EditorState& state, int command_id);

// The one way any command changes a menu item.
void set_menu_state(EditorState& state, WindowLayer& layer, int command_id, bool enabled);

// Every modal window the core opens takes the keyboard focus, which leaves
// the focused panel field: the core runs that field's "left" handling itself,
// just before, so front ends can ignore the focus change as program-made.
void before_modal(EditorState& state, WindowLayer& layer);

// The window is being destroyed: releases the copy buffer and lets a running
// scan of the finder go.
void close_editor(EditorState& state);

// Repaint triggers: a paint request, the program becoming active, a size change.
void on_paint(EditorState& state, WindowLayer& layer);
void on_activate(EditorState& state, WindowLayer& layer, bool active);
void on_size(EditorState& state, WindowLayer& layer);

// The tooltip of a swatch, "RGB: r,g,b - Hex: 0xWORD", with " -
// semi-transparent" for a word with bit 15 set and " - transparent" for 0000;
// nullopt before a CLUT is loaded or for an index outside the grid.
std::optional<std::string> tooltip_text(const EditorState& state, int index);

}  // namespace tavrin
