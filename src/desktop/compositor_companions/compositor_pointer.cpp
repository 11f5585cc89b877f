// The session bus side of the compositor's pointer: the program's name, the pushed places, and
// the KWin script's load and unload.
#include "desktop/compositor_companions/compositor_pointer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "runtime/ending_signals.h"

// kwin_pointer.js, built in.
extern const std::span<const unsigned char> kKWinPointerScript;

namespace oculon::companions {
namespace {

constexpr char kKWinService[] = "org.kde.KWin";
constexpr char kGnomeShellService[] = "org.gnome.Shell";
constexpr char kGnomeShellPath[] = "/org/gnome/Shell";
constexpr char kScriptingPath[] = "/Scripting";
constexpr char kScriptingInterface[] = "org.kde.kwin.Scripting";
constexpr char kPointerMethod[] = "PointerMoved";
// KWin answers at once; a compositor that does not is no companion.
constexpr int kCallTimeoutMs = 2000;

// The script as KWin runs it: the function, then the call that points it at this program.
std::string ScriptFor(const std::string& service, const std::string& path,
                      const std::string& interface) {
  return std::string(kKWinPointerScript.begin(), kKWinPointerScript.end()) +
         "\npushPointer({service: \"" + service + "\", path: \"" + path + "\", interface: \"" +
         interface + "\", method: \"" + kPointerMethod + "\"});\n";
}

// Writes the script where only this user can reach it: the runtime folder.
std::string WriteScript(const std::string& name, const std::string& script) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || runtime[0] != '/') return "";
  std::string file = std::string(runtime) + "/" + name + ".js";
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return "";
  bool written = write(fd, script.data(), script.size()) == ssize_t(script.size());
  close(fd);
  return written ? file : "";
}

// The string a message holds at `value`; empty where it holds another type.
std::string StringIn(DBusMessageIter& value) {
  if (dbus_message_iter_get_arg_type(&value) != DBUS_TYPE_STRING) return "";
  const char* text = nullptr;
  dbus_message_iter_get_basic(&value, &text);
  return text ? text : "";
}

// The user's folder of GNOME Shell extensions, and the system's, as GLib finds them.
std::string UserExtensions() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (data && data[0] == '/') return std::string(data) + "/gnome-shell/extensions";
  return std::string(home ? home : "") + "/.local/share/gnome-shell/extensions";
}

std::vector<std::string> SystemExtensions() {
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = dirs && dirs[0] ? dirs : "/usr/local/share:/usr/share";
  std::vector<std::string> folders;
  for (size_t start = 0; start <= list.size();) {
    size_t end = std::min(list.find(':', start), list.size());
    if (end > start) folders.push_back(list.substr(start, end - start) + "/gnome-shell/extensions");
    start = end + 1;
  }
  return folders;
}

// The copy of the extension an install lays out beside the program: the program in
// <prefix>/libexec/<name>/, the extension in <prefix>/share/gnome-shell/extensions/<uuid>.
ExtensionCopy FindExtensionCopy(const std::string& executable, const std::string& uuid) {
  namespace fs = std::filesystem;
  ExtensionCopy copy{"", false, UserExtensions()};
  std::error_code error;
  fs::path program = fs::canonical(executable, error);
  if (error) return copy;
  fs::path folder =
      program.parent_path().parent_path().parent_path() / "share/gnome-shell/extensions";
  if (!fs::is_directory(folder / uuid, error)) return copy;
  copy.folder = (folder / uuid).string();
  std::vector<std::string> looked = SystemExtensions();
  looked.push_back(copy.userFolder);
  for (const std::string& where : looked) {
    if (fs::equivalent(where, folder, error)) copy.whereGnomeLooks = true;
  }
  return copy;
}

std::string NameOwner(DBusConnection* connection, const char* name) {
  Message call(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS,
                                            "GetNameOwner"));
  if (!call || !dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID))
    return "";
  Message reply(
      dbus_connection_send_with_reply_and_block(connection, call.get(), kCallTimeoutMs, nullptr));
  const char* owner = nullptr;
  if (reply &&
      dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_STRING, &owner, DBUS_TYPE_INVALID))
    return owner;
  return "";
}

