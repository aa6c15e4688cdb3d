// What tavrin-cli's subcommands share: a failure is a subject (the file or
// argument it is about) and a reason, printed as one line. A warning is
// printed the same way, but the file was written and the command succeeds.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "files/clut_files.h"
#include "files/file_system.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tavrin::cli {

struct Failure {
    std::string subject;
    std::string reason;
    bool warning = false;
};

inline std::optional<Failure> failed(const std::string& subject, const Status& status) {
    if (status.ok() && !status.warns()) {
        return std::nullopt;
    }
    return Failure{subject, status.reason, status.warns()};
}

// Where the CLUT is: one of a TEX file's five, count colours at an offset, or
// a row of a TIM file; a raw CLUT file when none is given.
struct Location {
    std::string kind_text;
    std::string offset_text;
    int count = -1;
    bool tim = false;
    int row = 0;
    std::string at_text;

    bool given() const { return tim || !kind_text.empty() || !offset_text.empty(); }
};

// --tex, --offset, --count, --tim, --row and --at on a subcommand; --count only
// where a CLUT is read.
void add_location(CLI::App& command, Location& location, bool with_count);

// Reads the CLUT that file holds at location.
std::optional<Failure> read_location(FileSystem& fs, const std::string& file,
                                     const Location& location, Clut& clut);

// Writes colors in place where location says, as inject does: a TEX file's
// CLUT located again through the file that is written, a TIM's row checked
// again, a raw CLUT file overwritten from its start, never grown.
std::optional<Failure> write_location(FileSystem& fs, const std::string& file,
                                      const Location& location,
                                      std::span<const PaletteEntry> colors);

// An offset typed on the command line. Any text whose value the reader would
// not reach exactly, or a negative one, is refused, quoted as typed: nothing
// is read or written somewhere the user did not say.
std::optional<Failure> parse_offset_argument(const std::string& file, const std::string& text,
                                             std::int64_t& offset);

// --at OFFSET beside --tim (tim): where the TIM starts in the file.
void add_tim_at_option(CLI::App& command, std::string& text, CLI::Option* tim);

// The rest of a location after its --tex and --offset: --tim, --row and --at,
// and --count beside --offset where a CLUT is read.
void add_tim_and_count_options(CLI::App& command, Location& location, CLI::Option* tex,
                               CLI::Option* offset, const std::string& row_help, bool with_count);

// The offset --at gave, read as --offset is; 0 when it was not given.
std::optional<Failure> parse_tim_at(const std::string& file, const std::string& text,
                                    std::uint64_t& tim_at);

// A CLUT kind: 0 to 4, or a name from "Select CLUT to modify".
std::optional<Failure> parse_kind_argument(const std::string& file, const std::string& text,
                                           int& kind);

}  // namespace tavrin::cli
