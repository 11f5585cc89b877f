// The module AppModul: the program's entry.
#pragma once

namespace oculon {

// Refuses a second instance, reads the saved position, loads, places and shows the eye window.
void Main();

}  // namespace oculon
