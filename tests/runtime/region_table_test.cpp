// Region handles: from 1 on, never reused, and counted.
#include "runtime/region_table.h"

#include <gtest/gtest.h>

namespace oculon {
namespace {

struct AnyRegion : SystemRegion {};

TEST(RegionTable, HandlesStartAtOneAreNeverReusedAndEveryRegionMadeIsCounted) {
  RegionTable table;
  EXPECT_EQ(table.Add(std::make_unique<AnyRegion>()), 1u);
  EXPECT_EQ(table.Add(std::make_unique<AnyRegion>()), 2u);
  EXPECT_TRUE(table.Release(1));
  EXPECT_FALSE(table.Release(1));
  EXPECT_EQ(table.Find(1), nullptr);
  EXPECT_NE(table.Find(2), nullptr);
  EXPECT_EQ(table.Add(std::make_unique<AnyRegion>()), 3u);
  RegionCounts counts = table.Counts();
  EXPECT_EQ(counts.created, 3u);
  EXPECT_EQ(counts.live, 2u);
  EXPECT_EQ(counts.peak, 2u);
}

}  // namespace
}  // namespace oculon
