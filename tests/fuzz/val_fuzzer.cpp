// Fuzzes Val: any text gives a finite number or the overflow error, never a crash.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/numbers.h"
#include "runtime/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    double value = oculon::Val(text);
    if (!std::isfinite(value)) std::abort();
    oculon::CSng(value);
  } catch (const oculon::RunTimeError& error) {
    if (error.number() != 6) std::abort();
  }
  return 0;
}
