// Runs inside GNOME Shell: tells a program on the session bus where the pointer is whenever it
// moves, at most about 30 times a second and always where it came to rest, while the program
// runs; while it does not, nothing of this runs. An X11 program under XWayland sees the pointer
// only over X11 windows; GNOME Shell sees it everywhere. The place is on the shell's stage, and
// the stage's size goes with it: under XWayland's native scaling the root is the stage times the
// largest monitor scale, rounded up. The loader around this file brings in Gio, GLib and Meta.

// The program told: the extension's id names it, as the program names its extension after its bus
// name, so that pointer@app.example.org tells org.example.app.
function targetOf(uuid) {
  const service = uuid.slice(uuid.indexOf('@') + 1).split('.').reverse().join('.');
  return {
    service,
    path: '/' + service.replaceAll('.', '/'),
    interface: service + '.Pointer',
    method: 'PointerMoved',
  };
}

// The program looks once a tick, every 70 ms: a place at most 35 ms old keeps what it shows
// within a pixel of where the pointer is, at half the pushes of one a frame.
const LEAST_INTERVAL_MS = 35;

// The shell's cursor tracker: the backend's from GNOME 44 on, the display's before.
function cursorTracker() {
  if (global.backend.get_cursor_tracker)
    return global.backend.get_cursor_tracker();
  return Meta.CursorTracker.get_for_display(global.display);
}

class PointerPusher {
  constructor(target) {
    this._target = target;
  }

  enable() {
    this._tracker = null;
    this._moved = 0;
    this._later = 0;
    this._lastPush = 0;
    this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, this._target.service,
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
    const target = this._target;
    Gio.DBus.session.call(target.service, target.path, target.interface, target.method,
        new GLib.Variant('(iiii)', [x, y, global.screen_width, global.screen_height]), null,
        Gio.DBusCallFlags.NO_AUTO_START, -1, null, null);
  }
}
