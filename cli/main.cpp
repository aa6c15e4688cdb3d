// tavrin-cli: dumps, extracts and injects CLUTs from a shell, for batch work
// on many files, on the same files/ code as the editor. Failures print one
// line on standard error naming the file and the reason, and exit with 1.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    return tavrin::cli::run(args, tavrin::standard_file_system(), std::cout, std::cerr);
}
