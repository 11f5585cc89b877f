// The GNOME Shell extension's id, made from the program's bus name.
#include "desktop/compositor_companions/compositor_pointer.h"

#include <gtest/gtest.h>

namespace oculon::companions {
namespace {

TEST(CompositorPointer, TheExtensionsIdIsTheBusNamesDomain) {
  EXPECT_EQ(CompositorPointer::ExtensionUuid("org.example.oculon"), "pointer@oculon.example.org");
  EXPECT_EQ(CompositorPointer::ExtensionUuid("app"), "pointer@app");
}

}  // namespace
}  // namespace oculon::companions
