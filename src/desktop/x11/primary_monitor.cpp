// The monitors and the primary one from RandR; asked at start and again when the layout changes.
#include "desktop/x11/primary_monitor.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "desktop/x11/xcb_owned.h"

namespace oculon::x11 {
namespace {

bool Contains(const PixelRect& area, PixelPoint point) {
  return point.x >= area.left && point.x < area.right && point.y >= area.top &&
         point.y < area.bottom;
}

std::vector<Monitor> QueryMonitors(xcb_connection_t* connection, xcb_window_t root) {
  std::vector<Monitor> monitors;
  auto reply = Owned(xcb_randr_get_monitors_reply(
      connection, xcb_randr_get_monitors(connection, root, 1), nullptr));
  if (!reply) return monitors;
  for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
       xcb_randr_monitor_info_next(&it)) {
    const xcb_randr_monitor_info_t& info = *it.data;
    monitors.push_back({{info.x, info.y, info.x + info.width, info.y + info.height},
                        info.primary != 0,
                        info.name});
  }
  return monitors;
}

std::optional<PixelRect> QueryPrimaryOutput(xcb_connection_t* connection, xcb_window_t root) {
  auto primary = Owned(xcb_randr_get_output_primary_reply(
      connection, xcb_randr_get_output_primary(connection, root), nullptr));
  if (!primary || primary->output == XCB_NONE) return std::nullopt;
  auto output = Owned(xcb_randr_get_output_info_reply(
      connection, xcb_randr_get_output_info(connection, primary->output, XCB_CURRENT_TIME),
      nullptr));
  if (!output || output->crtc == XCB_NONE) return std::nullopt;
  auto crtc = Owned(xcb_randr_get_crtc_info_reply(
      connection, xcb_randr_get_crtc_info(connection, output->crtc, XCB_CURRENT_TIME), nullptr));
  if (!crtc || crtc->width == 0 || crtc->height == 0) return std::nullopt;
  return PixelRect{crtc->x, crtc->y, crtc->x + crtc->width, crtc->y + crtc->height};
}

}  // namespace

PixelRect ChoosePrimaryArea(std::span<const Monitor> monitors,
                            std::optional<PixelRect> primaryOutput, PixelSize root) {
  auto usable = [](const Monitor& m) { return !m.area.IsEmpty(); };
  auto marked = std::find_if(monitors.begin(), monitors.end(),
                             [&](const Monitor& m) { return m.primary && usable(m); });
  if (marked != monitors.end()) return marked->area;
  if (PixelRect output = primaryOutput.value_or(PixelRect{}); !output.IsEmpty()) return output;
  auto atOrigin = std::find_if(monitors.begin(), monitors.end(), [&](const Monitor& m) {
    return usable(m) && Contains(m.area, {0, 0});
  });
  if (atOrigin != monitors.end()) return atOrigin->area;
  return {0, 0, root.width, root.height};
}

Layout QueryLayout(xcb_connection_t* connection, const xcb_screen_t& screen) {
  PixelSize root{screen.width_in_pixels, screen.height_in_pixels};
  const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
  if (!randr || !randr->present) {
    PixelRect whole = ChoosePrimaryArea({}, std::nullopt, root);
    return {whole, {whole}, {}};
  }
  auto version = Owned(xcb_randr_query_version_reply(
      connection, xcb_randr_query_version(connection, 1, 5), nullptr));
  bool hasMonitors = version && (version->major_version > 1 ||
                                 (version->major_version == 1 && version->minor_version >= 5));
  std::vector<Monitor> monitors;
  if (hasMonitors) monitors = QueryMonitors(connection, screen.root);
  std::optional<PixelRect> primaryOutput;
  if (std::none_of(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; }))
    primaryOutput = QueryPrimaryOutput(connection, screen.root);
  Layout layout{ChoosePrimaryArea(monitors, primaryOutput, root), {}, {}};
  for (const Monitor& monitor : monitors) {
    if (!monitor.area.IsEmpty()) layout.monitors.push_back(monitor.area);
    layout.names.push_back(monitor.name);
  }
  if (layout.monitors.empty()) layout.monitors.push_back(layout.primary);
  return layout;
}

}  // namespace oculon::x11
