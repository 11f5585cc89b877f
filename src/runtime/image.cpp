// Drawing into images in memory: copies, comparisons and filled circles.
#include "runtime/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace oculon {
namespace {

// The columns of row `y` that lie within the disc, clipped to columns -1 ... `width`: enough to
// tell, for every column of the image, whether it and its neighbours are in the disc. Empty
// (left > right) when none are.
struct Span {
  int32_t left = 1;
  int32_t right = 0;
};

Span DiscSpan(double cx, double cy, double radius, int32_t y, int32_t width) {
  double dy = y - cy;
  double dy2 = dy * dy;
  double r2 = radius * radius;
  if (dy2 > r2) return {};
  auto inside = [&](int32_t x) { return (x - cx) * (x - cx) + dy2 <= r2; };
  // The square root gives the edges to within a column; the exact test settles them.
  double halfWidth = std::sqrt(r2 - dy2);
  auto column = [&](double x) {
    return static_cast<int32_t>(std::clamp(x, -1.0, static_cast<double>(width)));
  };
  Span span{column(cx - halfWidth), column(cx + halfWidth)};
  while (span.left > -1 && inside(span.left - 1)) --span.left;
  while (span.left <= span.right && !inside(span.left)) ++span.left;
  while (span.right < width && inside(span.right + 1)) ++span.right;
  while (span.right >= span.left && !inside(span.right)) --span.right;
  return span;
}

}  // namespace

Image::Image(int32_t width, int32_t height, uint32_t argb)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height), argb) {}

void Image::Draw(const Image& source, int32_t x, int32_t y) {
  PixelRect target = PixelRect{x, y, x + source.width_, y + source.height_}.Intersect(Bounds());
  for (int32_t row = target.top; row < target.bottom; ++row) {
    for (int32_t column = target.left; column < target.right; ++column) {
      SetPixel(column, row, source.Pixel(column - x, row - y));
    }
  }
}

void Image::CopyArea(const Image& source, const PixelRect& area) {
  PixelRect clipped = area.Intersect(Bounds()).Intersect(source.Bounds());
  for (int32_t row = clipped.top; row < clipped.bottom; ++row) {
    std::copy_n(&source.pixels_[source.Index(clipped.left, row)], clipped.Width(),
                &pixels_[Index(clipped.left, row)]);
  }
}

PixelRect Image::DifferingArea(const Image& other, const PixelRect& area) const {
  PixelRect clipped = area.Intersect(Bounds()).Intersect(other.Bounds());
  PixelRect found{};
  if (clipped.IsEmpty()) return found;
  size_t width = size_t(clipped.Width());
  for (int32_t row = clipped.top; row < clipped.bottom; ++row) {
    const uint32_t* mine = &pixels_[Index(clipped.left, row)];
    const uint32_t* theirs = &other.pixels_[other.Index(clipped.left, row)];
    if (std::memcmp(mine, theirs, width * sizeof(uint32_t)) == 0) continue;
    size_t first = 0;
    while (mine[first] == theirs[first]) ++first;
    size_t last = width - 1;
    while (mine[last] == theirs[last]) --last;
    found = found.Union(
        {clipped.left + int32_t(first), row, clipped.left + int32_t(last) + 1, row + 1});
  }
  return found;
}

PixelRect Image::Circle(double cx, double cy, double radius, uint32_t outline,
                        std::optional<uint32_t> fill) {
  if (!(radius >= 0) || !std::isfinite(cx) || !std::isfinite(cy)) return {};
  double top = std::ceil(cy - radius);
  double bottom = std::floor(cy + radius);
  if (bottom < 0 || top >= height_) return {};
  // Rows -1 and height_ stand for all the rows beyond, as columns -1 and width_ do in a span.
  int32_t firstRow = static_cast<int32_t>(std::max(top, -1.0));
  int32_t lastRow = static_cast<int32_t>(std::min(bottom, double(height_)));
  bool plain = fill == outline;  // one colour: no need to tell the outline from the inside
  PixelRect painted{};
  Span above = DiscSpan(cx, cy, radius, firstRow - 1, width_);
  Span here = DiscSpan(cx, cy, radius, firstRow, width_);
  for (int32_t y = firstRow; y <= lastRow; ++y) {
    Span below = y < lastRow ? DiscSpan(cx, cy, radius, y + 1, width_) : Span{};
    if (y >= 0 && y < height_ && here.left <= here.right) {
      if (plain) {
        PaintRow(y, here.left, here.right, outline);
      } else {
        // The pixels whose four neighbours all lie in the disc are inside; the rest of the
        // row's span is outline.
        int32_t insideLeft = std::max({here.left + 1, above.left, below.left});
        int32_t insideRight = std::min({here.right - 1, above.right, below.right});
        if (insideLeft > insideRight) {  // a row of outline only
          insideLeft = here.right + 1;
          insideRight = here.right;
        }
        PaintRow(y, here.left, insideLeft - 1, outline);
        if (fill) PaintRow(y, insideLeft, insideRight, *fill);
        PaintRow(y, insideRight + 1, here.right, outline);
      }
      int32_t from = std::max(here.left, 0);
      int32_t to = std::min(here.right, width_ - 1);
      if (from <= to) painted = painted.Union({from, y, to + 1, y + 1});
    }
    above = here;
    here = below;
  }
  return painted;
}

void Image::PaintRow(int32_t y, int32_t from, int32_t to, uint32_t argb) {
  from = std::max(from, 0);
  to = std::min(to, width_ - 1);
  if (from <= to) std::fill_n(&pixels_[Index(from, y)], to - from + 1, argb);
}

uint32_t ArgbFromColor(int32_t color) {
  uint32_t value = static_cast<uint32_t>(color);
  return 0xFF000000u | (value & 0xFFu) << 16 | (value & 0xFF00u) | (value >> 16 & 0xFFu);
}

int32_t ColorFromArgb(uint32_t argb) {
  return static_cast<int32_t>((argb & 0xFFu) << 16 | (argb & 0xFF00u) | (argb >> 16 & 0xFFu));
}

}  // namespace oculon
