// The runtime's texts are 8-bit; on Windows, file names and window texts are UTF-8 in the
// runtime and UTF-16 at the system's calls.
#pragma once

#include <string>
#include <string_view>

namespace oculon::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace oculon::win32
