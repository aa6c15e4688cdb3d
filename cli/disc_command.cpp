// ls and --inside over disc/.
#include "cli/disc_command.h"

#include <vector>

#include "disc/disc.h"

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

}  // namespace tavrin::cli
