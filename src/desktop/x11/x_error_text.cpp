// Names of the core protocol's errors and of the core requests this backend makes.
#include "desktop/x11/x_error_text.h"

#include <array>
#include <utility>

namespace oculon::x11 {
namespace {

constexpr std::array<std::string_view, 18> kErrorNames = {
    "",          "BadRequest", "BadValue",    "BadWindow",   "BadPixmap", "BadAtom",
    "BadCursor", "BadFont",    "BadMatch",    "BadDrawable", "BadAccess", "BadAlloc",
    "BadColor",  "BadGC",      "BadIDChoice", "BadName",     "BadLength", "BadImplementation"};

constexpr std::pair<uint8_t, std::string_view> kRequestNames[] = {
    {1, "CreateWindow"},
    {2, "ChangeWindowAttributes"},
    {3, "GetWindowAttributes"},
    {4, "DestroyWindow"},
    {8, "MapWindow"},
    {10, "UnmapWindow"},
    {12, "ConfigureWindow"},
    {14, "GetGeometry"},
    {15, "QueryTree"},
    {16, "InternAtom"},
    {18, "ChangeProperty"},
    {20, "GetProperty"},
    {25, "SendEvent"},
    {26, "GrabPointer"},
    {27, "UngrabPointer"},
    {38, "QueryPointer"},
    {40, "TranslateCoordinates"},
    {42, "SetInputFocus"},
    {55, "CreateGC"},
    {60, "FreeGC"},
    {72, "PutImage"},
    {78, "CreateColormap"},
    {98, "QueryExtension"},
    {101, "GetKeyboardMapping"},
};

std::string ErrorName(uint8_t code) {
  if (code < kErrorNames.size() && !kErrorNames[code].empty()) {
    return std::string(kErrorNames[code]) + " (" + std::to_string(code) + ")";
  }
  return "error " + std::to_string(code);
}

std::string RequestName(uint8_t major, uint16_t minor, std::string_view extensionName) {
  if (!extensionName.empty()) {
    return std::string(extensionName) + " " + std::to_string(minor) + " (major " +
           std::to_string(major) + ")";
  }
  for (const auto& [opcode, name] : kRequestNames) {
    if (opcode == major) return std::string(name) + " (" + std::to_string(major) + ")";
  }
  return std::to_string(major);
}

}  // namespace

std::string DescribeXError(uint8_t errorCode, uint8_t majorOpcode, uint16_t minorOpcode,
                           std::string_view extensionName) {
  return "X error " + ErrorName(errorCode) + " in request " +
         RequestName(majorOpcode, minorOpcode, extensionName);
}

}  // namespace oculon::x11