// The pointer's place, x and y, and the logical desktop's width and height where the companion
// tells them. KWin's scripts pass numbers as doubles; a companion may pass 32-bit integers.
std::optional<PushedPointer> ReadPlace(DBusMessage* message) {
  double numbers[4] = {};
  int count = 0;
  DBusMessageIter arguments;
  bool more = dbus_message_iter_init(message, &arguments);
  for (; more && count < 4; more = dbus_message_iter_next(&arguments), ++count) {
    int type = dbus_message_iter_get_arg_type(&arguments);
    if (type == DBUS_TYPE_DOUBLE) {
      dbus_message_iter_get_basic(&arguments, &numbers[count]);
    } else if (type == DBUS_TYPE_INT32) {
      dbus_int32_t value = 0;
      dbus_message_iter_get_basic(&arguments, &value);
      numbers[count] = value;
    } else {
      break;
    }
  }
  // A place far off any screen is no place, and a desktop not told is one of no size.
  constexpr double kFarthest = 1e6;
  for (double number : numbers) {
    if (!(std::abs(number) < kFarthest)) return std::nullopt;
  }
  if (count < 2) return std::nullopt;
  PushedPointer place{numbers[0], numbers[1]};
  if (count == 4 && numbers[2] > 0 && numbers[3] > 0) {
    place.desktopWidth = numbers[2];
    place.desktopHeight = numbers[3];
  }
  return place;
}

}  // namespace

std::string CompositorPointer::ExtensionUuid(const std::string& busName) {
  std::string domain;
  for (size_t end = busName.size(); end != std::string::npos && end > 0;) {
    size_t dot = busName.rfind('.', end - 1);
    size_t start = dot == std::string::npos ? 0 : dot + 1;
    domain += (domain.empty() ? "" : ".") + busName.substr(start, end - start);
    end = dot;
  }
  return "pointer@" + domain;
}

