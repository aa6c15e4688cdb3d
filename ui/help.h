// The Help menu: the About box and the tutorial page shipped beside the program.
#pragma once

#include <string>
#include <string_view>

#include "ui/editor.h"

namespace tavrin {

inline constexpr std::string_view tutorial_not_found = "Tutorial file not found.";

// Where the page is looked for, in this order: the help folder beside the
// program, then the help folder of the current directory.
std::string tutorial_path_beside_program(const std::string& program_dir);
std::string tutorial_path_in_current_dir();

// ids::tutorial: hands the first page found to the system's viewer. Reports
// tutorial_not_found when neither place has it or the viewer cannot find it;
// any other failure stays silent.
void open_tutorial(EditorState& state, WindowLayer& layer);

}  // namespace tavrin
