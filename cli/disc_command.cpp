// ls and --inside over disc/.
#include "cli/disc_command.h"

#include <filesystem>
#include <random>
#include <vector>

#include "files/clut_files.h"

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

SearchCopy::~SearchCopy() {
    if (!copy_.empty()) {
        fs_.remove(copy_);
    }
}

std::optional<Failure> SearchCopy::make(const std::string& file, const std::string& inside) {
    file_ = file;
    std::unique_ptr<FileSystem> view;
    if (auto failure = disc_view(fs_, file, inside, view)) {
        return failure;
    }
    if (!view) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    whole_image_ = inside.empty();
    std::unique_ptr<File> from;
    Status status =
        whole_image_ ? disc::data_layout(fs_, file, layout_, length) : Status::success();
    if (status.ok()) {
        status = view->open(file, OpenMode::read, from);
    }
    if (status.ok() && !whole_image_) {
        status = from->size(length);
    }
    if (status.ok()) {
        status = from->seek(whole_image_ ? layout_.image_offset(0) : 0);
    }
    if (!status.ok()) {
        return failed(file, status);
    }
    std::error_code error;
    const auto folder = std::filesystem::temp_directory_path(error);
    std::unique_ptr<File> to;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && !to; ++attempt) {
        const std::string name = (folder / ("tavrin-find-" + std::to_string(random()))).string();
        status = fs_.open(name, OpenMode::create_private, to);
        if (status.ok()) {
            copy_ = name;
        } else if (status.code != Status::Code::already_exists) {
            break;
        }
    }
    if (!to) {
        return Failure{folder.string(),
                       "cannot make a copy of the image's data to search: " + status.reason};
    }
    std::vector<std::uint8_t> chunk(std::size_t{1} << 20);
    while (status.ok() && length > 0) {
        std::size_t done = 0;
        const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(length, chunk.size()));
        status = from->read(std::span(chunk).first(part), done);
        if (status.ok() && done < part) {
            status = Status::failure(Status::Code::not_in_file, "its data ended early");
        }
        std::size_t written = 0;
        if (status.ok()) {
            status = to->write(std::span(chunk).first(part), written);
        }
        if (status.ok() && written < part) {
            status = Status::failure(Status::Code::io_error, "the copy to search was cut short");
        }
        length -= part;
    }
    const Status closed = to->close();
    return failed(file, status.ok() ? closed : status);
}

std::uint64_t SearchCopy::offset_in_file(std::uint64_t offset) const {
    return whole_image_ && !copy_.empty() ? layout_.image_offset(offset) : offset;
}

}  // namespace tavrin::cli
