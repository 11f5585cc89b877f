// The headless desktop: everything happens at once, in memory, under the test's control.
#include "desktop/headless/headless_desktop.h"

#include <algorithm>
#include <cstdint>

namespace oculon {

HeadlessDesktop::HeadlessDesktop(PixelSize screen)
    : screen_(screen), monitors_{{0, 0, screen.width, screen.height}} {
  SetCurrentBackend(this);
}

HeadlessDesktop::~HeadlessDesktop() {
  SetCurrentBackend(nullptr);
}

uint32_t HeadlessDesktop::CreateWindow(const WindowRequest& request, EventSink& sink) {
  sink_ = &sink;
  window_.created = true;
  window_.title = request.title;
  window_.size = request.size;
  window_.position = request.position;
  window_.content = Image(request.size.width, request.size.height);
  if (request.icon) window_.icon = *request.icon;
  return 0x400001;
}

void HeadlessDesktop::ShowWindow() {
  if (window_.shown) return;
  window_.shown = true;
  sink_->OnExpose({0, 0, window_.size.width, window_.size.height});
}

void HeadlessDesktop::MoveWindow(PixelPoint topLeft) {
  window_.position = topLeft;
  window_.moves.push_back(topLeft);
  WakeTimers();
}

void HeadlessDesktop::ResizeWindow(PixelSize size) {
  PixelPoint centre{window_.position.x + window_.size.width / 2,
                    window_.position.y + window_.size.height / 2};
  window_.size = size;
  window_.position = {centre.x - size.width / 2, centre.y - size.height / 2};
  window_.content = Image(size.width, size.height);
  if (window_.shaped) window_.shape.clear();
  WakeTimers();
}

void HeadlessDesktop::SetDpi(int dpi) {
  dpi_ = dpi;
  if (sink_) Deliver([&] { sink_->OnScaleChanged(); });
}

void HeadlessDesktop::SetScreenSize(PixelSize size) {
  screen_ = size;
  monitors_.front() = {0, 0, size.width, size.height};
  WakeTimers();
}

void HeadlessDesktop::SetOtherMonitors(std::vector<PixelRect> monitors) {
  monitors_.resize(1);
  monitors_.insert(monitors_.end(), monitors.begin(), monitors.end());
  WakeTimers();
}

void HeadlessDesktop::SetPointer(PixelPoint point) {
  pointer_ = point;
  WakeTimers();
}

void HeadlessDesktop::MoveWindowByUser(PixelPoint topLeft) {
  window_.position = topLeft;
  WakeTimers();
}

bool HeadlessDesktop::SetShape(std::span<const PixelRect> rects) {
  if (shapeRefused_) return false;
  window_.shaped = true;
  window_.shape.assign(rects.begin(), rects.end());
  return true;
}

bool HeadlessDesktop::InShape(PixelPoint client) const {
  if (!window_.shaped) {
    return client.x >= 0 && client.y >= 0 && client.x < window_.size.width &&
           client.y < window_.size.height;
  }
  return std::any_of(window_.shape.begin(), window_.shape.end(), [&](const PixelRect& r) {
    return client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom;
  });
}

void HeadlessDesktop::BeginMove() {
  ++moveRequests_;
  moving_ = true;
  moveGrip_ = {pointer_.x - window_.position.x, pointer_.y - window_.position.y};
}

void HeadlessDesktop::DragPointerTo(PixelPoint point) {
  pointer_ = point;
  if (moving_) window_.position = {point.x - moveGrip_.x, point.y - moveGrip_.y};
  WakeTimers();
}

bool HeadlessDesktop::WindowRect(PixelRect& rect) {
  if (queriesFail_) return false;
  // Scripted positions may lie at the edge of the coordinate range: the far edges stop there.
  auto farEdge = [](int32_t from, int32_t length) {
    return static_cast<int32_t>(std::min<int64_t>(int64_t{from} + length, INT32_MAX));
  };
  rect = {window_.position.x, window_.position.y, farEdge(window_.position.x, window_.size.width),
          farEdge(window_.position.y, window_.size.height)};
  return true;
}

bool HeadlessDesktop::CursorPos(PixelPoint& point) {
  if (queriesFail_) return false;
  point = pointer_;
  return true;
}

void HeadlessDesktop::Upload(const Image& image, const PixelRect& area) {
  ++uploads_;
  uploadedPixels_ += area.Area();
  window_.content.CopyArea(image, area);
}

void HeadlessDesktop::StartTimer(int timerId, int intervalMs) {
  timers_[timerId] = {intervalMs, now_ + intervalMs};
}

void HeadlessDesktop::SleepTimer(int timerId) {
  auto timer = timers_.find(timerId);
  if (timersMaySleep_ && timer != timers_.end()) timer->second.asleep = true;
}

void HeadlessDesktop::WakeTimers() {
  for (auto& [id, timer] : timers_) {
    if (!timer.asleep) continue;
    timer.asleep = false;
    // The schedule goes on: the next tick is the first of it still to come.
    if (timer.due <= now_) timer.due += ((now_ - timer.due) / timer.interval + 1) * timer.interval;
  }
}

void HeadlessDesktop::AdvanceTime(int milliseconds) {
  int64_t end = now_ + milliseconds;
  while (!ended_) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (!it->second.asleep && (next == timers_.end() || it->second.due < next->second.due))
        next = it;
    }
    if (next == timers_.end() || next->second.due > end) break;
    now_ = next->second.due;
    next->second.due += next->second.interval;
    int timerId = next->first;
    ++timerTicks_;
    Deliver([&] { sink_->OnTimer(timerId); });
  }
  now_ = end;
}

void HeadlessDesktop::PressKey(Key key) {
  Deliver([&] { sink_->OnKey(key); });
}

void HeadlessDesktop::MouseDown(int16_t button, int16_t shift, PixelPoint client) {
  pointer_ = {window_.position.x + client.x, window_.position.y + client.y};
  WakeTimers();
  moving_ = false;
  if (!InShape(client)) return;  // a press on a cut-away pixel goes to what lies beneath
  Deliver([&] { sink_->OnMouseDown(button, shift, client); });
}

void HeadlessDesktop::DoubleClick() {
  Deliver([&] { sink_->OnDblClick(); });
}

void HeadlessDesktop::Expose(const PixelRect& area) {
  Deliver([&] { sink_->OnExpose(area); });
}

}  // namespace oculon
