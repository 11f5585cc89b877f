// A libdbus message: its one owner, and a walk over the dictionary that services answer with.
#pragma once

#include <dbus/dbus.h>

#include <memory>
#include <string_view>

namespace oculon::companions {

struct UnrefMessage {
  void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, UnrefMessage>;

// The entries of an a{sv} in a message's first argument: each key and its value (what the
// variant holds), in order. Nothing for a message whose first argument is not such an array.
template <class Take>  // void take(std::string_view key, DBusMessageIter& value)
void ForEachEntry(DBusMessage* message, Take take) {
  DBusMessageIter arguments, entries;
  if (!message || !dbus_message_iter_init(message, &arguments) ||
      dbus_message_iter_get_arg_type(&arguments) != DBUS_TYPE_ARRAY)
    return;
  for (dbus_message_iter_recurse(&arguments, &entries);
       dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY;
       dbus_message_iter_next(&entries)) {
    DBusMessageIter entry, value;
    const char* key = nullptr;
    dbus_message_iter_recurse(&entries, &entry);
    if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_STRING) continue;
    dbus_message_iter_get_basic(&entry, &key);
    dbus_message_iter_next(&entry);
    if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_VARIANT) continue;
    dbus_message_iter_recurse(&entry, &value);
    take(std::string_view(key), value);
  }
}

}  // namespace oculon::companions
