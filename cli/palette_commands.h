// tavrin-cli's palette subcommands: export a CLUT as a palette file, import a
// palette file into a CLUT in place, convert one palette format to another.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "files/file_system.h"

namespace tavrin::cli {

class PaletteCommands {
  public:
    // Adds export, import and convert to app; app keeps pointers to the
    // options held here, so this object must outlive the parse.
    explicit PaletteCommands(CLI::App& app);

    // True when the parsed command line names one of these subcommands.
    bool parsed() const;

    // Runs the subcommand that was parsed. Notes on what was taken go to out,
    // warnings to err.
    std::optional<Failure> run(FileSystem& fs, std::ostream& out, std::ostream& err) const;

  private:
    CLI::App* export_command_ = nullptr;
    CLI::App* import_command_ = nullptr;
    CLI::App* convert_command_ = nullptr;
    std::string file_;
    std::string output_;
    std::string into_;
    std::string format_;
    Location location_;
};

}  // namespace tavrin::cli
