// Splitting the program name off the command line, and the file named after
// it. The rule is written out here rather than left to the C runtime's WinMain
// argument, so the tail does not depend on the runtime the program is linked
// with, and is tested anywhere.
#include "platform/win32/command_line.h"

namespace tavrin::win32 {

namespace {
const char* skip_spaces(const char* p) {
    while (*p == ' ') {
        ++p;
    }
    return p;
}
}  // namespace

const char* skip_program_name(const char* line) {
    if (line == nullptr) {
        return "";
    }
    const char* p = line;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        if (*p == '\0') {
            return line;
        }
        return skip_spaces(p + 1);
    }
    while (*p != '\0' && *p != ' ') {
        ++p;
    }
    return skip_spaces(p);
}

std::string file_argument(const char* tail) {
    if (tail == nullptr) {
        return {};
    }
    const char* p = skip_spaces(tail);
    if (*p == '"') {
        const char* start = p + 1;
        const char* end = start;
        while (*end != '\0' && *end != '"') {
            ++end;
        }
        return std::string(start, end);
    }
    std::string name(p);
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return name;
}

}  // namespace tavrin::win32
