// The window of the forms runtime.
#include "runtime/form.h"

#include <algorithm>
#include <cmath>

#include "runtime/numbers.h"
#include "runtime/run_time_error.h"
#include "runtime/scaled_picture.h"
#include "runtime/screen.h"
#include "runtime/system_colors.h"
#include "runtime/window_shape.h"

namespace oculon {

Form::Form(FormDefinition definition)
    : definition_(std::move(definition)),
      state_{definition_.autoRedraw, definition_.scaleMode, definition_.fillColor} {}

void Form::EnsureLoaded() {
  if (loaded_) return;
  loaded_ = true;  // before Form_Load, so that its own property accesses do not load again
  logical_ =
      Image(definition_.widthTwips / kTwipsPerPixel, definition_.heightTwips / kTwipsPerPixel,
            ArgbFromColor(ResolveColor(definition_.backColor)));
  if (definition_.picture.Handle() != 0) logical_.Draw(definition_.picture.image(), 0, 0);
  programSize_ = {logical_.width(), logical_.height()};
  scale_ = CurrentScale();
  PaintAtScale();
  ForgetWindowShape();
  const Image* icon = definition_.icon.Handle() != 0 ? &definition_.icon.image() : nullptr;
  handle_ = CurrentBackend().CreateWindow({definition_.caption,
                                           {persistent_.width(), persistent_.height()},
                                           {},
                                           icon,
                                           definition_.showInTaskbar},
                                          *this);
  for (size_t i = 0; i < timers_.size(); ++i) timers_[i]->Attach(static_cast<int>(i));
  Form_Load();
}

bool Form::Unscaled() const {
  return scale_ == DeviceScale();
}

const Image& Form::ProgramImage() const {
  return Unscaled() ? persistent_ : logical_;
}

void Form::PaintAtScale() {
  if (Unscaled()) {
    // Device pixels are the program's: one image serves for both, drawings and all.
    persistent_ = std::move(logical_);
    logical_ = Image();
  } else {
    PixelSize size = scale_.ToDevice(programSize_);
    persistent_ =
        Image(size.width, size.height, ArgbFromColor(ResolveColor(definition_.backColor)));
    if (definition_.picture.Handle() != 0) {
      persistent_.Draw(ScaledPicture(definition_.picture.image(), scale_), 0, 0);
    }
  }
  screen_ = persistent_;
  shown_ = persistent_;
}

PixelPoint Form::Position() {
  PixelRect rect{};
  // A place that cannot be had is a failing call, never a made-up (0, 0): setting one
  // coordinate would move the window to the edge, and a save would store 0.
  if (!CurrentBackend().WindowRect(rect)) Raise(ErrorNumber::kInvalidProcedureCall);
  return {rect.left, rect.top};
}

void Form::SetCorner(int32_t PixelPoint::*axis, float twips) {
  EnsureLoaded();
  int32_t pixels = PixelsFromTwips(twips, scale_);
  PixelPoint corner = Position();
  corner.*axis = pixels;
  CurrentBackend().MoveWindow(corner);
}

bool Form::OnAMonitor() {
  EnsureLoaded();
  PixelPoint corner = Position();
  PixelRect window{corner.x, corner.y, corner.x + persistent_.width(),
                   corner.y + persistent_.height()};
  return ShowsOnAMonitor(window, CurrentBackend().Monitors());
}

float Form::Top() {
  EnsureLoaded();
  return TwipsFromPixels(Position().y, scale_);
}

void Form::SetTop(float twips) {
  SetCorner(&PixelPoint::y, twips);
}

float Form::Left() {
  EnsureLoaded();
  return TwipsFromPixels(Position().x, scale_);
}

void Form::SetLeft(float twips) {
  SetCorner(&PixelPoint::x, twips);
}

float Form::Width() {
  EnsureLoaded();
  return static_cast<float>(definition_.widthTwips);
}

float Form::Height() {
  EnsureLoaded();
  return static_cast<float>(definition_.heightTwips);
}

uint32_t Form::hWnd() {
  EnsureLoaded();
  return handle_;
}

const std::string& Form::Caption() {
  EnsureLoaded();
  return definition_.caption;
}

void Form::Show() {
  EnsureLoaded();
  FlushPaint();
  CurrentBackend().ShowWindow();
  if (focus_ < 0) MoveFocus(1);
}

void Form::Refresh() {
  EnsureLoaded();
  ImageChanged();
  if (!state_.autoRedraw) screen_.CopyArea(persistent_, persistent_.Bounds());
  MarkDirty(persistent_.Bounds());
}

bool Form::AutoRedraw() {
  EnsureLoaded();
  return state_.autoRedraw;
}

void Form::SetAutoRedraw(bool on) {
  EnsureLoaded();
  // From now on drawing goes onto the screen image, which starts as what the window shows.
  if (state_.autoRedraw && !on) screen_.CopyArea(persistent_, persistent_.Bounds());
  if (state_.autoRedraw != on) ImageChanged();
  state_.autoRedraw = on;
}

const Image& Form::Displayed() const {
  return state_.autoRedraw ? persistent_ : screen_;
}

int16_t Form::ScaleMode() {
  EnsureLoaded();
  return state_.scaleMode;
}

void Form::SetScaleMode(int16_t mode) {
  EnsureLoaded();
  if (mode != kScaleTwips && mode != kScalePixels) Raise(ErrorNumber::kInvalidPropertyValue);
  if (state_.scaleMode != mode) ImageChanged();
  state_.scaleMode = mode;
}

double Form::PixelsPerUnit() const {
  return state_.scaleMode == kScalePixels ? 1.0 : 1.0 / kTwipsPerPixel;
}

float Form::ScaleWidth() {
  EnsureLoaded();
  return static_cast<float>(programSize_.width / PixelsPerUnit());
}

float Form::ScaleHeight() {
  EnsureLoaded();
  return static_cast<float>(programSize_.height / PixelsPerUnit());
}

const StdPicture& Form::Picture() {
  EnsureLoaded();
  return definition_.picture;
}

const StdPicture& Form::Icon() {
  EnsureLoaded();
  return definition_.icon;
}

int32_t Form::BackColor() {
  EnsureLoaded();
  return definition_.backColor;
}

int32_t Form::FillColor() {
  EnsureLoaded();
  return state_.fillColor;
}

void Form::SetFillColor(int32_t color) {
  EnsureLoaded();
  ResolveColor(color);  // an unknown system colour is refused here, not at the next Circle
  state_.fillColor = color;
}

int16_t Form::FillStyle() {
  EnsureLoaded();
  return definition_.fillStyle;
}

void Form::Circle(float x, float y, float radius, int32_t color) {
  EnsureLoaded();
  double scale = PixelsPerUnit();
  uint32_t outline = ArgbFromColor(ResolveColor(color));
  std::optional<uint32_t> fill;
  if (definition_.fillStyle == kFillSolid) fill = ArgbFromColor(ResolveColor(state_.fillColor));
  Image& target = state_.autoRedraw ? persistent_ : screen_;
  ImageChanged();
  // Drawn at the device's resolution, so that a circle stays round at any scale; what lasts
  // (AutoRedraw) is drawn in program pixels too, for Point to read.
  MarkDirty(target.Circle(scale_.DeviceCoordinate(x * scale), scale_.DeviceCoordinate(y * scale),
                          radius * scale * scale_.factor(), outline, fill));
  if (state_.autoRedraw && !Unscaled()) {
    logical_.Circle(x * scale, y * scale, radius * scale, outline, fill);
  }
}

int32_t Form::Point(float x, float y) {
  EnsureLoaded();
  double scale = PixelsPerUnit();
  double column = std::floor(x * scale);
  double row = std::floor(y * scale);
  const Image& image = ProgramImage();
  if (!(column >= 0 && row >= 0 && column < image.width() && row < image.height())) return -1;
  return ColorFromArgb(image.Pixel(static_cast<int32_t>(column), static_cast<int32_t>(row)));
}

void Form::AddControl(Control& control) {
  auto at = std::upper_bound(controls_.begin(), controls_.end(), &control,
                             [](Control* a, Control* b) { return a->TabIndex() < b->TabIndex(); });
  controls_.insert(at, &control);
}

void Form::AddTimer(Timer& timer) {
  timers_.push_back(&timer);
}

const Control* Form::FocusedControl() const {
  return focus_ < 0 ? nullptr : controls_[size_t(focus_)];
}

void Form::MoveFocus(int step) {
  int count = static_cast<int>(controls_.size());
  int index = focus_ < 0 ? (step > 0 ? -1 : 0) : focus_;
  for (int tries = 0; tries < count; ++tries) {
    index = ((index + step) % count + count) % count;
    if (controls_[size_t(index)]->TakesFocus()) {
      focus_ = index;
      return;
    }
  }
}

void Form::MarkDirty(PixelRect area) {
  if (area.IsEmpty()) return;
  // Overlapping areas become one, so that no pixel is compared or uploaded twice.
  for (size_t i = 0; i < dirty_.size();) {
    if (dirty_[i].Intersect(area).IsEmpty()) {
      ++i;
      continue;
    }
    area = area.Union(dirty_[i]);
    dirty_.erase(dirty_.begin() + ptrdiff_t(i));
    i = 0;
  }
  dirty_.push_back(area);
}

void Form::FlushPaint() {
  for (const PixelRect& dirty : dirty_) {
    PixelRect changed = Displayed().DifferingArea(shown_, dirty);
    if (changed.IsEmpty()) continue;
    CurrentBackend().Upload(Displayed(), changed);
    shown_.CopyArea(Displayed(), changed);
  }
  dirty_.clear();  // keeps its room: an event like the last allocates nothing
}

template <class Handler>
void Form::RaiseEvent(Handler&& handler) {
  try {
    handler();
  } catch (const RunTimeError& error) {
    CurrentBackend().ShowFatalError(error.Describe());
    throw ProgramEnd{1};
  }
  FlushPaint();
}

void Form::ImageChanged() {
  ++imageGeneration_;
  if (!timersMaySleep_) return;
  timersMaySleep_ = false;
  CurrentBackend().WakeTimers();
}

void Form::OnTimer(int timerId) {
  if (timerId < 0 || size_t(timerId) >= timers_.size()) return;
  Timer& timer = *timers_[size_t(timerId)];
  if (!timer.Enabled() || !timer.Tick) return;
  uint64_t before = imageGeneration_;
  RaiseEvent([&] { timer.Tick(); });
  // A tick that drew nothing tells the next one's outcome, until what it reads changes.
  if (timer.WaitsForChange() && timer.Enabled() && imageGeneration_ == before) {
    timersMaySleep_ = true;
    CurrentBackend().SleepTimer(timerId);
  }
}

void Form::OnMouseDown(int16_t button, int16_t shift, PixelPoint deviceClient) {
  PixelPoint client = scale_.FromDevice(deviceClient);
  double scale = PixelsPerUnit();
  RaiseEvent([&] {
    Form_MouseDown(button, shift, static_cast<float>(client.x / scale),
                   static_cast<float>(client.y / scale));
  });
}

void Form::OnDblClick() {
  RaiseEvent([&] { Form_DblClick(); });
}

void Form::OnKey(Key key) {
  if (key == Key::kTab || key == Key::kBackTab) {
    MoveFocus(key == Key::kTab ? 1 : -1);
    return;
  }
  if (focus_ < 0) return;
  Control& focused = *controls_[size_t(focus_)];
  RaiseEvent([&] { focused.OnKey(key); });
}

void Form::OnExpose(const PixelRect& area) {
  PixelRect clipped = area.Intersect(persistent_.Bounds());
  if (clipped.IsEmpty()) return;
  if (!state_.autoRedraw) {
    screen_.CopyArea(persistent_, clipped);
    ImageChanged();  // what was drawn on the screen image alone is gone
  }
  CurrentBackend().Upload(Displayed(), clipped);
  shown_.CopyArea(Displayed(), clipped);
}

void Form::OnScaleChanged() {
  DeviceScale scale = CurrentScale();
  if (!loaded_ || scale == scale_) return;
  if (Unscaled()) logical_ = persistent_;  // what Point reads stays, at the program's pixels
  scale_ = scale;
  // What was drawn is drawn again by whoever drew it: the generation tells them.
  PaintAtScale();
  dirty_.clear();
  CurrentBackend().ResizeWindow({persistent_.width(), persistent_.height()});
  ReshapeWindow();
  CurrentBackend().Upload(Displayed(), Displayed().Bounds());
  ImageChanged();
}

}  // namespace oculon
