// Counts the process's heap allocations for the benchmark: malloc and its kin are interposed
// here and passed on to glibc's own; operator new is counted apart, as the program's own.
#include "allocation_counter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> byOperatorNew{0};

void Count() {
  allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

namespace oculon::bench {

uint64_t AllAllocations() {
  return allocations.load(std::memory_order_relaxed);
}

uint64_t AllocationsByOperatorNew() {
  return byOperatorNew.load(std::memory_order_relaxed);
}

}  // namespace oculon::bench

void* operator new(size_t size) {
  byOperatorNew.fetch_add(1, std::memory_order_relaxed);
  if (void* pointer = std::malloc(size)) return pointer;
  throw std::bad_alloc();
}

void operator delete(void* pointer) noexcept {
  std::free(pointer);
}
void operator delete(void* pointer, size_t) noexcept {
  std::free(pointer);
}

extern "C" {

void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
  Count();
  return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
  Count();
  return __libc_realloc(pointer, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** pointer, size_t alignment, size_t size) {
  Count();
  *pointer = __libc_memalign(alignment, size);
  return *pointer ? 0 : 12;  // ENOMEM
}

}  // extern "C"
