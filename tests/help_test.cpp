// The Tutorial command's lookup (beside the program first, then the current
// directory) and its one message, plus the shipped About text and page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "edit/edit.h"
#include "tests/support/test_editor.h"
#include "ui/help.h"
#include "ui/menu_table.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;
using testing::TestEditor;

struct TempDir {
    fs::path path;
    TempDir() {
        std::random_device random;
        path = fs::temp_directory_path() /
               ("tavrin-help-" + std::to_string(random()) + "-" + std::to_string(random()));
        fs::create_directories(path);
    }
    TempDir(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    // The folder as a program folder is given: with a trailing separator.
    std::string as_program_dir() const { return (path / "").string(); }
    fs::path add_page() const {
        fs::create_directories(path / "help");
        std::ofstream(path / "help" / "tavrin.html") << "<html></html>";
        return path / "help" / "tavrin.html";
    }
};

// Makes a folder current for one test, as a file dialog would.
struct CurrentDir {
    fs::path saved = fs::current_path();
    explicit CurrentDir(const fs::path& dir) { fs::current_path(dir); }
    CurrentDir(const CurrentDir&) = delete;
    ~CurrentDir() {
        std::error_code ignored;
        fs::current_path(saved, ignored);
    }
};

bool same_file(const std::string& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(fs::path(a), b, error);
}

TEST(Tutorial, PageBesideTheProgramWinsWhateverFolderIsCurrent) {
    TempDir program;
    TempDir elsewhere;
    const fs::path installed = program.add_page();
    const fs::path other = elsewhere.add_page();
    TestEditor editor;
    editor.state.program_dir = program.as_program_dir();

    for (const TempDir* current : {&elsewhere, &program}) {
        CurrentDir here(current->path);
        editor.screen.opened_documents.clear();
        editor.command(ids::tutorial);
        ASSERT_EQ(editor.screen.opened_documents.size(), 1u);
        EXPECT_TRUE(same_file(editor.screen.opened_documents[0], installed));
        EXPECT_FALSE(same_file(editor.screen.opened_documents[0], other));
    }
    EXPECT_TRUE(editor.screen.errors.empty());
}

TEST(Tutorial, FallsBackToTheCurrentDirectory) {
    TempDir program;  // no help folder here
    TempDir current;
    const fs::path page = current.add_page();
    CurrentDir here(current.path);
    TestEditor editor;
    editor.state.program_dir = program.as_program_dir();

    editor.command(ids::tutorial);
    ASSERT_EQ(editor.screen.opened_documents.size(), 1u);
    EXPECT_TRUE(same_file(editor.screen.opened_documents[0], page));
    EXPECT_TRUE(fs::path(editor.screen.opened_documents[0]).is_absolute());
    EXPECT_TRUE(editor.screen.errors.empty());
}

TEST(Tutorial, NotFoundOnlyWhenNeitherPlaceHasThePage) {
    TempDir program;
    TempDir current;
    // A folder named like the page is not the page.
    fs::create_directories(current.path / "help" / "tavrin.html");
    CurrentDir here(current.path);
    TestEditor editor;
    editor.state.program_dir = program.as_program_dir();

    editor.command(ids::tutorial);
    EXPECT_TRUE(editor.screen.opened_documents.empty());
    EXPECT_EQ(editor.screen.errors, (std::vector<std::string>{"Tutorial file not found."}));

    // No program folder known at all: the current directory alone decides.
    editor.state.program_dir.clear();
    editor.screen.errors.clear();
    editor.command(ids::tutorial);
    EXPECT_EQ(editor.screen.errors, (std::vector<std::string>{"Tutorial file not found."}));
}

TEST(Tutorial, ViewerFailuresOtherThanNotFoundStaySilent) {
    TempDir program;
    const std::string page = program.add_page().string();
    TestEditor editor;
    editor.state.program_dir = program.as_program_dir();
    const std::string handed = tutorial_path_beside_program(editor.state.program_dir);
    ASSERT_TRUE(same_file(handed, page));

    editor.screen.document_results[handed] = OpenDocumentResult::failed;
    editor.command(ids::tutorial);
    EXPECT_EQ(editor.screen.opened_documents.size(), 1u);
    EXPECT_TRUE(editor.screen.errors.empty());

    editor.screen.document_results[handed] = OpenDocumentResult::not_found;
    editor.command(ids::tutorial);
    EXPECT_EQ(editor.screen.errors, (std::vector<std::string>{"Tutorial file not found."}));
}

std::string read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(ShippedText, AboutTextIsFiveCrLfParagraphsOfPlainText) {
    const std::string text = read_file(TAVRIN_ABOUT_TEXT);
    ASSERT_FALSE(text.empty());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        ASSERT_NE(c, 0) << "at " << i;
        if (c == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        }
        if (c == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    std::vector<std::string> paragraphs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n\r\n", start);
        paragraphs.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 4;
    }
    ASSERT_EQ(paragraphs.size(), 5u);
    for (const std::string& paragraph : paragraphs) {
        EXPECT_FALSE(paragraph.empty());
        EXPECT_NE(paragraph.front(), '\r');
    }
    EXPECT_EQ(paragraphs[3],
              "When you use autoselection (menu edit->select) remember that zones change a lot "
              "from tex to tex.");
    EXPECT_EQ(paragraphs[4],
              "For a detailed description about Tavrin usage read the html help included in "
              "the package (help folder).");
}

TEST(ShippedText, TutorialPageIsSelfContainedAndListsEveryZone) {
    const std::string page = read_file(TAVRIN_HELP_PAGE);
    ASSERT_FALSE(page.empty());
    // Readable offline: no address outside the page, no script.
    for (const char* external :
         {"://", "href=\"//", "src=", "<link", "@import", "url(", "<script"}) {
        EXPECT_EQ(page.find(external), std::string::npos) << external;
    }
    EXPECT_NE(page.find("<style>"), std::string::npos);
    // The zone table on the page agrees with the program's bounds and with
    // the keys its menu shows.
    for (const Zone& zone : zones) {
        std::string_view key;
        for (const MenuRow& menu_row : menu_rows()) {
            if (menu_row.kind == MenuRow::Kind::command && menu_row.command_id == zone.command_id) {
                key = menu_row.text.substr(menu_row.text.find('\t') + 1);
            }
        }
        ASSERT_FALSE(key.empty()) << zone.command_id;
        const std::string row = "<td><kbd>" + std::string(key) + "</kbd></td><td>" +
                                std::to_string(zone.first) + "&ndash;" + std::to_string(zone.last) +
                                "</td>";
        EXPECT_NE(page.find(row), std::string::npos) << row;
    }
}

}  // namespace
}  // namespace tavrin
