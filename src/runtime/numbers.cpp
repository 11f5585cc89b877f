// Numeric rules of the runtime.
#include "runtime/numbers.h"

#include <locale.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "runtime/run_time_error.h"

namespace oculon {
namespace {

template <class Int>
Int RoundToInt(double value) {
  double rounded = std::nearbyint(value);  // the default rounding mode is to nearest, ties to even
  if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    Raise(ErrorNumber::kOverflow);
  }
  return static_cast<Int>(rounded);
}

bool IsSkippedByVal(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

int16_t CInt(double value) {
  return RoundToInt<int16_t>(value);
}
int32_t CLng(double value) {
  return RoundToInt<int32_t>(value);
}

float CSng(double value) {
  // Below the midpoint between the largest Single and the next power of two, values round to
  // the largest Single and still fit.
  if (!std::isfinite(value) || std::fabs(value) >= 0x1.ffffffp127) Raise(ErrorNumber::kOverflow);
  return static_cast<float>(value);
}

int32_t IntDiv(int32_t dividend, int32_t divisor) {
  if (divisor == 0) Raise(ErrorNumber::kDivisionByZero);
  if (dividend == std::numeric_limits<int32_t>::min() && divisor == -1) {
    Raise(ErrorNumber::kOverflow);
  }
  return dividend / divisor;
}

int32_t AddLng(int32_t a, int32_t b) {
  int32_t sum;
  if (__builtin_add_overflow(a, b, &sum)) Raise(ErrorNumber::kOverflow);
  return sum;
}

int32_t SubLng(int32_t a, int32_t b) {
  int32_t difference;
  if (__builtin_sub_overflow(a, b, &difference)) Raise(ErrorNumber::kOverflow);
  return difference;
}

double CheckFloat(double result) {
  if (!std::isfinite(result)) Raise(ErrorNumber::kOverflow);
  return result;
}

double CheckedDiv(double dividend, double divisor) {
  if (divisor == 0.0) {
    Raise(dividend == 0.0 || std::isnan(dividend) ? ErrorNumber::kOverflow
                                                  : ErrorNumber::kDivisionByZero);
  }
  return CheckFloat(dividend / divisor);
}

double CheckedSqrt(double value) {
  if (value < 0.0) Raise(ErrorNumber::kInvalidProcedureCall);
  return CheckFloat(std::sqrt(value));
}

std::string FormatSingle(float value, std::string_view decimalSeparator) {
  if (value == 0.0f) return "0";  // also -0
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
  std::string text;
  for (const char* p = buffer; p != result.ptr; ++p) {
    if (*p == '.') {
      text += decimalSeparator;
    } else {
      text += *p == 'e' ? 'E' : *p;
    }
  }
  return text;
}

std::string CStr(float value) {
  const lconv* conventions = std::localeconv();
  const char* separator = conventions && conventions->decimal_point && *conventions->decimal_point
                              ? conventions->decimal_point
                              : ".";
  return FormatSingle(value, separator);
}

std::string CStr(int32_t value) {
  return std::to_string(value);
}

double Val(std::string_view text) {
  std::string number;
  size_t i = 0;
  auto skip = [&] {
    while (i < text.size() && IsSkippedByVal(text[i])) ++i;
  };
  auto takeDigits = [&] {
    bool any = false;
    for (skip(); i < text.size() && text[i] >= '0' && text[i] <= '9'; skip()) {
      number += text[i++];
      any = true;
    }
    return any;
  };
  skip();
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  bool wholeDigits = takeDigits();
  bool fractionDigits = false;
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    fractionDigits = takeDigits();
  }
  if (!wholeDigits && !fractionDigits) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    size_t mark = i;
    std::string mantissa = number;
    number += 'e';
    ++i;
    skip();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    if (!takeDigits()) {  // an "E" without digits ends the number before it
      number = mantissa;
      i = mark;
    }
  }
  // The text uses "." whatever the user's locale, so it is parsed in the C locale.
#ifdef _WIN32
  static const _locale_t cLocale = _create_locale(LC_ALL, "C");
  double value = _strtod_l(number.c_str(), nullptr, cLocale);
#else
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  double value = strtod_l(number.c_str(), nullptr, cLocale);
#endif
  return CheckFloat(value);  // beyond the Double range strtod gives infinity; underflow gives 0
}

}  // namespace oculon
