// Run-time errors of the forms runtime: one exception type carrying the error number.
#pragma once

#include <stdexcept>
#include <string>

namespace oculon {

enum class ErrorNumber : int {
  kInvalidProcedureCall = 5,
  kOverflow = 6,
  kDivisionByZero = 11,
  kInvalidPropertyValue = 380,
};

class RunTimeError : public std::runtime_error {
 public:
  explicit RunTimeError(ErrorNumber number);

  int number() const { return static_cast<int>(number_); }
  // "Run-time error '6': Overflow", as the message window and stderr show it.
  std::string Describe() const;

 private:
  ErrorNumber number_;
};

[[noreturn]] void Raise(ErrorNumber number);

// Thrown by App.End: unwinds to the event loop, which ends the program with this code.
struct ProgramEnd {
  int exitCode;
};

}  // namespace oculon
