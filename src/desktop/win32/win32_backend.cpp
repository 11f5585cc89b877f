// The Windows backend: the window and its properties, the queries, the region, the pixels and
// the timers.
#include "desktop/win32/win32_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/run_time_error.h"
#include "system/windows/wide_text.h"

namespace oculon::win32 {
namespace {

constexpr int kResourceIcon = 1;

// The dpi the system was started with: every monitor's where Windows cannot tell them apart.
int SystemDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi;
}

BITMAPINFO TopDownBitmap(int32_t width, int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

Win32Backend::Win32Backend(const ProgramInfo& program)
    : program_(program), windowClass_(Wide(program.name)), dpi_(SystemDpi()) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(kResourceIcon));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.lpszClassName = windowClass_.c_str();
  RegisterClassExW(&windowClass);
}

Win32Backend::~Win32Backend() {
  if (window_) DestroyWindow(window_);
  if (icon_) DestroyIcon(icon_);
  FreeStaging();
}

void Win32Backend::FreeStaging() {
  if (staging_.bitmap) DeleteObject(staging_.bitmap);
  if (staging_.dc) DeleteDC(staging_.dc);
  staging_ = {};
}

int Win32Backend::WindowDpi() const {
  using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  UINT dpi = getDpiForWindow && window_ ? getDpiForWindow(window_) : 0;
  return dpi != 0 ? int(dpi) : SystemDpi();
}

PixelSize Win32Backend::ScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::span<const PixelRect> Win32Backend::Monitors() {
  monitors_.clear();
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR, HDC, LPRECT area, LPARAM found) -> BOOL {
        reinterpret_cast<std::vector<PixelRect>*>(found)->push_back(
            {area->left, area->top, area->right, area->bottom});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&monitors_));
  if (monitors_.empty()) {
    PixelSize screen = ScreenSize();
    monitors_.push_back({0, 0, screen.width, screen.height});
  }
  return monitors_;
}

bool Win32Backend::AnotherInstanceRuns() {
  return instanceLock_.HeldByAnother(program_.name, program_.executablePath, "");
}

uint32_t Win32Backend::CreateWindow(const WindowRequest& request, EventSink& sink) {
  sink_ = &sink;
  size_ = request.size;
  DWORD extendedStyle = request.showInTaskbar ? 0 : WS_EX_TOOLWINDOW;
  window_ = CreateWindowExW(extendedStyle, windowClass_.c_str(), Wide(request.title).c_str(),
                            WS_POPUP, request.position.x, request.position.y, request.size.width,
                            request.size.height, nullptr, nullptr, instance_, this);
  if (!window_) return 0;
  if (request.icon && (icon_ = MakeIcon(*request.icon))) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
  MakeStaging();
  dpi_ = WindowDpi();
  for (auto& [id, interval] : pendingTimers_)
    SetTimer(window_, UINT_PTR(id), UINT(interval), nullptr);
  pendingTimers_.clear();
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window_));
}

void Win32Backend::MakeStaging() {
  staging_.info = TopDownBitmap(size_.width, size_.height);
  staging_.dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  staging_.bitmap =
      CreateDIBSection(staging_.dc, &staging_.info, DIB_RGB_COLORS, &bits, nullptr, 0);
  staging_.pixels = static_cast<uint32_t*>(bits);
  if (staging_.dc && staging_.bitmap) SelectObject(staging_.dc, staging_.bitmap);
}

HICON Win32Backend::MakeIcon(const Image& icon) {
  BITMAPINFO info = TopDownBitmap(icon.width(), icon.height());
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HBITMAP mask = CreateBitmap(icon.width(), icon.height(), 1, 1, nullptr);
  HICON made = nullptr;
  if (color && mask) {
    std::memcpy(bits, icon.pixels().data(), icon.pixels().size_bytes());
    ICONINFO iconInfo{TRUE, 0, 0, mask, color};
    made = CreateIconIndirect(&iconInfo);
  }
  if (color) DeleteObject(color);
  if (mask) DeleteObject(mask);
  return made;
}

