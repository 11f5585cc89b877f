// Every test program's main. CTest runs each test as a process of its own: that process gets a
// folder of its own under the system's temporary folder, removed at its end, and is confined to
// it (confined.h); the servers, window managers, Wine and programs a test starts inherit it.
#include <gtest/gtest.h>

#include "confined.h"
#include "temp_folder.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  oculon::testing::TempFolder home;
  oculon::testing::ConfineTo(home.path());
  return RUN_ALL_TESTS();
}
