// The entries of an a{sv}, the dictionary that D-Bus services answer with: each key and its
// value (what the variant holds), in order, from a message's first argument. Nothing for a
// message whose first argument is not an array of entries.
#pragma once

#include <dbus/dbus.h>

#include <string_view>

namespace oculon::companions {

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
