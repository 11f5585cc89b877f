// The runtime's numeric rules: rounding, checked arithmetic, CStr and Val.
#include "runtime/numbers.h"

#include <gtest/gtest.h>

#include <cmath>

#include "runtime/resume_next.h"
#include "runtime/run_time_error.h"

namespace oculon {
namespace {

int ErrorOf(auto&& statement) {
  try {
    statement();
  } catch (const RunTimeError& error) {
    return error.number();
  }
  return 0;
}

TEST(Rounding, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(CLng(13387.5), 13388);
  EXPECT_EQ(CLng(13386.5), 13386);
  EXPECT_EQ(CLng(-2.5), -2);
  EXPECT_EQ(CLng(2.5000001), 3);
  EXPECT_EQ(CInt(0.5), 0);
  EXPECT_EQ(CInt(1.5), 2);
}

TEST(Rounding, LeavingTheRangeIsOverflow) {
  EXPECT_EQ(ErrorOf([] { CInt(32767.5); }), 6);  // rounds to 32768
  EXPECT_EQ(CInt(-32768.4), -32768);
  EXPECT_EQ(ErrorOf([] { CLng(2147483647.5); }), 6);
  EXPECT_EQ(ErrorOf([] { CLng(NAN); }), 6);
  EXPECT_EQ(ErrorOf([] { CSng(1e39); }), 6);
  EXPECT_EQ(ErrorOf([] { CSng(INFINITY); }), 6);
  EXPECT_EQ(CSng(-1e38), -1e38f);
}

TEST(IntegerArithmetic, WholeNumberDivisionDropsTheRemainder) {
  EXPECT_EQ(IntDiv(20475, 2), 10237);
  EXPECT_EQ(IntDiv(-75, 2), -37);
  EXPECT_EQ(ErrorOf([] { IntDiv(1, 0); }), 11);
  EXPECT_EQ(ErrorOf([] { IntDiv(INT32_MIN, -1); }), 6);
}

TEST(IntegerArithmetic, AddAndSubtractAreChecked) {
  EXPECT_EQ(AddLng(-100, 58), -42);
  EXPECT_EQ(ErrorOf([] { AddLng(INT32_MAX - 57, 58); }), 6);
  EXPECT_EQ(ErrorOf([] { SubLng(INT32_MIN, 1); }), 6);
  EXPECT_EQ(SubLng(1200, 1275), -75);
}

TEST(FloatingPoint, FaultsRaiseErrors) {
  EXPECT_EQ(ErrorOf([] { CheckedDiv(1.0, 0.0); }), 11);
  EXPECT_EQ(ErrorOf([] { CheckedDiv(0.0, 0.0); }), 6);
  EXPECT_EQ(ErrorOf([] { CheckedDiv(1e308, 1e-308); }), 6);
  EXPECT_EQ(ErrorOf([] { CheckedSqrt(-1.0); }), 5);
  EXPECT_EQ(ErrorOf([] { CheckFloat(1e308 * 10); }), 6);
  EXPECT_DOUBLE_EQ(CheckedDiv(-12.0, 13.0), -12.0 / 13.0);
}

TEST(SingleToText, WholeNumbersArePlainDigits) {
  EXPECT_EQ(FormatSingle(4470.0f, "."), "4470");
  EXPECT_EQ(FormatSingle(-1500.0f, "."), "-1500");
  EXPECT_EQ(FormatSingle(0.0f, "."), "0");
  EXPECT_EQ(FormatSingle(-0.0f, "."), "0");
  EXPECT_EQ(FormatSingle(1234567.0f, "."), "1234567");
}

TEST(SingleToText, SevenSignificantDigitsAndTheLocaleSeparator) {
  EXPECT_EQ(FormatSingle(757.5f, "."), "757.5");
  EXPECT_EQ(FormatSingle(757.5f, ","), "757,5");
  EXPECT_EQ(FormatSingle(17.8f, "."), "17.8");
  EXPECT_EQ(FormatSingle(12345678.0f, "."), "1.234568E+07");
  EXPECT_EQ(FormatSingle(1.5e10f, "."), "1.5E+10");
  EXPECT_EQ(FormatSingle(0.00001f, "."), "1E-05");
}

TEST(TextToNumber, ValReadsTheLeadingNumberWithADot) {
  EXPECT_EQ(Val("757.5"), 757.5);
  EXPECT_EQ(Val("757,5"), 757.0);
  EXPECT_EQ(Val("-1500"), -1500.0);
  EXPECT_EQ(Val("abc"), 0.0);
  EXPECT_EQ(Val(""), 0.0);
  EXPECT_EQ(Val("  12 34x"), 1234.0);
  EXPECT_EQ(Val("1.5E+3"), 1500.0);
  EXPECT_EQ(Val("2e"), 2.0);
  EXPECT_EQ(Val(".5"), 0.5);
  EXPECT_EQ(Val("-"), 0.0);
  EXPECT_EQ(Val("1e-400"), 0.0);
}

TEST(TextToNumber, BeyondTheDoubleRangeIsOverflow) {
  EXPECT_EQ(ErrorOf([] { Val("1e400"); }), 6);
  EXPECT_EQ(ErrorOf([] { Val(std::string(400, '9')); }), 6);
  // Within the Double range but beyond the Single range: the error comes on assignment.
  EXPECT_EQ(ErrorOf([] { CSng(Val("1e39")); }), 6);
}

TEST(ResumeNext, SkipsOnlyTheFailingStatement) {
  int reached = 0;
  ResumeNext([&] {
    Raise(ErrorNumber::kOverflow);
    reached = 1;
  });
  ResumeNext([&] { reached = 2; });
  EXPECT_EQ(reached, 2);
  EXPECT_TRUE(ResumeNextTest([]() -> bool { Raise(ErrorNumber::kOverflow); }));
  EXPECT_FALSE(ResumeNextTest([] { return false; }));
  EXPECT_THROW(ResumeNext([] { throw ProgramEnd{0}; }), ProgramEnd);
}

TEST(RunTimeError, DescribesNumberAndMessage) {
  EXPECT_EQ(RunTimeError(ErrorNumber::kOverflow).Describe(), "Run-time error '6': Overflow");
  EXPECT_EQ(RunTimeError(ErrorNumber::kDivisionByZero).Describe(),
            "Run-time error '11': Division by zero");
}

}  // namespace
}  // namespace oculon
