// One owner for what libxcb hands back to be freed with free(): replies, events and errors.
#pragma once

#include <cstdlib>
#include <memory>

namespace oculon::x11 {

struct FreeXcb {
  void operator()(void* owned) const { std::free(owned); }
};
template <class T>
using XcbOwned = std::unique_ptr<T, FreeXcb>;

template <class T>
XcbOwned<T> Owned(T* owned) {
  return XcbOwned<T>(owned);
}

}  // namespace oculon::x11
