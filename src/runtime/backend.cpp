// The process's one backend.
#include "runtime/backend.h"

#include <cassert>

namespace oculon {
namespace {
Backend* current = nullptr;
}

Backend& CurrentBackend() {
  assert(current && "SetCurrentBackend must run before the runtime is used");
  return *current;
}

void SetCurrentBackend(Backend* backend) {
  current = backend;
}

DeviceScale CurrentScale() {
  return DeviceScale(CurrentBackend().Dpi());
}

}  // namespace oculon
