// Opening a file inside a disc image, and the sector views the file
// commands go through.
#include "ui/disc_commands.h"

#include <vector>

#include "disc/disc.h"
#include "disc/sectors.h"
#include "ui/editor.h"
#include "ui/file_commands.h"
#include "ui/open_path.h"

namespace tavrin {

namespace {

std::string base_name(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "DATA/TEAM.TEX  12,288 bytes", and what keeps a file from being read.
std::string file_row(const disc::DiscFile& file) {
    std::string size = std::to_string(file.size);
    for (auto at = size.size(); at > 3; at -= 3) {
        size.insert(at - 3, ",");
    }
    return file.path + "  " + size + (file.size == 1 ? " byte" : " bytes") +
           (file.form2 ? "  (Form 2: video or sound)" : "");
}

void report(EditorState& state, WindowLayer& layer, const std::string& message) {
    before_modal(state, layer);
    layer.show_message(MessageKind::error, message);
}

}  // namespace

FileSystem& files_for(EditorState& state, const std::string& path, const std::string& inside,
                      std::unique_ptr<FileSystem>& view, Status& status) {
    FileSystem& fs = *state.file_system;
    status = Status::success();
    if (inside.empty()) {
        // Only a raw image needs its sectors skipped; an .iso is its data.
        // A packed image (CHD, ECM, PBP) is read as the plain file it is.
        disc::ImageInfo info;
        const Status recognised = disc::recognise(fs, path, info);
        if (!recognised.ok() && recognised.code != Status::Code::invalid_argument) {
            status = recognised;  // the file cannot be read at all
        }
        if (!recognised.ok() || info.kind != disc::ImageKind::raw) {
            return fs;
        }
    }
    view = disc::inside_image(fs, path, inside);
    return *view;
}

std::string shown_file(const std::string& path, const std::string& inside) {
    return inside.empty() ? path : inside + " in " + path;
}

std::string disc_title(const ClutSource& source) {
    if (source.inside.empty()) {
        return "";
    }
    return base_name(source.inside) + " in " + base_name(source.path);
}

void open_file_in_disc_image(EditorState& state, WindowLayer& layer) {
    before_modal(state, layer);
    const auto chosen = ask_open_path(
        layer,
        FileDialogRequest{{{"Disc images (*.bin;*.img;*.iso;*.cue)", "*.bin;*.img;*.iso;*.cue"},
                           {"All Files (*.*)", "*.*"}},
                          state.dialogs.disc_path,
                          state.program_dir,
                          true});
    if (chosen) {
        open_disc_image(state, layer, *chosen);
    }
}

void open_disc_image(EditorState& state, WindowLayer& layer, const std::string& image) {
    state.dialogs.disc_path = image;
    std::vector<disc::DiscFile> files;
    Status status = disc::list_files(*state.file_system, image, files);
    if (status.ok() && files.empty()) {
        status = Status::failure(Status::Code::not_in_file, "it holds no files");
    }
    if (!status.ok()) {
        report(state, layer,
               "Could not open the disc image \"" + image + "\": " + status.reason + ".");
        return;
    }
    std::vector<std::string> rows;
    for (const disc::DiscFile& file : files) {
        rows.push_back(file_row(file));
    }
    before_modal(state, layer);
    const auto picked = layer.choose_from_list("Open file in disc image",
                                               "Files in " + base_name(image) + ":", rows, 0, true);
    if (!picked || *picked < 0 || *picked >= static_cast<int>(files.size())) {
        return;  // Cancel: nothing changes
    }
    const std::string inside = files[static_cast<std::size_t>(*picked)].path;
    const auto view = disc::inside_image(*state.file_system, image, inside);
    FileKind kind = FileKind::raw_clut;
    status = detect_file_kind(*view, image, kind);
    // A file too large for a raw CLUT is what "CLUT parameters" is for.
    if (!status.ok() && status.code != Status::Code::too_many_colors) {
        report(state, layer, "Could not open \"" + image + "\": " + status.reason + ".");
        return;
    }
    if (status.ok() && kind == FileKind::tex) {
        extract_tex_clut(state, layer, image, inside);
        return;
    }
    if (status.ok() && kind == FileKind::tim) {
        extract_tim_clut_at(state, layer, image, 0, inside);
        return;
    }
    before_modal(state, layer);
    const auto answer = layer.clut_params_dialog("");
    const auto params = answer ? clut_params_dialog_ok(state, layer, *answer) : std::nullopt;
    if (params) {
        extract_at(state, layer, image, static_cast<std::uint64_t>(params->offset), params->count,
                   inside);
    }
}

bool file_at_image_offset(FileSystem& fs, const std::string& path, std::uint64_t image_offset,
                          std::string& inside, std::uint64_t& offset) {
    disc::DataLayout layout;
    std::uint64_t length = 0;
    std::vector<disc::DiscFile> files;
    if (!disc::data_layout(fs, path, layout, length).ok() || image_offset < layout.base ||
        !disc::list_files(fs, path, files).ok()) {
        return false;
    }
    const std::uint64_t lba = (image_offset - layout.base) / layout.sector_size;
    const std::uint64_t in_sector = (image_offset - layout.base) % layout.sector_size;
    if (in_sector < layout.data_at || in_sector >= layout.data_at + disc::data_sector_size) {
        return false;
    }
    const std::uint64_t stream = lba * disc::data_sector_size + in_sector - layout.data_at;
    for (const disc::DiscFile& file : files) {
        const std::uint64_t start = std::uint64_t{file.lba} * disc::data_sector_size;
        if (!file.form2 && stream >= start && stream < start + file.size) {
            inside = file.path;
            offset = stream - start;
            return true;
        }
    }
    return false;
}

}  // namespace tavrin
