// Messages of the run-time errors.
#include "runtime/run_time_error.h"

namespace oculon {
namespace {

const char* MessageOf(ErrorNumber number) {
  switch (number) {
    case ErrorNumber::kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case ErrorNumber::kOverflow:
      return "Overflow";
    case ErrorNumber::kDivisionByZero:
      return "Division by zero";
    case ErrorNumber::kInvalidPropertyValue:
      return "Invalid property value";
  }
  return "Application-defined or object-defined error";
}

}  // namespace

RunTimeError::RunTimeError(ErrorNumber number)
    : std::runtime_error(MessageOf(number)), number_(number) {}

std::string RunTimeError::Describe() const {
  return "Run-time error '" + std::to_string(number()) + "': " + what();
}

void Raise(ErrorNumber number) {
  throw RunTimeError(number);
}

}  // namespace oculon
