// open_path: the file's content picks the read, which then runs exactly as
// after its command's open-file dialog.
#include "ui/open_path.h"

#include <array>
#include <memory>

#include "disc/disc.h"
#include "files/clut_files.h"
#include "image/image.h"
#include "ui/disc_commands.h"
#include "ui/file_commands.h"
#include "ui/history_commands.h"
#include "ui/preview.h"

namespace tavrin {

namespace {

constexpr std::uint32_t tim_magic = 0x10;

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
        TimInfo info;
        Status status = read_tim_info(fs, path, info);
        if (!status.ok()) {
            status.reason = "it is a TIM image that cannot be read: " + status.reason;
            return status;
        }
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
    disc::ImageInfo image;
    const Status recognised = disc::recognise(*state.file_system, path, image);
    if (recognised.ok() && image.kind != disc::ImageKind::none) {
        if (!command_enabled(state, ids::open_in_disc)) {
            return false;
        }
        as_user_event(state, layer, command_event(ids::open_in_disc),
                      [&] { open_disc_image(state, layer, path); });
        return true;
    }
    if (!recognised.ok()) {
        // A packed image (CHD, ECM, PBP) or a cue sheet without its data:
        // what it is and what to do, rather than a read of it as colours.
        before_modal(state, layer);
        layer.show_message(MessageKind::error,
                           "Could not open \"" + path + "\": " + recognised.reason + ".");
        return false;
    }
    FileKind kind = FileKind::raw_clut;
    const Status status = detect_file_kind(*state.file_system, path, kind);
    if (!status.ok()) {
        before_modal(state, layer);
        layer.show_message(MessageKind::error,
                           "Could not open \"" + path + "\": " + status.reason + ".");
        return false;
    }
    const int command = kind == FileKind::tex   ? ids::extract_tex
                        : kind == FileKind::tim ? ids::extract_tim
                                                : ids::load_clut;
    if (!command_enabled(state, command)) {
        return false;
    }
    // The read is a step under the name of the command it stands for.
    as_user_event(state, layer, command_event(command), [&] {
        if (kind == FileKind::tex) {
            extract_clut_from_tex_file(state, layer, path);
        } else if (kind == FileKind::tim) {
            extract_clut_from_tim_file(state, layer, path);
        } else {
            load_clut_file(state, layer, path);
        }
    });
    return true;
}

}  // namespace tavrin
