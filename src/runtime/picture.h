// A picture decoded from PNG bytes: what a window's Picture and Icon hold. The decoder is the
// operating system's (libpng on POSIX, the Windows Imaging Component on Windows).
#pragma once

#include <cstdint>
#include <span>

#include "runtime/image.h"

namespace oculon {

class StdPicture {
 public:
  StdPicture() = default;
  // Decodes PNG bytes; a picture that cannot be decoded stays empty (Handle 0).
  static StdPicture FromPng(std::span<const unsigned char> png);
  static StdPicture FromImage(Image image);

  // Nonzero exactly when a picture is loaded.
  uint32_t Handle() const { return handle_; }
  const Image& image() const { return image_; }

 private:
  uint32_t handle_ = 0;
  Image image_;
};

}  // namespace oculon
