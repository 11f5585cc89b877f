// "On Error Resume Next": a statement that raises a run-time error is skipped.
#pragma once

#include "runtime/run_time_error.h"

namespace oculon {

// Runs one statement; a run-time error in it is dropped and the caller goes on with the next.
template <class Statement>
void ResumeNext(Statement&& statement) {
  try {
    statement();
  } catch (const RunTimeError&) {
  }
}

// The test of a conditional under resume-next: a test that fails counts as true, so the
// branch for a true test runs.
template <class Test>
bool ResumeNextTest(Test&& test) {
  try {
    return static_cast<bool>(test());
  } catch (const RunTimeError&) {
    return true;
  }
}

}  // namespace oculon
