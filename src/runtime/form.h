// A window of the forms runtime: properties in twips, drawing in its scale, a persistent
// image, controls with a keyboard focus, and the events the backend reports. The program works
// in 96-dpi pixels; the window's images are in device pixels, at the desktop's scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/backend.h"
#include "runtime/controls.h"
#include "runtime/device_scale.h"
#include "runtime/image.h"
#include "runtime/picture.h"
#include "runtime/timer.h"

namespace oculon {

inline constexpr int16_t kScaleTwips = 1;
inline constexpr int16_t kScalePixels = 3;
inline constexpr int16_t kFillSolid = 0;
inline constexpr int16_t kFillTransparent = 1;

// The window's properties as its definition gives them, before it is loaded.
struct FormDefinition {
  std::string caption;
  int widthTwips = 0;
  int heightTwips = 0;
  int16_t scaleMode = kScaleTwips;
  int32_t backColor = 0x8000000F;
  int32_t foreColor = 0x80000012;
  int32_t fillColor = 0;
  int16_t fillStyle = kFillTransparent;
  bool autoRedraw = false;
  bool showInTaskbar = true;
  StdPicture picture;
  StdPicture icon;
};

class Form : public EventSink {
 public:
  explicit Form(FormDefinition definition);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Every property access loads the window first (its Load event runs to its end).
  float Top();
  void SetTop(float twips);
  float Left();
  void SetLeft(float twips);
  float Width();
  float Height();
  uint32_t hWnd();
  const std::string& Caption();

  void Show();
  void Refresh();

  bool AutoRedraw();
  void SetAutoRedraw(bool on);
  int16_t ScaleMode();
  void SetScaleMode(int16_t mode);
  float ScaleWidth();
  float ScaleHeight();
  const StdPicture& Picture();
  const StdPicture& Icon();
  int32_t BackColor();
  int32_t FillColor();
  void SetFillColor(int32_t color);
  int16_t FillStyle();

  // A whole circle: outline in `color`, inside in FillColor unless the fill is transparent.
  void Circle(float x, float y, float radius, int32_t color);
  // The colour of a pixel of the persistent image; -1 outside the client area.
  int32_t Point(float x, float y);
  // Changes whenever what drawing goes onto may have changed: a drawing, a Refresh, a switch of
  // AutoRedraw or ScaleMode, a repaint of the screen image. While it stays the same, a caller
  // that remembers what it drew knows that it is still there.
  uint64_t ImageGeneration() const { return imageGeneration_; }

  // Whether some monitor shows the window (runtime/screen.h says how much of it).
  bool OnAMonitor();

  bool IsLoaded() const { return loaded_; }
  const Control* FocusedControl() const;

 protected:
  virtual void Form_Load() {}
  virtual void Form_DblClick() {}
  virtual void Form_MouseDown(int16_t, int16_t, float, float) {}

  void AddControl(Control& control);
  void AddTimer(Timer& timer);

 private:
  // EventSink: each event runs its handler; an unhandled run-time error ends the program.
  void OnTimer(int timerId) override;
  void OnMouseDown(int16_t button, int16_t shift, PixelPoint client) override;
  void OnDblClick() override;
  void OnKey(Key key) override;
  void OnExpose(const PixelRect& area) override;
  void OnScaleChanged() override;

  template <class Handler>
  void RaiseEvent(Handler&& handler);

  void EnsureLoaded();
  // The persistent, screen and shown images afresh at scale_: the background and the picture
  // (unscaled: what logical_ holds).
  void PaintAtScale();
  bool Unscaled() const;
  // The persistent image in program pixels, as Point reads it.
  const Image& ProgramImage() const;
  // Moves the window's corner along one axis to `twips`; the other coordinate stays.
  void SetCorner(int32_t PixelPoint::*axis, float twips);
  PixelPoint Position();
  double PixelsPerUnit() const;
  void MoveFocus(int step);
  void MarkDirty(PixelRect area);
  // What drawing goes onto may have changed: a new generation, and any sleeping timer wakes.
  void ImageChanged();
  // Uploads what changed on the screen image since the last upload.
  void FlushPaint();

  // The window as its definition gives it, unchanged for its life; the properties that the
  // program changes at run time start from it and live in state_.
  const FormDefinition definition_;
  struct State {
    bool autoRedraw;
    int16_t scaleMode;
    int32_t fillColor;
  };
  State state_;
  uint64_t imageGeneration_ = 0;
  bool timersMaySleep_ = false;  // a timer was let sleep, and nothing has woken it through here
  bool loaded_ = false;
  uint32_t handle_ = 0;
  DeviceScale scale_;  // the scale the window's images are drawn at

  // What the window shows: the persistent image while AutoRedraw is on, the screen image
  // otherwise.
  const Image& Displayed() const;

  PixelSize programSize_;  // the client area in program pixels
  // On a scaled desktop, the persistent image in program pixels, as Point reads it: the picture
  // over BackColor and what was drawn with AutoRedraw on. Unscaled, persistent_ is that image.
  Image logical_;
  // In device pixels: the persistent image holds the picture over BackColor and what was drawn
  // with AutoRedraw on. The screen image is what the window shows while AutoRedraw is off: the
  // persistent image and what was drawn on the screen alone. The shown image is what the backend
  // has.
  Image persistent_;
  Image screen_;
  Image shown_;
  // What was drawn since the last upload, to be compared with what the backend has.
  std::vector<PixelRect> dirty_;

  std::vector<Control*> controls_;  // in TabIndex order
  std::vector<Timer*> timers_;
  int focus_ = -1;
};

}  // namespace oculon
