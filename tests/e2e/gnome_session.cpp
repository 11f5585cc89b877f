// GNOME Shell headless for the tests. The shell wants a system bus (a private one here), reads
// its settings and extensions from HOME and the XDG folders (the session's own), and runs what
// the session bus activates below it: all of it is ended by PID.
#include "e2e/gnome_session.h"

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace oculon::e2e {
namespace {

constexpr char kTestDesktop[] = "org.example.TestDesktop";
constexpr char kTestDesktopPath[] = "/org/example/TestDesktop";
constexpr char kTestExtension[] = "test-desktop@oculon.example.org";
constexpr char kPointerExtension[] = "pointer@oculon.example.org";

std::string SystemBusConfiguration(const std::string& socket) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>system</type>\n"
         "  <listen>unix:path=" +
         socket +
         "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow user=\"*\"/>\n"
         "    <allow own=\"*\"/>\n"
         "    <allow send_type=\"*\"/>\n"
         "    <allow receive_type=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

}  // namespace

GnomeSession::GnomeSession(const GnomeOptions& options)
    : WaylandSession("gnome", options.scaling), root_(options.root) {
  const std::string& root = options.root;
  std::map<std::string, std::string> environment{{"HOME", folder_ + "/home"},
                                                 {"XDG_CONFIG_HOME", folder_ + "/config"},
                                                 {"XDG_DATA_HOME", folder_ + "/data"},
                                                 {"XDG_CACHE_HOME", folder_ + "/cache"},
                                                 {"XDG_STATE_HOME", folder_ + "/state"},
                                                 {"XDG_RUNTIME_DIR", folder_ + "/run"},
                                                 {"TMPDIR", folder_ + "/tmp"},
                                                 {"DISPLAY", ""},
                                                 {"WAYLAND_DISPLAY", ""},
                                                 {"DBUS_SESSION_BUS_ADDRESS", ""}};
  for (const auto& [name, folder] : environment) {
    if (!folder.empty()) std::filesystem::create_directories(folder);
  }
  chmod((folder_ + "/run").c_str(), 0700);

  std::string systemBus = folder_ + "/system_bus";
  std::ofstream(folder_ + "/system-bus.conf") << SystemBusConfiguration(systemBus);
  systemBus_ =
      std::make_unique<Process>(std::vector<std::string>{"dbus-daemon", "--nofork", "--config-file",
                                                         folder_ + "/system-bus.conf"},
                                environment, folder_ + "/system-bus.log");
  if (!WaitFor([&] { return std::filesystem::exists(systemBus); }, 10s))
    throw std::runtime_error("no system bus: " + ReadAll(folder_ + "/system-bus.log"));
  environment["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + systemBus;

  // GNOME 45 and later take no --wayland.
  std::string version = folder_ + "/version";
  Process(InRoot(root, {"sh", "-c", "exec gnome-shell --version > \"$0\"", version}), environment)
      .WaitForExit(10s);
  std::string gnome, shell;
  int major = 0;
  std::istringstream(ReadAll(version)) >> gnome >> shell >> major;  // GNOME Shell 43.9

  std::string extensions = folder_ + "/data/gnome-shell/extensions/";
  std::filesystem::create_directories(extensions);
  std::filesystem::copy(OCULON_GNOME_TEST_EXTENSIONS + std::string("/") + kTestExtension,
                        extensions + kTestExtension, std::filesystem::copy_options::recursive);
  std::string enabled = std::string("['") + kTestExtension + "'";
  PointerExtension pointer = options.pointerExtension;
  if (pointer != PointerExtension::kAbsent && options.dataFolder.empty()) {
    std::filesystem::copy(OCULON_GNOME_EXTENSIONS + std::string("/") + kPointerExtension,
                          extensions + kPointerExtension, std::filesystem::copy_options::recursive);
  }
  if (pointer == PointerExtension::kOutOfDate) {
    std::ofstream(extensions + kPointerExtension + "/metadata.json")
        << "{\"uuid\": \"" << kPointerExtension
        << "\", \"name\": \"pointer\", \"description\": \"old\", \"shell-version\": [\"42\"]}\n";
  }
  if (pointer == PointerExtension::kEnabled || pointer == PointerExtension::kOutOfDate)
    enabled += std::string(", '") + kPointerExtension + "'";
  enabled += "]";
  if (!options.dataFolder.empty())
    environment["XDG_DATA_DIRS"] = options.dataFolder + ":/usr/local/share:/usr/share";
  // Mutter's experimental features: a layout in logical pixels, and XWayland scaled natively.
  std::string features = "[]";
  if (scaling_.monitor != 1) {
    WriteMonitors(folder_ + "/config");
    features = scaling_.programsScale ? "['scale-monitor-framebuffer', 'xwayland-native-scaling']"
                                      : "['scale-monitor-framebuffer']";
  }
  long width = std::lround(kWidth * scaling_.monitor),
       height = std::lround(kHeight * scaling_.monitor);
  environment["TEST_SESSION_FILE"] = folder_ + "/session";
  std::string socket = "wayland-test-" + std::filesystem::path(folder_).filename().string();
  session_ = std::make_unique<Process>(
      InRoot(root, {"dbus-run-session", "--", "sh", "-c",
                    "gsettings set org.gnome.shell enabled-extensions \"$0\" && gsettings set "
                    "org.gnome.mutter experimental-features \"$4\" && exec gnome-shell "
                    "--headless $3 --virtual-monitor \"$1\" --wayland-display \"$2\"",
                    enabled, std::to_string(width) + "x" + std::to_string(height), socket,
                    major >= 45 ? "" : "--wayland", features}),
      environment, folder_ + "/shell.log");
  if (!WaitFor([&] { return std::filesystem::exists(folder_ + "/session"); }, 30s))
    throw std::runtime_error("GNOME Shell did not start: " + ReadAll(folder_ + "/shell.log"));
  shell_ = ChildNamed(session_->pid(), "gnome-shell");

  std::istringstream session(ReadAll(folder_ + "/session"));
  std::string display, bus, authority;
  std::getline(session, display);
  std::getline(session, bus);
  std::getline(session, authority);
  // A program of the session finds extensions where the shell does; its home and settings stay
  // the test's.
  environment_ = {{"DISPLAY", display},
                  {"XAUTHORITY", authority},
                  {"WAYLAND_DISPLAY", socket},
                  {"DBUS_SESSION_BUS_ADDRESS", bus}};
  for (const char* name : {"XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_DATA_DIRS"}) {
    if (auto it = environment.find(name); it != environment.end()) environment_[name] = it->second;
  }
  // What the user types has all of the session's folders: gsettings reads the shell's settings
  // from the configuration folder, and writes them through the session's bus.
  userEnvironment_ = environment;
  for (const auto& [name, value] : environment_) userEnvironment_[name] = value;
  bus_ = dbus_connection_open_private(bus.c_str(), nullptr);
  if (!bus_ || !dbus_bus_register(bus_, nullptr))
    throw std::runtime_error("cannot reach the session's bus");
  MovePointer(kWidth / 2, kHeight / 2);  // from the corner where the shell starts it, as KWin does
}

void GnomeSession::WriteMonitors(const std::string& folder) const {
  std::ofstream(folder + "/monitors.xml")
      << "<monitors version=\"2\">\n  <configuration>\n    <layoutmode>logical</layoutmode>\n"
         "    <logicalmonitor>\n      <x>0</x>\n      <y>0</y>\n      <scale>"
      << scaling_.monitor
      << "</scale>\n      <primary>yes</primary>\n      <monitor>\n        <monitorspec>\n"
         "          <connector>Meta-0</connector>\n          <vendor>MetaVendor</vendor>\n"
         "          <product>MetaVirtualMonitor</product>\n          <serial>0x00</serial>\n"
         "        </monitorspec>\n        <mode>\n          <width>"
      << std::lround(kWidth * scaling_.monitor) << "</width>\n          <height>"
      << std::lround(kHeight * scaling_.monitor)
      << "</height>\n          <rate>60</rate>\n        </mode>\n      </monitor>\n"
         "    </logicalmonitor>\n  </configuration>\n</monitors>\n";
}

std::string GnomeSession::ExtensionsFolder() const {
  return folder_ + "/data/gnome-shell/extensions";
}

std::string GnomeSession::ShellVersion() {
  companions::Message call(dbus_message_new_method_call("org.gnome.Shell", "/org/gnome/Shell",
                                                        DBUS_INTERFACE_PROPERTIES, "Get"));
  const char* interface = "org.gnome.Shell";
  const char* property = "ShellVersion";
  dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                           DBUS_TYPE_INVALID);
  companions::Message reply(
      dbus_connection_send_with_reply_and_block(bus_, call.get(), 10'000, nullptr));
  DBusMessageIter arguments, value;
  const char* text = nullptr;
  if (reply && dbus_message_iter_init(reply.get(), &arguments) &&
      dbus_message_iter_get_arg_type(&arguments) == DBUS_TYPE_VARIANT) {
    dbus_message_iter_recurse(&arguments, &value);
    if (dbus_message_iter_get_arg_type(&value) == DBUS_TYPE_STRING)
      dbus_message_iter_get_basic(&value, &text);
  }
  return text ? text : "";
}

std::optional<int> GnomeSession::Run(std::vector<std::string> argv) {
  return Process(InRoot(root_, std::move(argv)), userEnvironment_, folder_ + "/run.log")
      .WaitForExit(10s);
}

GnomeSession::~GnomeSession() {
  if (bus_) {
    dbus_connection_close(bus_);
    dbus_connection_unref(bus_);
  }
  nativeWindow_.reset();
  // What the session bus started runs below it, XWayland below the shell: all of it goes, the
  // shell first so that it ends its XWayland itself.
  std::vector<pid_t> below = session_ ? Descendants(session_->pid()) : std::vector<pid_t>{};
  End(shell_);
  for (pid_t process : below) End(process);
  if (session_) session_->WaitForExit(10s);
  session_.reset();
  systemBus_.reset();
}

companions::Message GnomeSession::Call(const char* method, std::optional<Point> at) {
  companions::Message call(
      dbus_message_new_method_call(kTestDesktop, kTestDesktopPath, kTestDesktop, method));
  if (at) {
    dbus_int32_t x = at->x, y = at->y;
    dbus_message_append_args(call.get(), DBUS_TYPE_INT32, &x, DBUS_TYPE_INT32, &y,
                             DBUS_TYPE_INVALID);
  }
  return companions::Message(
      dbus_connection_send_with_reply_and_block(bus_, call.get(), 10'000, nullptr));
}

void GnomeSession::MovePointer(int x, int y) {
  Call("MovePointer", Point{x, y});
}

void GnomeSession::Press() {
  Call("Press");
}

void GnomeSession::Release() {
  Call("Release");
}

std::optional<uint32_t> GnomeSession::ShownPixel(int x, int y) {
  companions::Message reply = Call("ShownPixel", Point{x, y});
  if (!reply) return std::nullopt;
  dbus_uint32_t rgb = 0;
  bool read =
      dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_UINT32, &rgb, DBUS_TYPE_INVALID);
  return read ? std::optional<uint32_t>(rgb) : std::nullopt;
}

}  // namespace oculon::e2e