std::unique_ptr<CompositorPointer> CompositorPointer::Start(const ProgramInfo& program,
                                                            Compositor compositor) {
  if (program.busName.empty()) return nullptr;
  DBusError error;
  dbus_error_init(&error);
  // A private connection: libdbus's shared one would outlive the program's own code.
  DBusConnection* connection = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
  dbus_error_free(&error);
  if (!connection) return nullptr;
  dbus_connection_set_exit_on_disconnect(connection, false);
  std::unique_ptr<CompositorPointer> pointer(
      new CompositorPointer(connection, program, compositor));
  int owned = dbus_bus_request_name(connection, program.busName.c_str(),
                                    DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
  dbus_error_free(&error);
  if (owned != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) return nullptr;
  std::string rule =
      std::string("type='signal',sender='org.freedesktop.DBus',member='NameOwnerChanged',arg0='") +
      pointer->companionService_ + "'";
  dbus_bus_add_match(connection, rule.c_str(), nullptr);
  pointer->companionOwner_ = NameOwner(connection, pointer->companionService_);
  if (pointer->companionOwner_.empty()) return nullptr;
  if (compositor == Compositor::kKWin) return pointer->LoadScript() ? std::move(pointer) : nullptr;
  std::string uuid = ExtensionUuid(program.busName);
  pointer->hint_ = GnomeExtensionHint(uuid, pointer->AskGnomeShell(),
                                      FindExtensionCopy(program.executablePath, uuid));
  return pointer;
}

CompositorPointer::CompositorPointer(DBusConnection* connection, const ProgramInfo& program,
                                     Compositor compositor)
    : connection_(connection),
      compositor_(compositor),
      companionService_(compositor == Compositor::kKWin ? kKWinService : kGnomeShellService),
      busName_(program.busName),
      interface_(program.busName + ".Pointer"),
      scriptName_(program.name + "-pointer") {
  objectPath_ = "/" + busName_;
  for (char& c : objectPath_) {
    if (c == '.') c = '/';
  }
  dbus_connection_add_filter(connection_, &CompositorPointer::Filter, this, nullptr);
}

CompositorPointer::~CompositorPointer() {
  SayAtEnd(-1, {});
  if (lastWords_) {
    dbus_connection_close(lastWords_);
    dbus_connection_unref(lastWords_);
  }
  UnloadScript();
  if (!scriptFile_.empty()) unlink(scriptFile_.c_str());
  dbus_connection_remove_filter(connection_, &CompositorPointer::Filter, this);
  dbus_connection_close(connection_);
  dbus_connection_unref(connection_);
}

int CompositorPointer::Descriptor() const {
  int fd = -1;
  return dbus_connection_get_unix_fd(connection_, &fd) ? fd : -1;
}

bool CompositorPointer::Dispatch() {
  dbus_connection_read_write(connection_, 0);
  return DispatchRead();
}

bool CompositorPointer::DispatchRead() {
  uint64_t before = pushed_ ? pushed_->count : 0;
  while (dbus_connection_dispatch(connection_) == DBUS_DISPATCH_DATA_REMAINS) {
  }
  return (pushed_ ? pushed_->count : 0) != before;
}

DBusHandlerResult CompositorPointer::Filter(DBusConnection*, DBusMessage* message, void* self) {
  return static_cast<CompositorPointer*>(self)->OnMessage(message);
}

DBusHandlerResult CompositorPointer::OnMessage(DBusMessage* message) {
  if (dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged")) {
    const char* name = nullptr;
    const char* was = nullptr;
    const char* now = nullptr;
    if (dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &was,
                              DBUS_TYPE_STRING, &now, DBUS_TYPE_INVALID) &&
        std::string(name) == companionService_) {
      companionOwner_ = now;
      // KWin restarted: it knows no script of ours. GNOME Shell loads its extensions itself.
      if (!companionOwner_.empty() && compositor_ == Compositor::kKWin) LoadScript();
    }
    return DBUS_HANDLER_RESULT_HANDLED;
  }
  if (!dbus_message_is_method_call(message, interface_.c_str(), kPointerMethod) ||
      !dbus_message_has_path(message, objectPath_.c_str())) {
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  }
  // Only the compositor knows where the pointer is; another program's word is not taken.
  const char* sender = dbus_message_get_sender(message);
  std::optional<PushedPointer> place;
  if (sender && companionOwner_ == sender) place = ReadPlace(message);
  bool usable = place.has_value();
  if (usable) {
    place->count = (pushed_ ? pushed_->count : 0) + 1;
    pushed_ = place;
  }
  if (!dbus_message_get_no_reply(message)) {
    Message reply(usable ? dbus_message_new_method_return(message)
                         : dbus_message_new_error(message, DBUS_ERROR_ACCESS_DENIED,
                                                  "not the compositor, or no place"));
    if (reply) dbus_connection_send(connection_, reply.get(), nullptr);
  }
  return DBUS_HANDLER_RESULT_HANDLED;
}

