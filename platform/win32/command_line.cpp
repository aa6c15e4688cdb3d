// Splitting the program name off the command line, as the C runtime of the
// original program did before calling its main function.
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

}  // namespace tavrin::win32
