// The one observer of the event loop, if any.
#include "platform/x11/loop_observer.h"

namespace oculon::x11 {
namespace {
LoopObserver* installed = nullptr;
}

void SetLoopObserver(LoopObserver* observer) {
  installed = observer;
}

LoopObserver* CurrentLoopObserver() {
  return installed;
}

}  // namespace oculon::x11
