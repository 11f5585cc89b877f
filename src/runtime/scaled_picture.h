// A window's picture at the desktop's scale: sharp blocks at whole scales, filtered at the
// others, with its background colour kept out of the figure's edge.
#pragma once

#include "runtime/geometry.h"
#include "runtime/image.h"

namespace oculon {

// `picture` at `size`. At a whole multiple of its size each pixel becomes a block; otherwise it
// is resampled with a smoothing filter in which the background colour (that of the top-left
// pixel) counts for nothing, so the figure's edge pixels take no tint of it. A pixel that the
// filter gives nothing but background keeps the nearest original pixel.
Image ScaledPicture(const Image& picture, PixelSize size);

// The system's filter: `premultiplied` (alpha-premultiplied 0xAARRGGBB) resampled to `size`;
// an empty image when the system cannot.
Image ResampledImage(const Image& premultiplied, PixelSize size);

}  // namespace oculon
