// open_path: the first open dialog of the chosen command is answered with the
// path, so the command itself does all the reading, exactly as from the menu.
#include "ui/open_path.h"

#include <array>
#include <memory>

#include "files/clut_files.h"

namespace tavrin {

namespace {

constexpr std::uint32_t tim_magic = 0x10;

// Forwards everything to the screen, except that the next open-file dialog is
// not shown: the user already chose the file.
class ChosenPathLayer : public WindowLayer {
  public:
    ChosenPathLayer(WindowLayer& screen, std::string path)
        : screen_(screen), path_(std::move(path)) {}

    std::optional<std::string> open_file_dialog(const FileDialogRequest& request) override {
        if (path_) {
            auto chosen = std::move(path_);
            path_.reset();
            return chosen;
        }
        return screen_.open_file_dialog(request);
    }

    void set_menu_item(int command_id, bool enabled) override {
        screen_.set_menu_item(command_id, enabled);
    }
    void set_control_text(int id, std::string_view text) override {
        screen_.set_control_text(id, text);
    }
    std::string control_text(int id) const override { return screen_.control_text(id); }
    void set_text_limit(int id, int characters) override { screen_.set_text_limit(id, characters); }
    void enable_control(int id, bool enabled) override { screen_.enable_control(id, enabled); }
    void configure_slider(int id, int minimum, int maximum, int tick_every) override {
        screen_.configure_slider(id, minimum, maximum, tick_every);
    }
    void set_slider_position(int id, int position) override {
        screen_.set_slider_position(id, position);
    }
    int slider_position(int id) const override { return screen_.slider_position(id); }
    void set_focus(int id) override { screen_.set_focus(id); }
    int focused_control() const override { return screen_.focused_control(); }
    void fill_cell(int index, Rgb color) override { screen_.fill_cell(index, color); }
    void frame_cell(int index) override { screen_.frame_cell(index); }
    void fill_box(int id, Rgb color) override { screen_.fill_box(id, color); }
    Rgb system_color(SystemColor which) const override { return screen_.system_color(which); }
    void request_repaint() override { screen_.request_repaint(); }
    std::optional<std::string> save_file_dialog(const FileDialogRequest& request) override {
        return screen_.save_file_dialog(request);
    }
    std::optional<int> select_clut_dialog(
        const std::vector<std::string>& entries,
        const std::function<std::optional<int>(std::string_view typed)>& accept) override {
        return screen_.select_clut_dialog(entries, accept);
    }
    std::optional<ClutParamsAnswer> clut_params_dialog(std::string_view initial_count) override {
        return screen_.clut_params_dialog(initial_count);
    }
    void show_about_box() override { screen_.show_about_box(); }
    void show_error(std::string_view message) override { screen_.show_error(message); }
    OpenDocumentResult open_document(const std::string& path) override {
        return screen_.open_document(path);
    }
    std::string program_dir() const override { return screen_.program_dir(); }
    void quit() override { screen_.quit(); }

  private:
    WindowLayer& screen_;
    std::optional<std::string> path_;
};

// The first four bytes, or fewer for a shorter file.
Status read_head(FileSystem& fs, const std::string& path, std::array<std::uint8_t, 4>& head,
                 std::size_t& got) {
    std::unique_ptr<File> file;
    Status status = fs.open(path, OpenMode::read, file);
    if (!status.ok()) {
        return status;
    }
    got = 0;
    while (status.ok() && got < head.size()) {
        std::size_t done = 0;
        status = file->read(std::span(head).subspan(got), done);
        if (done == 0) {
            break;
        }
        got += done;
    }
    return status;
}

bool is_tex(FileSystem& fs, const std::string& path) {
    for (int kind = 0; kind < tex_kind_count; ++kind) {
        std::uint32_t offset = 0;
        if (!find_tex_clut(fs, path, kind, offset).ok()) {
            return false;
        }
    }
    return true;
}

}  // namespace

Status detect_file_kind(FileSystem& fs, const std::string& path, FileKind& kind) {
    std::array<std::uint8_t, 4> head{};
    std::size_t got = 0;
    if (Status status = read_head(fs, path, head, got); !status.ok()) {
        return status;
    }
    const std::uint32_t first_word =
        static_cast<std::uint32_t>(head[0]) | static_cast<std::uint32_t>(head[1]) << 8 |
        static_cast<std::uint32_t>(head[2]) << 16 | static_cast<std::uint32_t>(head[3]) << 24;
    if (got == head.size() && first_word == tim_magic) {
        kind = FileKind::tim;
        return Status::success();
    }
    if (is_tex(fs, path)) {
        kind = FileKind::tex;
        return Status::success();
    }
    // Read it whole, so that a file the command would fail on is refused here,
    // before anything in the window changes.
    Clut clut;
    Status status = read_clut_file(fs, path, clut);
    if (status.code == Status::Code::too_many_colors) {
        status.reason =
            "it is neither a TEX file nor a TIM image, and as a raw CLUT " + status.reason;
    }
    if (status.ok()) {
        kind = FileKind::raw_clut;
    }
    return status;
}

bool open_path(EditorState& state, WindowLayer& layer, const std::string& path) {
    FileKind kind = FileKind::raw_clut;
    const Status status = detect_file_kind(*state.file_system, path, kind);
    if (!status.ok()) {
        before_modal(state, layer);
        layer.show_error("Could not open \"" + path + "\": " + status.reason + ".");
        return false;
    }
    if (kind == FileKind::tim) {
        before_modal(state, layer);
        layer.show_error("Could not open \"" + path +
                         "\": it is a TIM image, and TIM images are not yet supported.");
        return false;
    }
    const int command = kind == FileKind::tex ? ids::extract_tex : ids::load_clut;
    if (!command_enabled(state, command)) {
        return false;
    }
    ChosenPathLayer chosen(layer, path);
    run_command(state, chosen, command);
    return true;
}

}  // namespace tavrin
