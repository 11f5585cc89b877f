// Letter case as the runtime's 8-bit texts have it: only A to Z and a to z change case, so
// a text's bytes never depend on the locale.
#pragma once

namespace oculon {

inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace oculon
