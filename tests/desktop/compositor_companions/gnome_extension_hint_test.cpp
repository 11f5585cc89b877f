// The line that says why the GNOME Shell extension does not run, for each state the shell gives.
#include "desktop/compositor_companions/gnome_extension_hint.h"

#include <gtest/gtest.h>

namespace oculon::companions {
namespace {

constexpr char kUuid[] = "pointer@app.example.org";
constexpr char kUntilItRuns[] =
    "on GNOME under Wayland the pointer is seen only over X11 windows until the program's GNOME "
    "Shell extension runs: ";

TEST(GnomeExtensionHint, EachStateOfTheShellSaysWhatToType) {
  using State = GnomeExtensionInfo::State;
  EXPECT_EQ(GnomeExtensionInfo::FromShellState(1), State::kRunning);
  EXPECT_EQ(GnomeExtensionInfo::FromShellState(8), State::kRunning);  // activating (45 and later)
  for (double off : {2, 6, 7}) EXPECT_EQ(GnomeExtensionInfo::FromShellState(off), State::kOff);
  EXPECT_EQ(GnomeExtensionInfo::FromShellState(3), State::kFailed);
  EXPECT_EQ(GnomeExtensionInfo::FromShellState(4), State::kOutOfDate);
  EXPECT_EQ(GnomeExtensionInfo::FromShellState(99), State::kUnknown);

  ExtensionCopy none;
  EXPECT_EQ(GnomeExtensionHint(kUuid, {State::kRunning, "", "48.7"}, none), "");
  EXPECT_EQ(GnomeExtensionHint(kUuid, {State::kOff, "", "43.9"}, none),
            std::string(kUntilItRuns) + "gnome-extensions enable pointer@app.example.org");
  EXPECT_EQ(GnomeExtensionHint(kUuid, {State::kOutOfDate, "", "51.0"}, none),
            std::string(kUntilItRuns) +
                "pointer@app.example.org does not list GNOME Shell 51.0; gsettings set "
                "org.gnome.shell disable-extension-version-validation true, then log in again");
  EXPECT_EQ(GnomeExtensionHint(kUuid, {State::kFailed, "ReferenceError: x", "48.7"}, none),
            std::string(kUntilItRuns) +
                "GNOME Shell could not run pointer@app.example.org: ReferenceError: x");
}

TEST(GnomeExtensionHint, AnExtensionTheShellDoesNotKnowIsInstalledOrCopiedFirst) {
  GnomeExtensionInfo unknown{GnomeExtensionInfo::State::kUnknown, "", "48.7"};
  EXPECT_EQ(GnomeExtensionHint(kUuid, unknown, {}),
            std::string(kUntilItRuns) + "pointer@app.example.org is not installed");
  // Installed since the login: the shell reads it at the next.
  EXPECT_EQ(GnomeExtensionHint(kUuid, unknown, {"/usr/share/x/pointer@app.example.org", true, ""}),
            std::string(kUntilItRuns) +
                "gnome-extensions enable pointer@app.example.org, then log in again");
  // Unpacked where the shell never looks, in a folder whose name needs quoting.
  EXPECT_EQ(
      GnomeExtensionHint(kUuid, unknown,
                         {"/opt/it's/pointer@app.example.org", false, "/home/u/.local/ext"}),
      std::string(kUntilItRuns) +
          "mkdir -p '/home/u/.local/ext' && cp -r '/opt/it'\\''s/pointer@app.example.org' "
          "'/home/u/.local/ext' && gnome-extensions enable pointer@app.example.org, then log in "
          "again");
}

}  // namespace
}  // namespace oculon::companions
