// tavrin-cli's code run in process over a given file system, as the fuzzer
// and the disc tests run it.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace tavrin::testing {

// args without the program's name; returns the exit status.
inline int run_cli_in_process(std::vector<std::string> args, FileSystem& fs, std::string& out,
                              std::string& err) {
    args.insert(args.begin(), "tavrin-cli");
    std::ostringstream out_stream;
    std::ostringstream err_stream;
    const int status = cli::run(args, fs, out_stream, err_stream);
    out = out_stream.str();
    err = err_stream.str();
    return status;
}

}  // namespace tavrin::testing