void Win32Backend::MoveWindow(PixelPoint topLeft) {
  SetWindowPos(window_, nullptr, topLeft.x, topLeft.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Backend::ResizeWindow(PixelSize size) {
  PixelRect now{};
  if (!WindowRect(now)) return;
  PixelPoint corner{now.left + (now.Width() - size.width) / 2,
                    now.top + (now.Height() - size.height) / 2};
  if (suggestedPlace_) corner = {suggestedPlace_->left, suggestedPlace_->top};
  suggestedPlace_.reset();
  size_ = size;
  FreeStaging();
  MakeStaging();
  SetWindowPos(window_, nullptr, corner.x, corner.y, size.width, size.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Backend::ShowWindow() {
  ::ShowWindow(window_, SW_SHOW);
  // The window takes the focus: some of its controls are reached only through the keyboard.
  SetForegroundWindow(window_);
  SetFocus(window_);
}

void Win32Backend::SetTopmost() {
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Win32Backend::SetShape(std::span<const PixelRect> rects) {
  regionData_.assign(sizeof(RGNDATAHEADER) + rects.size() * sizeof(::RECT), 0);
  auto* data = reinterpret_cast<RGNDATA*>(regionData_.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = DWORD(rects.size());
  auto* boxes = reinterpret_cast<::RECT*>(data->Buffer);
  ::RECT bounds{0, 0, 0, 0};
  for (size_t i = 0; i < rects.size(); ++i) {
    boxes[i] = {rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
    UnionRect(&bounds, &bounds, &boxes[i]);
  }
  data->rdh.rcBound = bounds;
  HRGN region = ExtCreateRegion(nullptr, DWORD(regionData_.size()), data);
  if (!region) return false;
  if (!SetWindowRgn(window_, region, TRUE)) {
    DeleteObject(region);
    return false;
  }
  return true;  // the window owns the region now
}

void Win32Backend::ReleaseCapture() {
  ::ReleaseCapture();
}

void Win32Backend::BeginMove() {
  PostMessageW(window_, kBeginMoveMessage, 0, 0);
}

void Win32Backend::StartMove() {
  // The press may have ended meanwhile: a click is no move. GetKeyState follows the messages
  // and the logical buttons, so a left-handed mouse's left button is VK_LBUTTON too.
  if (GetKeyState(VK_LBUTTON) >= 0) return;
  POINT cursor{};
  if (!::GetCursorPos(&cursor)) return;
  // The move starts once the MouseDown event has returned: the window first catches up with
  // the pointer's travel since the press, and the move goes on from where the pointer is.
  MoveWindow({windowAtPress_.left + cursor.x - pressPoint_.x,
              windowAtPress_.top + cursor.y - pressPoint_.y});
  DefWindowProcW(window_, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(cursor.x, cursor.y));
}

bool Win32Backend::WindowRect(PixelRect& rect) {
  ::RECT r;
  if (!window_ || !::GetWindowRect(window_, &r)) return false;
  rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

bool Win32Backend::CursorPos(PixelPoint& point) {
  POINT p;
  if (!::GetCursorPos(&p)) return false;
  point = {p.x, p.y};
  return true;
}

Backend::WindowAndCursorRead Win32Backend::WindowRectAndCursorPos(PixelRect& rect,
                                                                  PixelPoint& point) {
  return {WindowRect(rect), CursorPos(point)};
}

void Win32Backend::Upload(const Image& image, const PixelRect& area) {
  if (!window_ || !staging_.pixels) return;
  int32_t left = std::max(area.left, 0);
  int32_t top = std::max(area.top, 0);
  int32_t right = std::min({area.right, image.width(), size_.width});
  int32_t bottom = std::min({area.bottom, image.height(), size_.height});
  if (right <= left || bottom <= top) return;
  GdiFlush();  // the last blit out of the staging bitmap is done before its pixels change
  const uint32_t* source = image.pixels().data();
  for (int32_t y = top; y < bottom; ++y) {
    std::memcpy(staging_.pixels + size_t(y) * size_.width + left,
                source + size_t(y) * image.width() + left, size_t(right - left) * 4);
  }
  HDC dc = GetDC(window_);
  BitBlt(dc, left, top, right - left, bottom - top, staging_.dc, left, top, SRCCOPY);
  ReleaseDC(window_, dc);
}

void Win32Backend::StartTimer(int timerId, int intervalMs) {
  if (!window_) {
    pendingTimers_.emplace_back(timerId, intervalMs);
    return;
  }
  if (!SetTimer(window_, UINT_PTR(timerId), UINT(std::max(intervalMs, 1)), nullptr))
    Raise(ErrorNumber::kInvalidProcedureCall);  // no timer left
}

void Win32Backend::StopTimer(int timerId) {
  std::erase_if(pendingTimers_, [&](const auto& timer) { return timer.first == timerId; });
  if (window_) KillTimer(window_, UINT_PTR(timerId));
}

}  // namespace oculon::win32

namespace oculon {

std::unique_ptr<Desktop> ConnectDesktop(const ProgramInfo& program) {
  return std::make_unique<win32::Win32Backend>(program);
}

}  // namespace oculon
