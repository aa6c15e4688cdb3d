// The swatch grid as assistive technology sees it: a list of 256 cells, each
// with its name (index and colour), enabled, focused and selected states.
// The other controls carry plain accessible names set where they are built.
#pragma once

namespace tavrin::qt {

// Registers the grid's accessible interface with Qt; once per process, any
// number of calls.
void install_accessibility();

}  // namespace tavrin::qt
