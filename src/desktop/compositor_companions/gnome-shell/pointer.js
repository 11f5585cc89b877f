// Runs inside GNOME Shell: tells oculon on the session bus where the pointer is whenever it
// moves, at most about 30 times a second and always where it came to rest, while oculon runs;
// while it does not, nothing of this runs. An X11 program under XWayland sees the pointer only
// over X11 windows; GNOME Shell sees it everywhere. The place is on the shell's stage, and the
// stage's size goes with it: under XWayland's native scaling the root is the stage times the
// largest monitor scale, rounded up. The loader around this file brings in Gio, GLib and Meta.
const TARGET = {
  service: 'org.example.oculon',
  path: '/org/example/oculon',
  interface: 'org.example.oculon.Pointer',
  method: 'PointerMoved',
};
// The program looks once a tick, every 70 ms: a place at most 35 ms old keeps its pupils within
// a pixel of where the pointer would turn them, at half the pushes of one a frame.
const LEAST_INTERVAL_MS = 35;

// The shell's cursor tracker: the backend's from GNOME 44 on, the display's before.
function cursorTracker() {
  if (global.backend.get_cursor_tracker)
    return global.backend.get_cursor_tracker();
  return Meta.CursorTracker.get_for_display(global.display);
}

class PointerPusher {
  enable() {
    this._tracker = null;
    this._moved = 0;
    this._later = 0;
    this._lastPush = 0;
    this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, TARGET.service,
        Gio.BusNameWatcherFlags.NONE, () => this._follow(), () => this._rest());
  }

  disable() {
    this._rest();
    Gio.bus_unwatch_name(this._watch);
  }

  // The tracker tells of every motion, without the place: it is read when pushed.
  _follow() {
    this._tracker = cursorTracker();
    this._moved = this._tracker.connect('position-invalidated', () => this._onMoved());
    this._push();
  }

  _rest() {
    if (this._moved)
      this._tracker.disconnect(this._moved);
    if (this._later)
      GLib.source_remove(this._later);
    this._tracker = null;
    this._moved = 0;
    this._later = 0;
  }

  // A motion within the interval is told at its end, with the place the pointer has then.
  _onMoved() {
    const waited = GLib.get_monotonic_time() / 1000 - this._lastPush;
    if (waited >= LEAST_INTERVAL_MS) {
      this._push();
    } else if (!this._later) {
      this._later = GLib.timeout_add(GLib.PRIORITY_DEFAULT, LEAST_INTERVAL_MS - waited, () => {
        this._later = 0;
        this._push();
        return GLib.SOURCE_REMOVE;
      });
    }
  }

  _push() {
    this._lastPush = GLib.get_monotonic_time() / 1000;
    const [x, y] = global.get_pointer();
    Gio.DBus.session.call(TARGET.service, TARGET.path, TARGET.interface, TARGET.method,
        new GLib.Variant('(iiii)', [x, y, global.screen_width, global.screen_height]), null,
        Gio.DBusCallFlags.NO_AUTO_START, -1, null, null);
  }
}
