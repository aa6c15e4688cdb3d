// The kit zones of Edit > Select and the selection of one.
#include "edit/edit.h"

namespace tavrin {

const Zone* zone_for_command(int command_id) {
    for (const Zone& zone : zones) {
        if (zone.command_id == command_id) {
            return &zone;
        }
    }
    return nullptr;
}

bool select_range(SelectionNode*& list, int first, int last) {
    selection_clear(list);
    for (int i = first; i <= last; ++i) {
        if (!selection_push(list, i)) {
            return false;
        }
    }
    return true;
}

}  // namespace tavrin
