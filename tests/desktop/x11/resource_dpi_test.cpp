// Xft.dpi as desktops write it into the root's resources, and what is not a dpi.
#include "desktop/x11/resource_dpi.h"

#include <gtest/gtest.h>

namespace oculon::x11 {
namespace {

TEST(ResourceDpi, XftDpiIsReadAsTheDesktopsWriteIt) {
  EXPECT_EQ(DpiFromResources("Xcursor.size:\t24\nXft.dpi:\t192\nXft.hinting:\t1\n"), 192);
  EXPECT_EQ(DpiFromResources("Xft.dpi: 143.9"), 144);
  EXPECT_EQ(DpiFromResources("Xft.dpi:\t96\nXft.dpi:\t120\n"), 120);  // the last one said
}

TEST(ResourceDpi, NoneOrNoNumberIsUnscaled) {
  for (const char* resources :
       {"", "Xft.antialias:\t1\n", "Xft.dpi:\n", "Xft.dpi:\tlarge\n", "Xft.dpi:\t1e999\n",
        "Xft.dpi:\t-192\n", "XXft.dpi:\t192\n", "Xft.dpix:\t192\n"}) {
    EXPECT_EQ(DpiFromResources(resources), 96) << resources;
  }
}

}  // namespace
}  // namespace oculon::x11
