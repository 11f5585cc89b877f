// Runs inside GNOME Shell: tells oculon on the session bus where the pointer is whenever it
// moves, at most about 60 times a second and always where it came to rest, while oculon runs.
// An X11 program under XWayland sees the pointer only over X11 windows; GNOME Shell sees it
// everywhere. The loader around this file brings in Gio, GLib and getPointerWatcher.
const TARGET = {
  service: 'org.example.oculon',
  path: '/org/example/oculon',
  interface: 'org.example.oculon.Pointer',
  method: 'PointerMoved',
};
// The shell's pointer watcher looks this often while the user is active, and calls back when
// the pointer moved.
const LOOK_INTERVAL_MS = 16;

class PointerPusher {
  enable() {
    this._listening = false;
    this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, TARGET.service,
        Gio.BusNameWatcherFlags.NONE,
        () => {
          this._listening = true;
          const [x, y] = global.get_pointer();
          this._push(x, y);
        },
        () => {
          this._listening = false;
        });
    this._pointer = getPointerWatcher().addWatch(LOOK_INTERVAL_MS, (x, y) => {
      if (this._listening)
        this._push(x, y);
    });
  }

  disable() {
    this._pointer.remove();
    Gio.bus_unwatch_name(this._watch);
  }

  _push(x, y) {
    Gio.DBus.session.call(TARGET.service, TARGET.path, TARGET.interface, TARGET.method,
        new GLib.Variant('(ii)', [x, y]), null, Gio.DBusCallFlags.NO_AUTO_START, -1, null, null);
  }
}
