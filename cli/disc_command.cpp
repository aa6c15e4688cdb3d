// ls and --inside over disc/.
#include "cli/disc_command.h"

#include <vector>

#include "files/file_reads.h"

namespace tavrin::cli {

namespace {

// The subcommands with one FILE (import: --into) read or written through a view.
constexpr const char* image_commands[] = {"dump",   "extract", "inject",
                                          "render", "export",  "import"};

}  // namespace

void add_disc_options(CLI::App& app, DiscOptions& options) {
    options.ls = app.add_subcommand("ls", "list the files of a disc image: PATH LBA SIZE");
    options.ls->add_option("IMAGE", options.image, "a .bin, .img, .iso or .cue")->required();
    for (const char* name : image_commands) {
        app.get_subcommand(name)->add_option(
            "--inside", options.inside,
            "a file inside the disc image FILE, such as DATA/KIT.TEX (without ;1, any case)");
    }
}

std::optional<Failure> run_ls(FileSystem& fs, const std::string& image, std::ostream& out) {
    std::vector<disc::DiscFile> files;
    if (auto failure = failed(image, disc::list_files(fs, image, files))) {
        return failure;
    }
    for (const auto& file : files) {
        out << file.path << ' ' << file.lba << ' ' << file.size << '\n';
    }
    out.flush();
    if (!out) {
        return Failure{"standard output", "writing failed"};
    }
    return std::nullopt;
}

std::string subject_file(const CLI::App& app) {
    for (const char* name : image_commands) {
        const CLI::App* command = app.get_subcommand(name);
        if (command->parsed()) {
            const CLI::Option* option =
                command->get_option_no_throw(std::string(name) == "import" ? "--into" : "FILE");
            return option && option->count() > 0 ? option->as<std::string>() : "";
        }
    }
    return "";
}

std::optional<Failure> disc_view(FileSystem& fs, const std::string& file, const std::string& inside,
                                 std::unique_ptr<FileSystem>& view) {
    if (file.empty()) {
        return std::nullopt;
    }
    disc::ImageInfo info;
    const Status status = disc::recognise(fs, file, info);
    if (!status.ok() && (!inside.empty() || status.code == Status::Code::invalid_argument)) {
        return failed(file, status);
    }
    if (!inside.empty() && info.kind == disc::ImageKind::none) {
        return Failure{file, "it is not a disc image, so --inside has nothing to look in"};
    }
    if (!inside.empty() || info.kind == disc::ImageKind::raw) {
        view = disc::inside_image(fs, file, inside);
    }
    return std::nullopt;
}

std::optional<Failure> SearchedData::open(FileSystem& fs, const std::string& file,
                                          const std::string& inside) {
    file_ = file;
    if (auto failure = disc_view(fs, file, inside, view_)) {
        return failure;
    }
    if (!view_) {
        return std::nullopt;
    }
    whole_image_ = inside.empty();
    disc::ImageInfo info;
    Status status = whole_image_ ? disc::recognise(fs, file, info) : Status::success();
    data_path_ = info.data_path;
    if (status.ok() && whole_image_) {
        status = disc::data_layout(fs, file, layout_, source_.size);
    }
    if (status.ok()) {
        status = view_->open(file, OpenMode::read, data_);
    }
    if (status.ok() && !whole_image_) {
        status = data_->size(source_.size);
    }
    if (!status.ok()) {
        return failed(file, status);
    }
    source_.read = [this](std::uint64_t offset, std::span<std::uint8_t> out, std::string& reason) {
        const Status read =
            tavrin::read_exact(*data_, whole_image_ ? layout_.image_offset(offset) : offset, out);
        reason = read.reason;
        return read.ok();
    };
    return std::nullopt;
}

search::Target SearchedData::target() const {
    if (view_ && whole_image_) {
        return search::Target(
            data_path_, search::Sectors{layout_.base, layout_.sector_size, layout_.data_at, 2048});
    }
    return view_ ? search::Target(source_) : search::Target(file_);
}

std::uint64_t SearchedData::offset_in_file(std::uint64_t offset) const {
    return whole_image_ && view_ ? layout_.image_offset(offset) : offset;
}

}  // namespace tavrin::cli
