// Pixel conversion by lookup: one table per channel, so a row costs a load and two ORs a pixel.
#include "desktop/x11/pixel_format.h"

#include <bit>
#include <cstring>

namespace oculon::x11 {

PixelConverter::PixelConverter(const PixelFormat& format)
    : format_(format),
      plainCopy_(format.bitsPerPixel == 32 &&
                 format.mostSignificantByteFirst == (std::endian::native == std::endian::big) &&
                 format.redMask == 0xFF0000 && format.greenMask == 0xFF00 &&
                 format.blueMask == 0xFF),
      red_(TableFor(format.redMask)),
      green_(TableFor(format.greenMask)),
      blue_(TableFor(format.blueMask)),
      alpha_(format.alphaMask) {}

PixelConverter::ChannelTable PixelConverter::TableFor(uint32_t mask) {
  ChannelTable table{};
  if (mask == 0) return table;
  int shift = std::countr_zero(mask);
  uint32_t maximum = mask >> shift;  // e.g. 31 for five bits, 1023 for ten
  for (uint32_t value = 0; value < 256; ++value) {
    table[value] = ((value * maximum + 127) / 255) << shift;  // to nearest: 255 stays full
  }
  return table;
}

size_t PixelConverter::RowBytes(size_t width) const {
  size_t bits = width * size_t(format_.bitsPerPixel);
  size_t pad = size_t(format_.scanlinePad);
  return (bits + pad - 1) / pad * pad / 8;
}

uint8_t* PixelConverter::ConvertRow(std::span<const uint32_t> row, uint8_t* out,
                                    std::span<const uint8_t> opaque) const {
  uint8_t* rowEnd = out + RowBytes(row.size());
  auto alpha = [&](size_t i) { return opaque.empty() || opaque[i] ? alpha_ : 0; };
  if (plainCopy_ && alpha_ == 0) {
    std::memcpy(out, row.data(), row.size_bytes());
    return rowEnd;
  }
  if (plainCopy_) {
    for (size_t i = 0; i < row.size(); ++i) {
      uint32_t pixel = (row[i] & 0xFFFFFF) | alpha(i);
      std::memcpy(out + 4 * i, &pixel, 4);
    }
    return rowEnd;
  }
  const int bytesPerPixel = format_.bitsPerPixel / 8;
  for (size_t i = 0; i < row.size(); ++i) {
    uint32_t argb = row[i];
    uint32_t pixel =
        red_[(argb >> 16) & 0xFF] | green_[(argb >> 8) & 0xFF] | blue_[argb & 0xFF] | alpha(i);
    for (int b = 0; b < bytesPerPixel; ++b) {
      int byte = format_.mostSignificantByteFirst ? bytesPerPixel - 1 - b : b;
      *out++ = static_cast<uint8_t>(pixel >> (8 * byte));
    }
  }
  std::memset(out, 0, size_t(rowEnd - out));
  return rowEnd;
}

}  // namespace oculon::x11