GnomeExtensionInfo CompositorPointer::AskGnomeShell() {
  GnomeExtensionInfo info;
  std::string uuid = ExtensionUuid(busName_);
  const char* id = uuid.c_str();
  Message call(dbus_message_new_method_call(kGnomeShellService, kGnomeShellPath,
                                            "org.gnome.Shell.Extensions", "GetExtensionInfo"));
  if (call && dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &id, DBUS_TYPE_INVALID)) {
    Message reply(dbus_connection_send_with_reply_and_block(connection_, call.get(), kCallTimeoutMs,
                                                            nullptr));
    // The answer is a{sv}: "state" a double, "error" a string; empty for an unknown extension.
    ForEachEntry(reply.get(), [&](std::string_view key, DBusMessageIter& value) {
      if (key == "state" && dbus_message_iter_get_arg_type(&value) == DBUS_TYPE_DOUBLE) {
        double state = 0;
        dbus_message_iter_get_basic(&value, &state);
        info.state = GnomeExtensionInfo::FromShellState(state);
      } else if (key == "error") {
        info.error = StringIn(value);
      }
    });
  }
  const char* interface = kGnomeShellService;
  const char* property = "ShellVersion";
  Message get(dbus_message_new_method_call(kGnomeShellService, kGnomeShellPath,
                                           DBUS_INTERFACE_PROPERTIES, "Get"));
  if (get && dbus_message_append_args(get.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING,
                                      &property, DBUS_TYPE_INVALID)) {
    Message reply(
        dbus_connection_send_with_reply_and_block(connection_, get.get(), kCallTimeoutMs, nullptr));
    DBusMessageIter arguments, value;
    if (reply && dbus_message_iter_init(reply.get(), &arguments) &&
        dbus_message_iter_get_arg_type(&arguments) == DBUS_TYPE_VARIANT) {
      dbus_message_iter_recurse(&arguments, &value);
      info.shellVersion = StringIn(value);
    }
  }
  return info;
}

Message CompositorPointer::CallKWin(const char* path, const char* method, int firstType, ...) {
  Message call(dbus_message_new_method_call(kKWinService, path, kScriptingInterface, method));
  if (!call) return nullptr;
  va_list arguments;
  va_start(arguments, firstType);
  bool appended = dbus_message_append_args_valist(call.get(), firstType, arguments);
  va_end(arguments);
  if (!appended) return nullptr;
  return Message(
      dbus_connection_send_with_reply_and_block(connection_, call.get(), kCallTimeoutMs, nullptr));
}

bool CompositorPointer::LoadScript() {
  if (scriptFile_.empty())
    scriptFile_ = WriteScript(scriptName_, ScriptFor(busName_, objectPath_, interface_));
  if (scriptFile_.empty()) return false;
  UnloadScript();  // one left loaded by an earlier run that could not unload it
  const char* file = scriptFile_.c_str();
  const char* name = scriptName_.c_str();
  Message loaded = CallKWin(kScriptingPath, "loadScript", DBUS_TYPE_STRING, &file, DBUS_TYPE_STRING,
                            &name, DBUS_TYPE_INVALID);
  dbus_int32_t id = -1;
  if (loaded) dbus_message_get_args(loaded.get(), nullptr, DBUS_TYPE_INT32, &id, DBUS_TYPE_INVALID);
  if (id < 0) return false;
  CallKWin(kScriptingPath, "start", DBUS_TYPE_INVALID);
  UnloadAtSignal();
  return true;
}

void CompositorPointer::UnloadAtSignal() {
  if (!lastWords_) {
    lastWords_ = dbus_bus_get_private(DBUS_BUS_SESSION, nullptr);
    if (!lastWords_) return;
    dbus_connection_set_exit_on_disconnect(lastWords_, false);
  }
  int descriptor = -1;
  Message unload(dbus_message_new_method_call(kKWinService, kScriptingPath, kScriptingInterface,
                                              "unloadScript"));
  const char* name = scriptName_.c_str();
  char* bytes = nullptr;
  int length = 0;
  // The connection has sent only its greeting: any later serial is its own.
  constexpr dbus_uint32_t kSerial = 1000;
  if (unload &&
      dbus_message_append_args(unload.get(), DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) {
    dbus_message_set_no_reply(unload.get(), true);
    dbus_message_set_serial(unload.get(), kSerial);
    if (dbus_connection_get_socket(lastWords_, &descriptor) &&
        dbus_message_marshal(unload.get(), &bytes, &length)) {
      SayAtEnd(descriptor, {bytes, size_t(length)});
      dbus_free(bytes);
    }
  }
}

void CompositorPointer::UnloadScript() {
  if (companionOwner_.empty() || compositor_ != Compositor::kKWin) return;
  const char* name = scriptName_.c_str();
  CallKWin(kScriptingPath, "unloadScript", DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
}

}  // namespace oculon::companions
