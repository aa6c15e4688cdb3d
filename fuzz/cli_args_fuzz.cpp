// Fuzzes tavrin-cli's argument handling: the input, split at NUL bytes, is the
// argument list, run over an in-memory disk holding a raw CLUT, an oversized
// one, a TEX file and a plain data file. Whatever the arguments, the tool
// answers 0 or 1, a failure is one line naming its subject and leaves every
// file as it was, and a success changes at most one file.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/memory_file_system.h"

namespace {

using Bytes = tavrin::MemoryFileSystem::Bytes;

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 131u + seed) >> 1);
    }
    return bytes;
}

// A TEX file whose every kind leads to a CLUT at 0x100.
Bytes tex_file() {
    Bytes bytes = pattern(1100, 7);
    for (std::size_t field : {4, 12, 16, 20, 32}) {
        bytes[field] = 0x40;
        bytes[field + 1] = 0;
    }
    bytes[0x40 + 12] = 0x00;
    bytes[0x40 + 13] = 0x01;
    return bytes;
}

std::vector<std::pair<std::string, Bytes>> files_of(const tavrin::MemoryFileSystem& fs) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (const auto& path : fs.paths()) {
        files.emplace_back(path, fs.contents(path));
    }
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args = {"tavrin-cli"};
    std::string current;
    for (std::size_t i = 0; i < size && args.size() < 16; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty() && args.size() < 16) {
        args.push_back(current);
    }

    // find searches the real disk, not fs; its arguments are tested in tests/cli_test.cpp.
    if (args.size() > 1 && args[1] == "find") {
        return 0;
    }

    tavrin::MemoryFileSystem fs;
    fs.put("kit.clu", pattern(32, 1));
    fs.put("big.clu", pattern(514, 2));
    fs.put("team.bin", tex_file());
    fs.put("any.dat", pattern(300, 3));
    const auto before = files_of(fs);

    std::ostringstream out;
    std::ostringstream err;
    const int status = tavrin::cli::run(args, fs, out, err);
    const auto after = files_of(fs);

    FUZZ_CHECK(status == 0 || status == 1);
    if (status == 1) {
        const std::string message = err.str();
        FUZZ_CHECK(message.rfind("tavrin-cli: ", 0) == 0);
        FUZZ_CHECK(std::count(message.begin(), message.end(), '\n') == 1);
        FUZZ_CHECK(message.back() == '\n');
        FUZZ_CHECK(out.str().empty());
        FUZZ_CHECK(after == before);
        return 0;
    }
    FUZZ_CHECK(err.str().empty());
    // Files are only ever added or replaced, and by one command at most one.
    std::size_t changed = 0;
    for (const auto& [path, bytes] : before) {
        const std::string& name = path;
        const auto found = std::find_if(after.begin(), after.end(),
                                        [&](const auto& file) { return file.first == name; });
        FUZZ_CHECK(found != after.end());
        changed += found->second == bytes ? 0 : 1;
        // An injection writes in place and never changes a file's size; only
        // a raw CLUT file (at most 512 bytes) replaces one.
        FUZZ_CHECK(found->second.size() == bytes.size() || found->second.size() <= 512);
    }
    changed += after.size() - before.size();
    FUZZ_CHECK(changed <= 1);
    return 0;
}
