// Where the CLUT in the editor came from. One value answers every question a
// write command, a menu rule or undo asks about it.
#pragma once

#include <cstdint>
#include <string>

namespace tavrin {

struct ClutSource {
    enum class Kind {
        none,         // nothing read yet
        raw_file,     // a whole raw CLUT file
        tex_file,     // one of the five CLUTs of a TEX file
        file_offset,  // count colours at an offset of any file
        tim_file,     // one CLUT row of a TIM image
    };

    Kind kind = Kind::none;
    std::string path;
    // tex_file: the position in "Select CLUT to modify" (0..4).
    std::int32_t tex_kind = 0;
    // tex_file, file_offset, tim_file: the file offset of the first colour word.
    std::uint64_t offset = 0;
    // The number of colours read.
    std::int32_t count = 0;
    // tim_file: the CLUT row.
    std::int32_t tim_row = 0;
    // tim_file: where the TIM starts in the file; 0 for a TIM file of its own.
    std::uint64_t tim_at = 0;
    // A file inside the disc image path ("DATA/TEAM.TEX"), which offset,
    // tim_at and every write refer to; empty for path itself.
    std::string inside{};

    friend bool operator==(const ClutSource&, const ClutSource&) = default;
};

}  // namespace tavrin
