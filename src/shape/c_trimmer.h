// cTrimmer: cuts a window to the outline of its picture, and hands a left-button press on it
// to the desktop as the start of a move.
#pragma once

#include <cstdint>

#include "runtime/form.h"
#include "runtime/regions.h"

namespace oculon {

class cTrimmer {
 public:
  // Starts an interactive move that follows the pointer until the left button is released.
  void GrabForm(Form& frm);
  // Cuts the window to its client pixels that differ from the colour of pixel (0, 0).
  void TrimForm(Form& frm);

 private:
  // Merges the rectangle into mRegion and closes the run: left becomes -1.
  void AddRect(int32_t& left, int32_t top, int32_t right, int32_t bottom);

  HRGN mRegion = 0;
  HRGN mRectRegion = 0;
};

}  // namespace oculon
