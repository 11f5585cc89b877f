// Reading Xft.dpi from the text of a resource database.
#include "desktop/x11/resource_dpi.h"

#include <charconv>
#include <cmath>

namespace oculon::x11 {
namespace {

constexpr int kUnscaledDpi = 96;

std::string_view Trimmed(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

int DpiFromResources(std::string_view resources) {
  int dpi = kUnscaledDpi;
  while (!resources.empty()) {
    size_t end = resources.find('\n');
    std::string_view line = resources.substr(0, end);
    resources.remove_prefix(end == std::string_view::npos ? resources.size() : end + 1);
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || Trimmed(line.substr(0, colon)) != "Xft.dpi") continue;
    std::string_view value = Trimmed(line.substr(colon + 1));
    double number = 0;
    auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    // The last line that says it wins, as in the database itself.
    bool usable = error == std::errc{} && rest == value.data() + value.size() &&
                  std::isfinite(number) && number >= 1 && number < 1e6;
    dpi = usable ? static_cast<int>(std::lround(number)) : kUnscaledDpi;
  }
  return dpi;
}

}  // namespace oculon::x11
