// Splitting the program name off the Windows command line.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/command_line.h"

namespace tavrin::win32 {
namespace {

TEST(SkipProgramName, UnquotedNameEndsAtTheFirstSpace) {
    struct Case {
        const char* line;
        const char* tail;
    };
    const Case cases[] = {
        {"tavrin.exe", ""},
        {"tavrin.exe file.clu", "file.clu"},
        {"tavrin.exe    a  b ", "a  b "},  // only the spaces right after the name go
        {"C:\\Games\\tavrin.exe -x", "-x"},
        {"", ""},
        // A tab is not a blank: it belongs to the name, and after the name only
        // spaces are skipped.
        {"tavrin.exe\targ", ""},
        {"tavrin.exe \targ", "\targ"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(skip_program_name(c.line)), c.tail) << '"' << c.line << '"';
    }
}

TEST(SkipProgramName, QuotedNameEndsAtTheClosingQuote) {
    struct Case {
        const char* line;
        const char* tail;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Tavrin\\tavrin.exe\"", ""},
        {"\"C:\\Program Files\\Tavrin\\tavrin.exe\" x.clu", "x.clu"},
        {"\"C:\\My Games\\tavrin.exe\"   \"a b\" c", "\"a b\" c"},
        // The tail starts right after the quote, even with no space between.
        {"\"tavrin.exe\"arg", "arg"},
        {"\"\" rest", "rest"},
        {"\"tavrin.exe\"\t arg", "\t arg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(skip_program_name(c.line)), c.tail) << '"' << c.line << '"';
    }
}

TEST(SkipProgramName, UnclosedQuoteLeavesTheWholeLine) {
    const char* line = "\"C:\\Program Files\\tavrin.exe arg";
    EXPECT_EQ(skip_program_name(line), line);
    EXPECT_STREQ(skip_program_name("\""), "\"");
}

TEST(SkipProgramName, TailPointsIntoTheLineAndNullIsEmpty) {
    const char* line = "tavrin.exe  rest";
    EXPECT_EQ(skip_program_name(line), line + 12);
    EXPECT_STREQ(skip_program_name(nullptr), "");
}

TEST(CommandLine, FileArgumentAsExplorerAndAShellGiveIt) {
    struct Case {
        const char* tail;
        std::string file;
    };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"kit.clu", "kit.clu"},
        {"kit.clu  ", "kit.clu"},
        {"\"C:\\My kits\\kit.clu\"", "C:\\My kits\\kit.clu"},
        {"  \"C:\\My kits\\kit.clu\" extra", "C:\\My kits\\kit.clu"},
        {"\"unclosed name.clu", "unclosed name.clu"},
        {"C:\\My kits\\kit.clu", "C:\\My kits\\kit.clu"},
        {"\"\"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file_argument(c.tail), c.file) << '"' << c.tail << '"';
    }
    EXPECT_EQ(file_argument(nullptr), "");
    // After the program's name, as WinMain hands the tail over.
    EXPECT_EQ(file_argument(skip_program_name("\"C:\\Tavrin\\tavrin.exe\" \"D:\\a b.tim\"")),
              "D:\\a b.tim");
}

}  // namespace
}  // namespace tavrin::win32
