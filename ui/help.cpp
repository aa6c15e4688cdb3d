// Finding and opening the tutorial page.
#include "ui/help.h"

#include <filesystem>
#include <system_error>

namespace tavrin {

namespace fs = std::filesystem;

namespace {

// Path conversions may throw (an unconvertible name, no memory); a page that
// cannot be named is a page not found here.
template <typename Build>
std::string path_or_empty(Build build) {
    try {
        return build();
    } catch (...) {
        return {};
    }
}

bool is_page(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    try {
        std::error_code error;
        return fs::is_regular_file(fs::path(path), error);
    } catch (...) {
        return false;
    }
}

}  // namespace

std::string tutorial_path_beside_program(const std::string& program_dir) {
    if (program_dir.empty()) {
        return {};
    }
    return path_or_empty([&] { return (fs::path(program_dir) / "help" / "tavrin.html").string(); });
}

std::string tutorial_path_in_current_dir() {
    return path_or_empty([] {
        std::error_code error;
        const fs::path here = fs::current_path(error);
        return error ? std::string() : (here / "help" / "tavrin.html").string();
    });
}

void open_tutorial(EditorState& state, WindowLayer& layer) {
    // The installed page sits beside the program; a file dialog may since have
    // made another folder current, so that folder is only the second choice.
    std::string page = tutorial_path_beside_program(state.program_dir);
    if (!is_page(page)) {
        page = tutorial_path_in_current_dir();
        if (!is_page(page)) {
            page.clear();
        }
    }
    if (page.empty() || layer.open_document(page) == OpenDocumentResult::not_found) {
        before_modal(state, layer);
        layer.show_message(MessageKind::error, tutorial_not_found);
    }
}

}  // namespace tavrin
