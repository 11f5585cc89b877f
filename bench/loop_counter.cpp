// The counted build's watcher of the event loop: what each tick costs in round trips, requests,
// uploaded bytes and heap allocations, written as "name value" lines to the file that
// $OCULON_LOOP_STATS names when the loop ends; and, where $OCULON_POINTER_TRACE names a file,
// the pointer each tick believed, as "nanoseconds x y" lines, the nanoseconds of the monotonic
// clock.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "desktop/x11/loop_observer.h"

namespace oculon::bench {
namespace {

class LoopCounter : public x11::LoopObserver {
 public:
  LoopCounter(std::string path, std::string tracePath)
      : path_(std::move(path)), tracePath_(std::move(tracePath)) {
    if (!tracePath_.empty()) trace_.reserve(kMostTraced);  // no allocation in a tick
  }

  void TickStarted() override {
    inTick_ = true;
    firstQueryOfTick_ = true;
    allocationsBefore_ = AllAllocations();
    ownAllocationsBefore_ = AllocationsByOperatorNew();
  }

  void TickEnded() override {
    inTick_ = false;
    // The first tick paints the eyes over the artwork's own: the steady state starts after it.
    if (!firstTickSeen_) {
      firstTickSeen_ = true;
      tickRoundTrips_ = tickBytes_ = 0;
      lastQuerySequence_ = 0;  // nor are its requests counted
      return;
    }
    ++ticks_;
    roundTrips_ += tickRoundTrips_;
    uploadedBytes_ += tickBytes_;
    allocations_ += AllAllocations() - allocationsBefore_;
    ownAllocations_ += AllocationsByOperatorNew() - ownAllocationsBefore_;
    tickRoundTrips_ = tickBytes_ = 0;
  }

  void RoundTrip(uint64_t sequence) override {
    if (!inTick_) return;
    ++tickRoundTrips_;
    if (!firstQueryOfTick_) return;
    firstQueryOfTick_ = false;
    // From one tick's first query to the next: all of a tick's requests.
    if (lastQuerySequence_ != 0 && firstTickSeen_) {
      requests_ += sequence - lastQuerySequence_;
      ++requestSamples_;
    }
    lastQuerySequence_ = sequence;
  }

  void Uploaded(uint64_t bytes) override {
    if (inTick_) tickBytes_ += bytes;
  }

  void PointerBelieved(int32_t x, int32_t y) override {
    if (tracePath_.empty() || trace_.size() == trace_.capacity()) return;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    trace_.push_back({now.tv_sec * 1'000'000'000LL + now.tv_nsec, x, y});
  }

  void LoopEnded() override {
    FILE* file = std::fopen(path_.c_str(), "w");
    if (!file) return;
    std::fprintf(file,
                 "ticks %llu\nround_trips %llu\nrequests %llu\nrequest_samples %llu\n"
                 "uploaded_bytes %llu\nallocations %llu\nown_allocations %llu\n",
                 ticks_, roundTrips_, requests_, requestSamples_, uploadedBytes_, allocations_,
                 ownAllocations_);
    std::fclose(file);
    if (FILE* trace = tracePath_.empty() ? nullptr : std::fopen(tracePath_.c_str(), "w")) {
      for (const Sample& sample : trace_)
        std::fprintf(trace, "%lld %d %d\n", sample.nanoseconds, sample.x, sample.y);
      std::fclose(trace);
    }
  }

 private:
  struct Sample {
    long long nanoseconds;
    int32_t x, y;
  };
  static constexpr size_t kMostTraced = 1 << 14;  // 19 minutes of ticks

  std::string path_;
  std::string tracePath_;
  std::vector<Sample> trace_;
  bool inTick_ = false;
  bool firstTickSeen_ = false;
  bool firstQueryOfTick_ = false;
  unsigned long long tickRoundTrips_ = 0;
  unsigned long long tickBytes_ = 0;
  uint64_t allocationsBefore_ = 0;
  uint64_t ownAllocationsBefore_ = 0;
  uint64_t lastQuerySequence_ = 0;
  unsigned long long ticks_ = 0;
  unsigned long long roundTrips_ = 0;
  unsigned long long requests_ = 0;
  unsigned long long requestSamples_ = 0;
  unsigned long long uploadedBytes_ = 0;
  unsigned long long allocations_ = 0;
  unsigned long long ownAllocations_ = 0;
};

// Installed before main, so that the backend finds it when it is made.
const bool installed = [] {
  if (const char* path = std::getenv("OCULON_LOOP_STATS")) {
    const char* trace = std::getenv("OCULON_POINTER_TRACE");
    static LoopCounter counter(path, trace ? trace : "");
    x11::SetLoopObserver(&counter);
  }
  return true;
}();

}  // namespace
}  // namespace oculon::bench
