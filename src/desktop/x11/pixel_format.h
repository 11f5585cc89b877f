// The server's pixel format for the window's visual, and rows of 0xAARRGGBB pixels turned
// into it: any TrueColor depth (8 to 32 bits, any channel masks) in either byte order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace oculon::x11 {

struct PixelFormat {
  int bitsPerPixel = 32;  // of the depth's pixmap format: 8, 16, 24 or 32
  int scanlinePad = 32;   // each row is padded to a multiple of this many bits
  bool mostSignificantByteFirst = false;
  uint32_t redMask = 0xFF0000;
  uint32_t greenMask = 0x00FF00;
  uint32_t blueMask = 0x0000FF;
  uint32_t alphaMask = 0;  // a 32-bit visual's bits beyond the colours', for a compositor
};

class PixelConverter {
 public:
  explicit PixelConverter(const PixelFormat& format = {});

  // The bytes that a row of `width` pixels takes, padding included.
  size_t RowBytes(size_t width) const;
  // Writes the row in the server's format at `out` and returns the end of its padded bytes.
  // Where the format has alpha, a pixel is opaque where `opaque` says so (all of them without
  // it) and wholly transparent elsewhere.
  uint8_t* ConvertRow(std::span<const uint32_t> row, uint8_t* out,
                      std::span<const uint8_t> opaque = {}) const;

 private:
  // A channel's 8-bit values scaled to its mask's width and shifted into place.
  using ChannelTable = std::array<uint32_t, 256>;
  static ChannelTable TableFor(uint32_t mask);

  PixelFormat format_;
  bool plainCopy_;  // the server takes 0x00RRGGBB words in this machine's byte order
  ChannelTable red_;
  ChannelTable green_;
  ChannelTable blue_;
  uint32_t alpha_;  // the alpha bits of an opaque pixel
};

}  // namespace oculon::x11
