// tavrin-cli and disc images: ls, and the file system the other subcommands
// read and write through when their file is an image.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "disc/disc.h"
#include "search/search.h"

namespace tavrin::cli {

struct DiscOptions {
    CLI::App* ls = nullptr;
    std::string image;   // ls IMAGE
    std::string inside;  // --inside PATH
};

// Adds ls, and --inside to each subcommand that reads or writes one FILE.
void add_disc_options(CLI::App& app, DiscOptions& options);

// Prints PATH LBA SIZE, one file a line, sorted by path.
std::optional<Failure> run_ls(FileSystem& fs, const std::string& image, std::ostream& out);

// The file the parsed subcommand reads or writes in place ("" for none).
std::string subject_file(const CLI::App& app);

// What the subcommand's file is read and written through: view, when the
// file is a raw image or --inside names a file in an image; fs otherwise.
// A CHD, ECM or PBP image is refused.
std::optional<Failure> disc_view(FileSystem& fs, const std::string& file, const std::string& inside,
                                 std::unique_ptr<FileSystem>& view);

// What find searches in a file: the file itself, or, in a disc image, the
// file named inside or a raw image's data, read through its sectors. Hits map
// back to offsets in that file, or in the image file.
class SearchedData {
  public:
    std::optional<Failure> open(FileSystem& fs, const std::string& file, const std::string& inside);
    search::Target target() const;
    std::uint64_t offset_in_file(std::uint64_t offset) const;

  private:
    std::string file_;
    std::string data_path_;  // a whole raw image's file of sectors (a cue's .bin)
    std::unique_ptr<FileSystem> view_;
    std::unique_ptr<File> data_;
    search::Source source_;
    bool whole_image_ = false;
    disc::DataLayout layout_;
};

}  // namespace tavrin::cli
