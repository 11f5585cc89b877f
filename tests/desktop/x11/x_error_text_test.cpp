// The line that names an X error.
#include "desktop/x11/x_error_text.h"

#include <gtest/gtest.h>

namespace oculon::x11 {
namespace {

TEST(XErrorText, NamesTheErrorAndTheRequest) {
  EXPECT_EQ(DescribeXError(13, 72, 0, ""), "X error BadGC (13) in request PutImage (72)");
  EXPECT_EQ(DescribeXError(3, 12, 0, ""), "X error BadWindow (3) in request ConfigureWindow (12)");
  EXPECT_EQ(DescribeXError(8, 129, 1, "SHAPE"),
            "X error BadMatch (8) in request SHAPE 1 (major 129)");
  EXPECT_EQ(DescribeXError(150, 127, 0, ""), "X error error 150 in request 127");
}

}  // namespace
}  // namespace oculon::x11
