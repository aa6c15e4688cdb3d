// The soak's event generator, its model of the editor and the checks after
// every event. The model knows the files it made, the menu rules, the
// selection rules and which entries an event may have edited; it never reads
// the core's own tables to decide what should be.
#include "tests/soak/soak.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"

#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace tavrin::testing {
namespace {

namespace fs = std::filesystem;
using Words = std::array<std::uint16_t, palette_size>;

constexpr int grid_columns = 16;
constexpr int typed_text_limit = 31;  // what the dialogs' edit fields hold

std::uint64_t next_seed(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint16_t word_at(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

void put_word(Bytes& bytes, std::size_t at, std::uint16_t word) {
    bytes[at] = static_cast<std::uint8_t>(word & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(word >> 8);
}

// --- What the user can type, with what it means.

constexpr std::array<std::string_view, 5> clut_names = {
    "Players shirt #1 palette", "Players shirt #2 palette", "Goalkeepers shirt #1 palette",
    "Goalkeepers shirt #2 palette", "Team flag"};
constexpr int flag_kind = 4;
constexpr std::array<std::size_t, 5> tex_header_fields = {4, 12, 16, 20, 32};

bool same_letters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<int> named_kind(std::string_view typed) {
    typed = typed.substr(0, typed_text_limit);
    for (int kind = 0; kind < static_cast<int>(clut_names.size()); ++kind) {
        if (same_letters(typed, clut_names[static_cast<std::size_t>(kind)])) {
            return kind;
        }
    }
    return std::nullopt;
}

struct TypedOffset {
    std::string text;
    std::optional<std::int64_t> value;  // nullopt: refused
    bool out_of_range = false;          // refused as too large rather than as no number
};

const std::vector<TypedOffset>& fixed_offsets() {
    static const std::vector<TypedOffset> offsets = {
        {"0", 0},
        {"16", 16},
        {"0x20", 32},
        {"0X1F0", 496},
        {"512abc", 512},
        {" 12", 12},
        {"+7", 7},
        {"-2", -2},
        {"0xFFFFFFFE", 4294967294},
        {"2147483647", 2147483647},
        {"2147483648", 2147483648},
        {"0x1000000200", 0x1000000200},
        {"4294967808", 4294967808},
        {"-4294966784", -4294966784},
        {"0x8000000000000000", std::nullopt, true},
        {"18446744073709551616", std::nullopt, true},
        {" 0x10", 0},
        {std::string(40, '0') + "16", 0},  // cut to 31 zeros by the field
        {"", std::nullopt},
        {"x10", std::nullopt},
        {"0x", std::nullopt},
        {"abc", std::nullopt},
        {"-", std::nullopt},
        {" ", std::nullopt},
    };
    return offsets;
}

std::string offset_refusal(const std::string& typed, bool out_of_range) {
    const std::string quoted = "The offset \"" + typed.substr(0, typed_text_limit) + "\"";
    return out_of_range ? quoted +
                              " is out of range (an offset is at most 9223372036854775807, "
                              "0x7FFFFFFFFFFFFFFF)."
                        : quoted +
                              " is not a number. Type it in decimal, or in hexadecimal "
                              "after 0x.";
}

struct TypedCount {
    std::string text;
    int count;
};

const std::vector<TypedCount>& fixed_counts() {
    static const std::vector<TypedCount> counts = {
        {"16", 16},          {"256", 256},       {"300", 256}, {"", 0},
        {"abc", 0},          {" 8 ", 8},         {"0", 0},     {"4294967296", 0},
        {"12abc", 0},        {"-5", 0},          {"1", 1},     {"4", 4},
        {"4294967295", 256}, {"0000000032", 32},
    };
    return counts;
}

const std::vector<std::string> hex_texts = {"7FFF", "0000", "FFFF", "8000", "-1",   "0x1F",
                                            "g",    "zz",   "12",   "+7",   " 1",   "1f",
                                            "abcd", "7C1F", "-",    "0x",   "-8000"};
const std::vector<std::string> pasted_texts = {
    " 12 ", "-5",         "abc", "1e3",   "",    "\t7",   "\xd9\xa3", "0x10",
    "+4",   "4294967296", "  ",  "12 34", "255", "00256", "7fff",     "-1"};

// --- The files of a session and what reading them must give.

struct ReadResult {
    bool ok = false;
    int count = 0;
    Words words{};
    std::uint32_t offset = 0;
};

ReadResult read_words(const Bytes& bytes, std::size_t at, int count) {
    ReadResult result;
    result.ok = true;
    result.count = count;
    for (int i = 0; i < count; ++i) {
        result.words[static_cast<std::size_t>(i)] =
            word_at(bytes, at + 2 * static_cast<std::size_t>(i));
    }
    return result;
}

ReadResult raw_read(const Bytes* file) {
    if (file == nullptr || file->size() / 2 > palette_size) {
        return {};
    }
    return read_words(*file, 0, static_cast<int>(file->size() / 2));
}

// Header field of kind, then the record's field at byte 12, then 512 bytes.
ReadResult tex_find(const Bytes* file, int kind) {
    if (file == nullptr || file->size() < 48) {
        return {};
    }
    const std::size_t record = word_at(*file, tex_header_fields[static_cast<std::size_t>(kind)]);
    if (record + 16 > file->size()) {
        return {};
    }
    const std::size_t clut = word_at(*file, record + 12);
    if (clut + 512 > file->size()) {
        return {};
    }
    ReadResult result;
    result.ok = true;
    result.offset = static_cast<std::uint32_t>(clut);
    return result;
}

ReadResult tex_read(const Bytes* file, int kind) {
    const ReadResult found = tex_find(file, kind);
    if (!found.ok) {
        return {};
    }
    ReadResult result = read_words(*file, found.offset, palette_size);
    result.offset = found.offset;
    return result;
}

ReadResult at_read(const Bytes* file, std::int64_t offset, int count) {
    if (file == nullptr || offset < 0 ||
        offset + 2 * static_cast<std::int64_t>(count) > static_cast<std::int64_t>(file->size())) {
        return {};
    }
    return read_words(*file, static_cast<std::size_t>(offset), count);
}

struct ZoneRun {
    int command;
    int first;
    int last;
};
constexpr std::array<ZoneRun, 16> zone_runs = {{{214, 0, 15},
                                                {204, 16, 31},
                                                {205, 32, 47},
                                                {215, 48, 63},
                                                {216, 64, 79},
                                                {206, 80, 95},
                                                {207, 96, 111},
                                                {217, 112, 127},
                                                {218, 128, 143},
                                                {219, 144, 159},
                                                {220, 160, 175},
                                                {221, 176, 191},
                                                {222, 192, 207},
                                                {223, 208, 223},
                                                {224, 224, 239},
                                                {208, 240, 243}}};

std::string in_quotes(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Says whether anything in a folder was written, created, removed or renamed
// since it was last asked: one system call when nothing was, so the files can
// be watched after every event and compared in full only when they moved.
// Where the system cannot watch, every answer is yes.
class FolderWatch {
  public:
    explicit FolderWatch(const std::string& folder) {
#if defined(__linux__)
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        const std::uint32_t events = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE |
                                     IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                     IN_MOVE_SELF;
        if (fd_ >= 0 && inotify_add_watch(fd_, folder.c_str(), events) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
#else
        (void)folder;
#endif
    }
    ~FolderWatch() {
#if defined(__linux__)
        if (fd_ >= 0) {
            ::close(fd_);
        }
#endif
    }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool changed() {
#if defined(__linux__)
        if (fd_ < 0) {
            return true;
        }
        bool any = false;
        alignas(inotify_event) char buffer[4096];
        while (::read(fd_, buffer, sizeof buffer) > 0) {
            any = true;
        }
        return any;
#else
        return true;
#endif
    }

  private:
    int fd_ = -1;
};

// --- One run of the program, from start to quit.

class Session {
  public:
    Session(std::uint64_t seed, SoakReport& report);

    // One user event and the checks after it: a description of what broke, or nothing.
    std::optional<std::string> step();
    bool ended() const { return ended_; }
    std::string recent_events() const;

  private:
    // --- Events
    void click();
    void arrow();
    void slider();
    void field_event();
    void focus_change();
    void starting_box();
    void window_event();
    void tooltip();
    void junk_command();
    void command();
    void end_program();

    void load_clut();
    void save_clut();
    void extract_tex();
    void inject_tex();
    void extract_at();
    void inject_at();
    void blend();
    void copy();
    void undo_redo();
    void paste();
    void zone(const ZoneRun& run);
    void tutorial();

    // --- The model's steps
    void selection_shown();
    void selection_may_be_edited();
    void read_succeeded(int count, const Words& words);
    void read_failed(const std::string& name);
    void gray_writers();
    void set_menu(int id, bool on) {
        menu_[static_cast<std::size_t>(id - ids::first_command)] = on;
    }
    bool menu(int id) const { return menu_[static_cast<std::size_t>(id - ids::first_command)]; }
    void set_zones(bool on);
    Bytes expected_clut_bytes(int count) const;
    void expect_error(std::string text, bool whole = true);
    void settle_sometimes();

    // --- Choices
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(uniform(0, static_cast<int>(items.size()) - 1))];
    }
    std::vector<std::string> regular_files() const;
    std::optional<std::string> pick_read_path();
    std::optional<std::string> pick_write_path(bool for_save);
    TypedOffset pick_offset(const std::string& name);
    TypedCount pick_count();
    std::string digits_text();
    const Bytes* file(const std::string& name) const;
    std::string path(const std::string& name) const { return dir_.path(name); }

    // --- Checks
    std::optional<std::string> check();
    std::optional<std::string> check_files() const;
    std::optional<std::string> check_grid() const;
    std::optional<std::string> check_panel() const;
    void note(const std::string& what) { ++report_.counts[what]; }
    void fail(std::string what) {
        if (!failure_) {
            failure_ = std::move(what);
        }
    }
    void describe(std::string what);

    std::mt19937_64 rng_;
    SoakReport& report_;
    TempDir dir_;
    std::optional<FolderWatch> watch_;
    TestEditor editor_;
    bool ended_ = false;
    std::deque<std::string> recent_;

    // The model.
    bool loaded_ = false;
    bool kit_read_ = false;  // the last CLUT read has the kit zones
    int read_count_ = 0;     // the colour count it was read with
    int count_ = 255;
    Words original_{};
    std::bitset<palette_size> edited_;
    std::vector<int> selection_;  // head first
    std::array<bool, ids::last_command - ids::first_command + 1> menu_{};
    struct TexTarget {
        std::string name;
        int kind = 0;
        std::uint32_t offset = 0;
    };
    std::optional<TexTarget> tex_target_;
    std::vector<PaletteEntry> clipboard_;  // what the last Copy took, from the head
    std::map<std::string, Bytes> files_;
    std::map<std::string, int> tex_kinds_;  // the TEX files made, with the kind each was made for
    std::set<std::string> folders_;

    // What the current event must have done.
    struct ExpectedError {
        std::string text;
        bool whole;
    };
    std::vector<ExpectedError> expected_errors_;
    int expected_repaints_ = 0;
    int expected_unanswered_ = 0;
    int expected_about_ = 0;
    int expected_quits_ = 0;
    bool palette_replaced_ = false;
    std::optional<std::string> failure_;  // found by the event itself
    bool check_grid_now_ = false;
    bool check_panel_now_ = false;
    std::vector<int> selection_before_;
    std::array<PaletteEntry, palette_size> palette_before_{};
    long events_ = 0;
};

Session::Session(std::uint64_t seed, SoakReport& report)
    : rng_(seed),
      report_(report),
      dir_("/dev/shm") {  // saves and injections flush to the disk; in memory that is free
    for (int id : {ids::extract_tex, ids::about, ids::exit, ids::load_clut, ids::tutorial,
                   ids::extract_offset, ids::extract_tim, ids::texture_preview, ids::find_clut,
                   ids::open_in_disc, ids::show_transparency, ids::keep_black_opaque,
                   ids::simulate_vision}) {
        set_menu(id, true);
    }
    const auto words = [&](int count) {
        std::vector<std::uint16_t> list;
        for (int i = 0; i < count; ++i) {
            list.push_back(static_cast<std::uint16_t>(uniform(0, 0xFFFF)));
        }
        return list;
    };
    std::mt19937 bytes_rng(static_cast<unsigned>(seed));
    const auto tex = [&](std::size_t size, int kind) {
        const auto record = static_cast<std::uint16_t>(uniform(48, 200));
        const auto clut = static_cast<std::uint16_t>(uniform(216, static_cast<int>(size) - 512));
        return tex_file_bytes(size, kind, record, clut, words(256));
    };
    files_["kit.clu"] = words_to_bytes(words(16));
    files_["full.clu"] = words_to_bytes(words(256));
    files_["odd.clu"] = random_bytes(bytes_rng, 513);
    files_["three.clu"] = random_bytes(bytes_rng, 3);
    files_["empty.clu"] = {};
    files_["big.clu"] = random_bytes(bytes_rng, 514);
    files_["huge.clu"] = random_bytes(bytes_rng, 3000);
    tex_kinds_["team.bin"] = uniform(0, 3);
    tex_kinds_["flag.bin"] = flag_kind;
    tex_kinds_["cut.bin"] = uniform(0, 4);
    files_["team.bin"] = tex(1400, tex_kinds_["team.bin"]);
    files_["flag.bin"] = tex(1000, flag_kind);
    Bytes cut = tex(1200, tex_kinds_["cut.bin"]);
    cut.resize(cut.size() - static_cast<std::size_t>(uniform(1, 700)));
    files_["cut.bin"] = cut;
    files_["header.bin"] = random_bytes(bytes_rng, 48);
    files_["small.bin"] = random_bytes(bytes_rng, 20);
    files_["data.dat"] = random_bytes(bytes_rng, 2000);
    files_["tiny.dat"] = random_bytes(bytes_rng, 10);
    for (const auto& [name, bytes] : files_) {
        dir_.write(name, bytes);
    }
    std::error_code error;
    fs::create_directory(path("folder"), error);
    folders_.insert("folder");
    if (chance(0.5)) {
        fs::create_directory(path("help"), error);
        folders_.insert("help");
        dir_.write("help/tavrin.html", Bytes{'<', 'p', '>'});
    }
    watch_.emplace(dir_.folder());
    editor_.screen.record_calls = false;
    // The program's folder is this session's folder, so the tutorial page is there or not.
    editor_.screen.program_folder = dir_.folder() + "/";
    editor_.state.program_dir = editor_.screen.program_folder;
}

std::string Session::recent_events() const {
    std::string text;
    for (const auto& line : recent_) {
        text += "    " + line + "\n";
    }
    return text;
}

void Session::describe(std::string what) {
    recent_.push_back("#" + std::to_string(events_) + " " + std::move(what));
    if (recent_.size() > 40) {
        recent_.pop_front();
    }
}

std::optional<std::string> Session::step() {
    ++events_;
    selection_before_ = selection_;
    palette_before_ = editor_.state.palette;
    palette_replaced_ = false;
    check_grid_now_ = false;
    check_panel_now_ = false;
    expected_errors_.clear();
    failure_.reset();

    const int roll = uniform(0, 999);
    if (roll < 230) {
        click();
    } else if (roll < 320) {
        arrow();
    } else if (roll < 400) {
        slider();
    } else if (roll < 550) {
        field_event();
    } else if (roll < 570) {
        focus_change();
    } else if (roll < 585) {
        starting_box();
    } else if (roll < 625) {
        window_event();
    } else if (roll < 650) {
        tooltip();
    } else if (roll < 660) {
        junk_command();
    } else if (roll < 999) {
        command();
    } else {
        end_program();
    }
    auto failure = check();
    // The screen's logs are only for the event just checked.
    editor_.screen.calls.clear();
    editor_.screen.errors.clear();
    editor_.screen.open_requests.clear();
    editor_.screen.save_requests.clear();
    editor_.screen.clut_dialog_entries.clear();
    editor_.screen.params_initial_counts.clear();
    editor_.screen.opened_documents.clear();
    return failure;
}

// --- Events

void Session::click() {
    const int index = uniform(0, palette_size - 1);
    const int modifiers = uniform(0, 3);
    const Modifiers held{.ctrl = (modifiers & 1) != 0, .shift = (modifiers & 2) != 0};
    describe("click " + std::to_string(index) + (held.ctrl ? " ctrl" : "") +
             (held.shift ? " shift" : ""));
    note("click");
    // A disabled cell gives no click; the screen decides that, not the core.
    const bool reaches = editor_.screen.enabled(ids::first_swatch + index);
    editor_.click(index, held);
    if (!reaches || !loaded_) {
        return;
    }
    const auto at = std::find(selection_.begin(), selection_.end(), index);
    if (held.ctrl) {
        if (at != selection_.end()) {
            selection_.erase(at);
        } else {
            selection_.insert(selection_.begin(), index);
        }
    } else if (held.shift && !selection_.empty()) {
        const int head = selection_.front();
        const int step = index > head ? 1 : -1;
        for (int k = head + step; index != head; k += step) {
            if (std::find(selection_.begin(), selection_.end(), k) == selection_.end()) {
                selection_.insert(selection_.begin(), k);
            }
            if (k == index) {
                break;
            }
        }
    } else {
        selection_ = {index};
    }
    selection_shown();
}

void Session::arrow() {
    const ArrowKey key = static_cast<ArrowKey>(uniform(0, 3));
    const bool shift = chance(0.5);
    const bool ctrl = chance(0.2);
    static constexpr const char* names[] = {"left", "up", "right", "down"};
    describe(std::string("arrow ") + names[static_cast<int>(key)] + (shift ? " shift" : "") +
             (ctrl ? " ctrl" : ""));
    note("arrow");
    const bool reaches = ids::is_swatch(editor_.screen.focus);
    editor_.arrow(key, shift, ctrl);
    if (!reaches || !loaded_) {
        return;
    }
    if (selection_.empty()) {
        selection_ = {0};
    } else {
        const int head = selection_.front();
        const int anchor = selection_.back();
        int target = head;
        switch (key) {
            case ArrowKey::left:
                target = head % grid_columns == 0 ? head : head - 1;
                break;
            case ArrowKey::up:
                target = head < grid_columns ? head : head - grid_columns;
                break;
            case ArrowKey::right:
                target = head % grid_columns == grid_columns - 1 ? head : head + 1;
                break;
            case ArrowKey::down:
                target = head + grid_columns > palette_size - 1 ? head : head + grid_columns;
                break;
        }
        if (!shift) {
            selection_ = {target};
        } else {
            selection_.clear();
            const int ac = anchor % grid_columns;
            const int ar = anchor / grid_columns;
            const int tc = target % grid_columns;
            const int tr = target / grid_columns;
            for (int c = ac;; c += ac <= tc ? 1 : -1) {
                for (int r = ar;; r += ar < tr ? 1 : -1) {
                    selection_.insert(selection_.begin(), grid_columns * r + c);
                    if (r == tr) {
                        break;
                    }
                }
                if (c == tc) {
                    break;
                }
            }
        }
    }
    selection_shown();
}

void Session::slider() {
    const int id = ids::sliders[static_cast<std::size_t>(uniform(0, 2))];
    const int position = chance(0.1) ? uniform(-40, 300) : uniform(0, 255);
    describe("slider " + std::to_string(id) + " to " + std::to_string(position));
    note("slider");
    editor_.move_slider(id, position);
    selection_may_be_edited();
}

std::string Session::digits_text() {
    std::string text;
    const int length = uniform(1, 12);
    for (int i = 0; i < length; ++i) {
        text += static_cast<char>('0' + uniform(0, 9));
    }
    return text;
}

void Session::field_event() {
    const std::array<int, 4> fields = {ids::field_red, ids::field_green, ids::field_blue,
                                       ids::field_hex};
    const int field = fields[static_cast<std::size_t>(uniform(0, 3))];
    const bool hex = field == ids::field_hex;
    const int what = uniform(0, 9);
    if (what < 5) {
        std::string text;
        if (hex) {
            text = chance(0.7) ? pick(hex_texts) : digits_text();
        } else {
            switch (uniform(0, 3)) {
                case 0:
                    text = std::to_string(uniform(0, 300));
                    break;
                case 1:
                    text = digits_text();
                    break;
                case 2:
                    text = "1a2b" + std::to_string(uniform(0, 9));  // letters the field refuses
                    break;
                default:
                    text = pick(hex_texts);
                    break;
            }
        }
        // Mostly the user replaces what is there, as select-all and typing does.
        const bool replace = chance(0.8);
        describe("type " + std::to_string(field) + " " + in_quotes(text) +
                 (replace ? " (replacing)" : ""));
        note("type");
        if (replace) {
            editor_.clear_field(field);
        }
        editor_.type(field, text);
    } else if (what < 7) {
        const std::string text = pick(pasted_texts);
        describe("paste into " + std::to_string(field) + " " + in_quotes(text));
        note("paste text");
        editor_.paste_into_field(field, text);
    } else if (what < 8) {
        describe("clear " + std::to_string(field));
        note("clear field");
        editor_.clear_field(field);
    } else {
        describe("leave " + std::to_string(field));
        note("leave field");
        editor_.leave_field(field);
    }
    selection_may_be_edited();
}

void Session::focus_change() {
    const std::array<int, 8> controls = {ids::field_red,
                                         ids::field_green,
                                         ids::field_blue,
                                         ids::field_hex,
                                         ids::slider_red,
                                         ids::slider_blue,
                                         ids::first_swatch + uniform(0, 255),
                                         0};
    const int id = controls[static_cast<std::size_t>(uniform(0, 7))];
    describe("focus " + std::to_string(id));
    note("focus");
    editor_.focus_control(id);
    selection_may_be_edited();
}

void Session::starting_box() {
    describe("double-click the starting color");
    note("starting box");
    editor_.double_click_starting_box();
    selection_may_be_edited();
}

void Session::window_event() {
    switch (uniform(0, 4)) {
        case 0:
            describe("paint");
            on_paint(editor_.state, editor_.screen);
            check_grid_now_ = true;
            break;
        case 1:
            describe("activate");
            on_activate(editor_.state, editor_.screen, true);
            check_grid_now_ = true;
            break;
        case 2:
            describe("deactivate");
            on_activate(editor_.state, editor_.screen, false);
            break;
        case 3:
            describe("size");
            on_size(editor_.state, editor_.screen);
            break;
        default:
            describe("settle");
            check_grid_now_ = editor_.screen.repaint_requests > 0;
            editor_.settle();
            expected_repaints_ = 0;
            break;
    }
    note("window event");
}

void Session::tooltip() {
    const int index = uniform(-3, 258);
    describe("tooltip " + std::to_string(index));
    note("tooltip");
    const auto text = tooltip_text(editor_.state, index);
    std::optional<std::string> expected;
    if (loaded_ && index >= 0 && index < palette_size) {
        const PaletteEntry& entry = editor_.state.palette[static_cast<std::size_t>(index)];
        char line[80];
        std::snprintf(line, sizeof line, "RGB: %d,%d,%d - Hex: 0x%04X", entry.red, entry.green,
                      entry.blue, static_cast<unsigned>(encode_bgr555(entry)));
        const std::uint16_t word = encode_bgr555(entry);
        expected = std::string(line) + (word == 0              ? " - transparent"
                                        : (word & 0x8000) != 0 ? " - semi-transparent"
                                                               : "");
    }
    if (text != expected) {
        fail("the tooltip of " + std::to_string(index) + " is " +
             (text ? in_quotes(*text) : std::string("none")) + ", expected " +
             (expected ? in_quotes(*expected) : std::string("none")));
    }
}

void Session::junk_command() {
    static constexpr int junk[] = {0, 1, 2, 199, ids::last_command + 1, 300, 311, 9000, -1, 65535};
    const int id = junk[uniform(0, 9)];
    describe("command " + std::to_string(id));
    note("junk command");
    editor_.command(id);
}

void Session::end_program() {
    if (chance(0.5)) {
        describe("Exit");
        note("exit");
        // Exit is always enabled; the loop ends without the window being destroyed.
        editor_.command(ids::exit);
        ++expected_quits_;
    } else {
        describe("close the window");
        note("close window");
        close_editor(editor_.state);
        if (editor_.state.color_clipboard != nullptr || editor_.state.clipboard_count != 0) {
            fail("closing the window kept the copy buffer");
        }
    }
    ended_ = true;
}

void Session::command() {
    static const std::vector<int> file_ids = {ids::load_clut,      ids::save_clut,
                                              ids::extract_tex,    ids::inject_tex,
                                              ids::extract_offset, ids::inject_offset};
    if (chance(0.03)) {
        undo_redo();
        return;
    }
    const int roll = uniform(0, 99);
    int id = 0;
    if (roll < 50) {
        id = pick(file_ids);
    } else if (roll < 80) {
        id = std::vector<int>{ids::blend, ids::copy,
                              ids::paste}[static_cast<std::size_t>(uniform(0, 2))];
    } else if (roll < 93) {
        id = zone_runs[static_cast<std::size_t>(uniform(0, 15))].command;
    } else {
        id = chance(0.5) ? ids::about : ids::tutorial;
    }
    if (!menu(id)) {
        // A grayed item, or its accelerator: no command, no dialog.
        describe("command " + std::to_string(id) + " (grayed)");
        note("grayed command");
        editor_.command(id);
        return;
    }
    switch (id) {
        case ids::load_clut:
            load_clut();
            break;
        case ids::save_clut:
            save_clut();
            break;
        case ids::extract_tex:
            extract_tex();
            break;
        case ids::inject_tex:
            inject_tex();
            break;
        case ids::extract_offset:
            extract_at();
            break;
        case ids::inject_offset:
            inject_at();
            break;
        case ids::blend:
            blend();
            break;
        case ids::copy:
            copy();
            break;
        case ids::paste:
            paste();
            break;
        case ids::about:
            describe("About");
            note("about");
            editor_.command(ids::about);
            ++expected_about_;
            break;
        case ids::tutorial:
            tutorial();
            break;
        default:
            for (const ZoneRun& run : zone_runs) {
                if (run.command == id) {
                    zone(run);
                }
            }
            break;
    }
}

std::vector<std::string> Session::regular_files() const {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files_) {
        names.push_back(name);
    }
    return names;
}

std::optional<std::string> Session::pick_read_path() {
    if (chance(0.08)) {
        return std::nullopt;  // Cancel
    }
    if (chance(0.05)) {
        return chance(0.5) ? "missing.clu" : "nodir/kit.clu";
    }
    return pick(regular_files());
}

std::optional<std::string> Session::pick_write_path(bool for_save) {
    if (chance(0.08)) {
        return std::nullopt;
    }
    const int roll = uniform(0, 19);
    if (roll == 0) {
        return "folder";
    }
    if (roll == 1) {
        return for_save ? "nodir/kit.clu" : "missing.dat";
    }
    if (for_save && roll < 6) {
        return roll < 4 ? "new-a.clu" : "new-b.pal";
    }
    return pick(regular_files());
}

TypedOffset Session::pick_offset(const std::string& name) {
    const Bytes* bytes = file(name);
    const int size = bytes == nullptr ? 600 : static_cast<int>(bytes->size());
    switch (uniform(0, 3)) {
        case 0:
            return pick(fixed_offsets());
        case 1: {
            char text[16];
            const int value = uniform(0, size + 4);
            std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
            return {text, value};
        }
        default: {
            const int value = chance(0.5) ? uniform(0, size + 4) : uniform(0, 64);
            return {std::to_string(value), value};
        }
    }
}

TypedCount Session::pick_count() {
    if (chance(0.4)) {
        return pick(fixed_counts());
    }
    const int count = chance(0.5) ? uniform(0, 300) : uniform(0, 20);
    return {std::to_string(count), std::min(count, 256)};
}

const Bytes* Session::file(const std::string& name) const {
    auto found = files_.find(name);
    return found == files_.end() ? nullptr : &found->second;
}

// --- The model's steps

// show_selection: the panel takes the head; an empty selection grays Blend,
// Copy and Paste, a non-empty one enables Blend and Copy. A head whose colour
// was edited off the table's 32 steps is snapped, and the difference moves
// every selected entry.
void Session::selection_shown() {
    check_panel_now_ = true;
    if (selection_.empty()) {
        set_menu(ids::blend, false);
        set_menu(ids::toggle_transparency, false);
        set_menu(ids::copy, false);
        set_menu(ids::paste, false);
        return;
    }
    set_menu(ids::blend, true);
    set_menu(ids::toggle_transparency, true);
    set_menu(ids::copy, true);
    check_panel_now_ = true;
    if (edited_[static_cast<std::size_t>(selection_.front())]) {
        for (int index : selection_) {
            edited_.set(static_cast<std::size_t>(index));
        }
    }
}

// Sliders, fields, focus changes and the starting box move the selected
// entries (the head, and the rest by the head's difference).
void Session::selection_may_be_edited() {
    for (int index : selection_) {
        edited_.set(static_cast<std::size_t>(index));
    }
}

void Session::read_succeeded(int count, const Words& words) {
    // Import colors, Export colors, Paste from clipboard and Adjust colors need a CLUT only.
    for (int id :
         {ids::import_colors, ids::export_colors, ids::paste_from_clipboard, ids::adjust_colors}) {
        set_menu(id, true);
    }
    loaded_ = true;
    set_menu(ids::select_changed, true);
    set_menu(ids::select_transparent, true);
    set_menu(ids::select_semi_transparent, true);
    count_ = count;
    read_count_ = count;
    original_ = words;
    edited_.reset();
    selection_.clear();
    palette_replaced_ = true;
    ++expected_repaints_;
}

// A failed read says why and leaves the table, its count, the selection and
// every menu state as they were.
void Session::read_failed(const std::string& name) {
    if (expected_errors_.empty()) {
        expect_error("Could not read a CLUT from \"" + path(name) + "\": ", false);
    }
}

void Session::set_zones(bool on) {
    for (const ZoneRun& run : zone_runs) {
        set_menu(run.command, on);
    }
}

// The words a writer must put down: each unedited entry's original word, each
// edited one as the table now holds it.
Bytes Session::expected_clut_bytes(int count) const {
    Bytes bytes(2 * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        put_word(bytes, 2 * index,
                 edited_[index] ? encode_bgr555(editor_.state.palette[index]) : original_[index]);
    }
    return bytes;
}

void Session::expect_error(std::string text, bool whole) {
    expected_errors_.push_back({std::move(text), whole});
}

void Session::settle_sometimes() {
    // Mostly the window repaints before the next input; sometimes later.
    if (chance(0.8)) {
        check_grid_now_ = editor_.screen.repaint_requests > 0;
        editor_.settle();
        expected_repaints_ = 0;
    }
}

void Session::load_clut() {
    const auto chosen = pick_read_path();
    describe("Load CLUT " + (chosen ? *chosen : std::string("(Cancel)")));
    editor_.screen.open_answers.push_back(chosen ? std::optional(path(*chosen)) : std::nullopt);
    editor_.command(ids::load_clut);
    if (!chosen) {
        note("load cancelled");
        return;
    }
    const Bytes* bytes = file(*chosen);
    const ReadResult read = raw_read(bytes);
    if (bytes != nullptr && bytes->size() / 2 > palette_size) {
        expect_error("CLUT can't have more than 256 colors.");
    }
    if (read.ok) {
        note("load ok");
        read_succeeded(read.count, read.words);
        kit_read_ = true;
        set_menu(ids::save_clut, true);
        set_menu(ids::inject_offset, true);
        set_menu(ids::inject_tex, false);
        set_zones(true);
    } else {
        note("load failed");
        read_failed(*chosen);
    }
    settle_sometimes();
}

void Session::save_clut() {
    const auto chosen = pick_write_path(true);
    describe("Save CLUT " + (chosen ? *chosen : std::string("(Cancel)")));
    editor_.screen.save_answers.push_back(chosen ? std::optional(path(*chosen)) : std::nullopt);
    editor_.command(ids::save_clut);
    if (!chosen) {
        note("save cancelled");
        return;
    }
    if (folders_.count(*chosen) != 0 || chosen->find('/') != std::string::npos) {
        note("save reported");
        expect_error("Could not save \"" + path(*chosen) + "\": ", false);
        return;
    }
    note("save ok");
    files_[*chosen] = expected_clut_bytes(std::clamp(count_, 0, palette_size));
}

void Session::extract_tex() {
    // Mostly one of the TEX files, named with the CLUT it was made with.
    std::optional<std::string> chosen = pick_read_path();
    std::optional<int> made_with;
    if (chosen && chance(0.6)) {
        auto made =
            std::next(tex_kinds_.begin(), uniform(0, static_cast<int>(tex_kinds_.size()) - 1));
        chosen = made->first;
        made_with = made->second;
    }
    std::vector<std::string> typed;
    std::optional<int> kind;
    if (chosen) {
        // What the user types before OK takes: names in any case, near misses, nothing.
        for (int attempt = 0; attempt < 3 && !kind; ++attempt) {
            std::string text;
            switch (made_with && chance(0.5) ? 4 : uniform(0, 6)) {
                case 0:
                    text = "Team";
                    break;
                case 1:
                    text = "team flag";
                    break;
                case 2:
                    text = std::string(clut_names[static_cast<std::size_t>(uniform(0, 4))]) + " ";
                    break;
                case 3:
                    text = "";
                    break;
                default: {
                    text = clut_names[static_cast<std::size_t>(made_with ? *made_with
                                                                         : uniform(0, 4))];
                    for (char& c : text) {
                        if (chance(0.3)) {
                            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                        }
                    }
                    break;
                }
            }
            typed.push_back(text);
            kind = named_kind(text);
        }
    }
    std::string texts;
    for (const auto& text : typed) {
        texts += " " + in_quotes(text);
    }
    describe("Extract from TEX " + (chosen ? *chosen : std::string("(Cancel)")) + texts);
    editor_.screen.open_answers.push_back(chosen ? std::optional(path(*chosen)) : std::nullopt);
    for (const auto& text : typed) {
        editor_.screen.clut_texts.push_back(text);
    }
    editor_.command(ids::extract_tex);
    if (!chosen) {
        note("extract TEX cancelled");
        return;
    }
    if (!kind) {
        // The fake stands for a dialog that could not be shown once no text is left.
        note("extract TEX without a name");
        ++expected_unanswered_;
        return;
    }
    const ReadResult read = tex_read(file(*chosen), *kind);
    if (read.ok) {
        note("extract TEX ok");
        set_zones(*kind != flag_kind);
        kit_read_ = *kind != flag_kind;
        read_succeeded(palette_size, read.words);
        tex_target_ = TexTarget{*chosen, *kind, read.offset};
        set_menu(ids::inject_tex, true);
        set_menu(ids::save_clut, true);
        set_menu(ids::inject_offset, true);
    } else {
        note("extract TEX failed");
        read_failed(*chosen);
    }
    settle_sometimes();
}

void Session::inject_tex() {
    describe("Inject in TEX");
    editor_.command(ids::inject_tex);
    if (!tex_target_) {
        fail("Inject CLUT in TEX file ran with no TEX file read");
        return;
    }
    const ReadResult found = tex_find(file(tex_target_->name), tex_target_->kind);
    if (!found.ok || found.offset != tex_target_->offset) {
        note("inject TEX reported");
        expect_error("Could not inject the CLUT into \"" + path(tex_target_->name) + "\": ", false);
        return;
    }
    note("inject TEX ok");
    const Bytes clut = expected_clut_bytes(std::clamp(count_, 0, palette_size));
    std::copy(clut.begin(), clut.end(), files_[tex_target_->name].begin() + found.offset);
}

void Session::extract_at() {
    const auto chosen = pick_read_path();
    std::optional<TypedOffset> offset;
    std::optional<TypedCount> count;
    if (chosen && chance(0.9)) {
        offset = pick_offset(*chosen);
        count = pick_count();
    }
    describe("Extract at " + (chosen ? *chosen : std::string("(Cancel)")) +
             (offset ? " " + in_quotes(offset->text) + " " + in_quotes(count->text) : " (Cancel)"));
    editor_.screen.open_answers.push_back(chosen ? std::optional(path(*chosen)) : std::nullopt);
    if (chosen) {
        editor_.screen.params_answers.push_back(
            offset ? std::optional(ClutParamsAnswer{offset->text, count->text}) : std::nullopt);
    }
    editor_.command(ids::extract_offset);
    if (chosen && editor_.screen.params_initial_counts != std::vector<std::string>{""}) {
        fail("the parameters dialog did not open with an empty count");
    }
    if (!chosen || !offset) {
        note("extract at cancelled");
        return;
    }
    if (!offset->value) {
        note("extract at, offset no number");
        expect_error(offset_refusal(offset->text, offset->out_of_range));
        return;
    }
    const ReadResult read = at_read(file(*chosen), *offset->value, count->count);
    if (read.ok) {
        note("extract at ok");
        set_zones(false);
        kit_read_ = false;
        read_succeeded(count->count, read.words);
        set_menu(ids::inject_tex, tex_target_.has_value());
        set_menu(ids::save_clut, true);
        set_menu(ids::inject_offset, true);
    } else {
        note("extract at failed");
        read_failed(*chosen);
    }
    settle_sometimes();
}

void Session::inject_at() {
    const auto chosen = pick_write_path(false);
    std::optional<TypedOffset> offset;
    std::optional<TypedCount> count;
    if (chosen && chance(0.9)) {
        offset = pick_offset(*chosen);
        count = pick_count();
    }
    describe("Inject at " + (chosen ? *chosen : std::string("(Cancel)")) +
             (offset ? " " + in_quotes(offset->text) + " " + in_quotes(count->text) : " (Cancel)"));
    const std::string initial_count = std::to_string(count_);
    editor_.screen.save_answers.push_back(chosen ? std::optional(path(*chosen)) : std::nullopt);
    if (chosen) {
        editor_.screen.params_answers.push_back(
            offset ? std::optional(ClutParamsAnswer{offset->text, count->text}) : std::nullopt);
    }
    editor_.command(ids::inject_offset);
    if (chosen && editor_.screen.params_initial_counts != std::vector<std::string>{initial_count}) {
        fail("the parameters dialog did not open with the color count");
    }
    if (!chosen || !offset) {
        note("inject at cancelled");
        return;
    }
    if (!offset->value) {
        note("inject at, offset no number");
        expect_error(offset_refusal(offset->text, offset->out_of_range));
        return;
    }
    const Bytes* target = file(*chosen);
    const std::int64_t at = *offset->value;
    const std::int64_t length = 2 * static_cast<std::int64_t>(count->count);
    if (target == nullptr || at < 0 || at + length > static_cast<std::int64_t>(target->size())) {
        // A failed injection leaves the count and the zones as they were.
        note("inject at reported");
        expect_error("Could not inject the CLUT into \"" + path(*chosen) + "\": ", false);
        return;
    }
    note("inject at ok");
    count_ = count->count;
    set_zones(false);
    const Bytes clut = expected_clut_bytes(count->count);
    std::copy(clut.begin(), clut.end(), files_[*chosen].begin() + at);
}

void Session::blend() {
    describe("Blend");
    note(selection_.size() >= 2 ? "blend" : "blend with nothing to do");
    editor_.command(ids::blend);
    if (!loaded_ || selection_.size() < 2) {
        return;
    }
    // The ends keep their colours, every other entry lies between them, and
    // no high bit moves.
    const auto& after = editor_.state.palette;
    const auto& head = palette_before_[static_cast<std::size_t>(selection_.front())];
    const auto& tail = palette_before_[static_cast<std::size_t>(selection_.back())];
    for (int index : selection_) {
        const auto i = static_cast<std::size_t>(index);
        const auto between = [](int value, int a, int b) {
            return value >= std::min(a, b) && value <= std::max(a, b);
        };
        if (after[i].high_bit != palette_before_[i].high_bit ||
            !between(after[i].red, head.red, tail.red) ||
            !between(after[i].green, head.green, tail.green) ||
            !between(after[i].blue, head.blue, tail.blue)) {
            fail("the blend put entry " + std::to_string(index) + " outside its ends");
        }
    }
    if (!(after[static_cast<std::size_t>(selection_.front())] == head) ||
        !(after[static_cast<std::size_t>(selection_.back())] == tail)) {
        fail("the blend changed an end of the gradient");
    }
    selection_may_be_edited();
}

void Session::copy() {
    describe("Copy");
    note(selection_.empty() ? "copy with nothing selected" : "copy");
    editor_.command(ids::copy);
    if (!selection_.empty()) {
        clipboard_.clear();
        for (int index : selection_) {
            clipboard_.push_back(editor_.state.palette[static_cast<std::size_t>(index)]);
        }
        set_menu(ids::paste, true);
    }
}

void Session::paste() {
    describe("Paste");
    note(selection_.empty() ? "paste with nothing selected" : "paste");
    editor_.command(ids::paste);
    // Record i lands, whole, on the i-th selected entry from the head; the
    // entries beyond the records keep what they had.
    for (std::size_t i = 0; i < selection_.size(); ++i) {
        const auto index = static_cast<std::size_t>(selection_[i]);
        const PaletteEntry& expected =
            i < clipboard_.size() ? clipboard_[i] : palette_before_[index];
        if (!(editor_.state.palette[index] == expected)) {
            fail("after the paste entry " + std::to_string(index) + " does not hold " +
                 (i < clipboard_.size() ? "record " + std::to_string(i) : "its own color"));
        }
    }
    if (!selection_.empty() && !clipboard_.empty()) {
        selection_may_be_edited();
    }
}

// Undo then Redo of a colour change gives back the table as it was, keeps
// the selection, shows the head as held, and works out the menus that follow
// the CLUT afresh: the kit zones are on for a kit read at its own count.
void Session::undo_redo() {
    const FakeWindowLayer& screen = editor_.screen;
    if (!screen.menu_enabled(ids::undo)) {
        describe("Undo (grayed)");
        note("undo grayed");
        editor_.command(ids::undo);
        return;
    }
    const auto text = screen.menu_texts.find(ids::undo);
    if (text == screen.menu_texts.end() || text->second.find("CLUT") != std::string::npos ||
        text->second.find("Color count") != std::string::npos) {
        return;  // a read or a count: the model does not follow those back
    }
    describe("Undo, Redo: " + text->second.substr(0, text->second.find('\t')));
    note("undo, redo");
    editor_.command(ids::undo);
    editor_.command(ids::redo);
    if (!(editor_.state.palette == palette_before_)) {
        fail("Undo then Redo did not give the table back");
    }
    set_menu(ids::blend, !selection_.empty());
    set_menu(ids::toggle_transparency, !selection_.empty());
    set_menu(ids::copy, !selection_.empty());
    if (selection_.empty()) {
        set_menu(ids::paste, false);
    }
    set_zones(kit_read_ && count_ == read_count_);
    check_panel_now_ = true;
    check_grid_now_ = true;
}

void Session::zone(const ZoneRun& run) {
    describe("zone " + std::to_string(run.command));
    note("zone");
    editor_.command(run.command);
    selection_.clear();
    for (int i = run.first; i <= run.last; ++i) {
        selection_.insert(selection_.begin(), i);
    }
    selection_shown();
}

void Session::tutorial() {
    describe("Tutorial");
    note("tutorial");
    editor_.command(ids::tutorial);
    std::error_code error;
    const bool beside = fs::is_regular_file(path("help/tavrin.html"), error);
    const bool in_current =
        fs::is_regular_file(fs::current_path(error) / "help" / "tavrin.html", error);
    if (!beside && !in_current) {
        expect_error("Tutorial file not found.");
    }
    if (beside &&
        (editor_.screen.opened_documents.size() != 1 ||
         !fs::equivalent(editor_.screen.opened_documents[0], path("help/tavrin.html"), error))) {
        fail("the tutorial page beside the program was not opened");
    }
}

// --- Checks

std::optional<std::string> Session::check_files() const {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir_.folder(), error)) {
        names.insert(entry.path().filename().string());
    }
    std::set<std::string> expected(folders_);
    for (const auto& [name, bytes] : files_) {
        expected.insert(name);
    }
    if (names != expected) {
        std::string listing;
        for (const auto& name : names) {
            listing += " " + name;
        }
        return "the folder holds" + listing;
    }
    for (const auto& [name, bytes] : files_) {
        if (read_bytes(path(name)) != bytes) {
            return name + " does not hold what it should";
        }
    }
    return std::nullopt;
}

std::optional<std::string> Session::check_grid() const {
    const auto& screen = editor_.screen;
    const auto& state = editor_.state;
    for (int i = 0; i < palette_size; ++i) {
        const bool live = i < count_;
        const Rgb color =
            live ? color_of(state.palette[static_cast<std::size_t>(i)]) : fake_button_face_color;
        const bool selected =
            std::find(selection_.begin(), selection_.end(), i) != selection_.end();
        if (selected ? !screen.cell_is_framed(i, color) : !screen.cell_is_plain(i, color)) {
            return "cell " + std::to_string(i) + " is not painted as " +
                   (selected ? "a framed" : "a plain") + (live ? " live cell" : " empty cell");
        }
        if (screen.enabled(ids::first_swatch + i) != live) {
            return "cell " + std::to_string(i) + (live ? " is disabled" : " is enabled");
        }
    }
    const Rgb empty = fake_scrollbar_color;
    const bool shown = !selection_.empty();
    if (screen.box(ids::current_box) != (shown ? color_of(state.focused_entry) : empty) ||
        screen.box(ids::starting_box) != (shown ? color_of(state.starting_entry) : empty)) {
        return "the color boxes do not show the selection";
    }
    return std::nullopt;
}

// After a selection change the panel shows the head, with the focus on its
// cell, or stands blank and disabled when nothing is selected.
std::optional<std::string> Session::check_panel() const {
    const auto& screen = editor_.screen;
    const bool shown = !selection_.empty();
    const PaletteEntry head =
        shown ? editor_.state.palette[static_cast<std::size_t>(selection_.front())]
              : PaletteEntry{};
    const std::array<int, 3> components = {head.red, head.green, head.blue};
    for (std::size_t c = 0; c < 3; ++c) {
        if (screen.slider_position(ids::sliders[c]) != components[c] ||
            screen.field_text(ids::decimal_fields[c]) != std::to_string(components[c])) {
            return "the panel's channel " + std::to_string(c) + " does not show the head";
        }
    }
    if (screen.field_text(ids::field_hex) != hex_text(encode_bgr555(head))) {
        return "the hex field shows " + in_quotes(screen.field_text(ids::field_hex)) +
               ", not the head";
    }
    if (screen.box(ids::current_box) != (shown ? color_of(head) : fake_scrollbar_color)) {
        return "box 303 does not show the head";
    }
    for (int id : {ids::field_hex, ids::field_red, ids::field_green, ids::field_blue,
                   ids::slider_red, ids::slider_green, ids::slider_blue}) {
        if (screen.enabled(id) != shown) {
            return "control " + std::to_string(id) + (shown ? " is disabled" : " is enabled");
        }
    }
    if (shown && screen.focus != ids::first_swatch + selection_.front()) {
        return "the focus is on " + std::to_string(screen.focus) + ", not on the head's cell";
    }
    return std::nullopt;
}

std::optional<std::string> Session::check() {
    const EditorState& state = editor_.state;
    const FakeWindowLayer& screen = editor_.screen;
    if (failure_) {
        return failure_;
    }

    for (int id = ids::first_command; id <= ids::last_command; ++id) {
        if (id == ids::undo || id == ids::redo) {
            // Which events make a step is the history's own test; here the
            // screen and the gate agree, and there is nothing before a CLUT.
            if (screen.menu_enabled(id) != command_enabled(state, id) ||
                (!loaded_ && command_enabled(state, id))) {
                return "menu item " + std::to_string(id) + " disagrees with the history";
            }
            continue;
        }
        if (screen.menu_enabled(id) != menu(id) || command_enabled(state, id) != menu(id)) {
            return "menu item " + std::to_string(id) + " is " +
                   (screen.menu_enabled(id) ? "enabled" : "grayed") + " on screen and " +
                   (command_enabled(state, id) ? "enabled" : "grayed") +
                   " in the editor; the rules say " + (menu(id) ? "enabled" : "grayed");
        }
    }
    if (state.palette_loaded != (loaded_ ? 1 : 0)) {
        return "palette_loaded is " + std::to_string(state.palette_loaded);
    }
    if (state.color_count != count_) {
        return "color_count is " + std::to_string(state.color_count) + ", expected " +
               std::to_string(count_);
    }

    std::vector<int> listed;
    std::set<int> distinct;
    for (const SelectionNode* node = state.selection; node != nullptr && listed.size() <= 300;
         node = node->next) {
        if (node->index < 0 || node->index >= palette_size) {
            return "the selection holds index " + std::to_string(node->index);
        }
        if (!distinct.insert(node->index).second) {
            return "the selection holds " + std::to_string(node->index) + " twice";
        }
        listed.push_back(node->index);
    }
    if (listed != selection_) {
        std::string text = "the selection is";
        for (int index : listed) {
            text += " " + std::to_string(index);
        }
        text += "; expected";
        for (int index : selection_) {
            text += " " + std::to_string(index);
        }
        return text;
    }

    std::set<int> touchable(selection_before_.begin(), selection_before_.end());
    touchable.insert(selection_.begin(), selection_.end());
    for (int i = 0; i < palette_size; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const PaletteEntry& entry = state.palette[index];
        if (entry.high_bit != 0 && entry.high_bit != high_bit_mask) {
            return "entry " + std::to_string(i) + " has high_bit " + std::to_string(entry.high_bit);
        }
        if (!edited_[index] && !(entry == decode_bgr555(original_[index]))) {
            return "unedited entry " + std::to_string(i) + " is " + hex_text(encode_bgr555(entry)) +
                   " (" + std::to_string(entry.red) + "," + std::to_string(entry.green) + "," +
                   std::to_string(entry.blue) + "), not its original " + hex_text(original_[index]);
        }
        if (!palette_replaced_ && touchable.count(i) == 0 && !(entry == palette_before_[index])) {
            return "entry " + std::to_string(i) + ", not selected, changed";
        }
    }

    if (state.clipboard_count < 0 || state.clipboard_count > palette_size ||
        (state.clipboard_count > 0) != (state.color_clipboard != nullptr)) {
        return "the copy buffer holds " + std::to_string(state.clipboard_count) + " records";
    }
    for (int slider : ids::sliders) {
        const int position = screen.slider_position(slider);
        if (position < 0 || position > 255) {
            return "slider " + std::to_string(slider) + " stands at " + std::to_string(position);
        }
    }
    if (screen.field_text(ids::field_hex).size() > 4) {
        return "the hex field shows " + in_quotes(screen.field_text(ids::field_hex));
    }

    // Messages: exactly those the event calls for.
    if (screen.errors.size() != expected_errors_.size()) {
        std::string text = std::to_string(screen.errors.size()) + " messages shown, " +
                           std::to_string(expected_errors_.size()) + " expected:";
        for (const auto& error : screen.errors) {
            text += " shown " + in_quotes(error) + ";";
        }
        for (const auto& error : expected_errors_) {
            text += " expected " + in_quotes(error.text) + ";";
        }
        return text;
    }
    for (std::size_t i = 0; i < expected_errors_.size(); ++i) {
        const auto& expected = expected_errors_[i];
        const auto& shown = screen.errors[i];
        const bool matches = expected.whole ? shown == expected.text
                                            : shown.rfind(expected.text, 0) == 0 &&
                                                  shown.size() > expected.text.size() + 5;
        if (!matches) {
            return "message " + in_quotes(shown) + ", expected " + in_quotes(expected.text) +
                   (expected.whole ? "" : " and a reason");
        }
    }
    if (!screen.open_answers.empty() || !screen.save_answers.empty() ||
        !screen.clut_texts.empty() || !screen.params_answers.empty()) {
        return "a dialog the user answered was not shown";
    }
    if (screen.unanswered_dialogs != expected_unanswered_) {
        return "a dialog was shown that the command should not open";
    }
    if (screen.repaint_requests != expected_repaints_) {
        return std::to_string(screen.repaint_requests) + " repaints requested, expected " +
               std::to_string(expected_repaints_);
    }
    if (screen.about_boxes != expected_about_ || screen.quit_requests != expected_quits_) {
        return "the About box or the quit request does not match the commands";
    }
    if (check_panel_now_) {
        if (auto failure = check_panel()) {
            return *failure;
        }
    }
    if (check_grid_now_ && loaded_) {
        if (auto failure = check_grid()) {
            return *failure;
        }
    }
    // The files are compared in full whenever anything in the folder moved,
    // and now and then regardless.
    if (watch_->changed() || events_ % 1000 == 1) {
        return check_files();
    }
    return std::nullopt;
}

}  // namespace

