// A window's picture at the desktop's scale: sharp blocks at whole scales, filtered at the
// others, with its background colour kept out of the figure's edge.
#pragma once

#include "runtime/device_scale.h"
#include "runtime/geometry.h"
#include "runtime/image.h"

namespace oculon {

// `picture` at `scale`, each of its pixels covering the device pixels that the scale's rounding
// gives it (as a window's shape does). At a whole scale each pixel becomes a block; otherwise
// the picture is resampled with a smoothing filter in which the background colour (that of the
// top-left pixel) counts for nothing, so the figure's edge takes no tint of it.
// WORKAROUND(Wine 8): its WIC scaler samples the nearest pixel, and gave some device pixels
// inside the shape nothing but background: a device pixel that the filter gives nothing but
// background shows the picture's pixel that covers it.
Image ScaledPicture(const Image& picture, DeviceScale scale);

// The system's filter: `premultiplied` (alpha-premultiplied 0xAARRGGBB) resampled to `size`;
// an empty image when the system cannot.
Image ResampledImage(const Image& premultiplied, PixelSize size);

}  // namespace oculon
