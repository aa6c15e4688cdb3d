// Prints the core's menu and shortcut table as JSON, in the shape of the
// Windows MENU and ACCELERATORS resources, for check_exe.py to compare with
// the compiled program's resources.
#include <cstdio>
#include <string>
#include <string_view>

#include "ui/menu_table.h"

namespace {

constexpr int mf_grayed = 0x1;
constexpr int fvirtkey = 0x1;
constexpr int fshift = 0x4;
constexpr int fcontrol = 0x8;

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

int main() {
    using tavrin::MenuRow;
    std::string out = "{\"menu\": [";
    bool first = true;
    for (const MenuRow& row : tavrin::menu_rows()) {
        if (row.kind != MenuRow::Kind::popup_end && !first) {
            out += ", ";
        }
        first = false;
        switch (row.kind) {
            case MenuRow::Kind::popup_begin:
                out += "[\"popup\", " + json_string(row.text) + ", 0, [";
                first = true;
                break;
            case MenuRow::Kind::popup_end:
                out += "]]";
                break;
            case MenuRow::Kind::separator:
                out += "[\"item\", 0, \"\", 0]";
                break;
            case MenuRow::Kind::command:
                out += "[\"item\", " + std::to_string(row.command_id) + ", " +
                       json_string(row.text) + ", " +
                       std::to_string(row.starts_grayed ? mf_grayed : 0) + "]";
                break;
        }
    }
    out += "], \"accelerators\": [";
    first = true;
    for (const tavrin::Shortcut& key : tavrin::shortcuts()) {
        if (key.linux_only) {
            continue;
        }
        int flags = 0;
        int code = key.key;
        if (key.control_character) {
            code = key.key - 'A' + 1;
        } else {
            flags = fvirtkey | (key.ctrl ? fcontrol : 0) | (key.shift ? fshift : 0);
        }
        out += std::string(first ? "" : ", ") + "[" + std::to_string(flags) + ", " +
               std::to_string(code) + ", " + std::to_string(key.command_id) + "]";
        first = false;
    }
    out += "]}\n";
    std::fputs(out.c_str(), stdout);
    return 0;
}