SoakReport run_soak(const SoakOptions& options) {
    SoakReport report;
    std::uint64_t seed = options.seed;
    while (report.events < options.events) {
        const long remaining = options.events - report.events;
        const long planned = std::min(
            remaining, 1 + static_cast<long>(next_seed(seed) %
                                             static_cast<std::uint64_t>(options.longest_session)));
        Session session(seed, report);
        ++report.sessions;
        long done = 0;
        while (done < planned && !session.ended()) {
            ++done;
            ++report.events;
            if (auto failure = session.step()) {
                report.passed = false;
                report.failure = "soak failure at event " + std::to_string(done) +
                                 " of the session with seed " + std::to_string(seed) + " (event " +
                                 std::to_string(report.events) + " of the run with seed " +
                                 std::to_string(options.seed) + "): " + *failure +
                                 "\nreplay: TAVRIN_SOAK_SEED=" + std::to_string(seed) +
                                 " TAVRIN_SOAK_EVENTS=" + std::to_string(done) +
                                 "\nthe last events:\n" + session.recent_events();
                return report;
            }
        }
        seed = next_seed(seed);
    }
    return report;
}

SoakOptions soak_options_from_environment(SoakOptions defaults) {
    if (const char* seed = std::getenv("TAVRIN_SOAK_SEED"); seed != nullptr && *seed != '\0') {
        defaults.seed = std::strtoull(seed, nullptr, 10);
    }
    if (const char* events = std::getenv("TAVRIN_SOAK_EVENTS");
        events != nullptr && *events != '\0') {
        defaults.events = std::strtol(events, nullptr, 10);
    }
    return defaults;
}

}  // namespace tavrin::testing
