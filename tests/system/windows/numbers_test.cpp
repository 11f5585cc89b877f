// Numbers on Windows: CStr takes the separator of the locale the C library was given (the
// program gives it the user's at start), and Val reads "." whatever that locale is.
#include "runtime/numbers.h"

#include <gtest/gtest.h>

#include <clocale>

namespace oculon {
namespace {

TEST(WindowsNumbers, CStrUsesTheLocalesSeparatorAndValKeepsTheDot) {
  ASSERT_NE(std::setlocale(LC_ALL, "German_Germany.1252"), nullptr);
  EXPECT_EQ(CStr(757.5f), "757,5");
  EXPECT_EQ(CStr(1500.0f), "1500");
  EXPECT_EQ(Val("757.5"), 757.5);
  EXPECT_EQ(Val("757,5"), 757.0);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(CStr(757.5f), "757.5");
}

}  // namespace
}  // namespace oculon
