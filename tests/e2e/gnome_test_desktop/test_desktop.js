// Runs inside GNOME Shell for the end-to-end tests only: on the session bus it moves and presses
// the pointer as a mouse does, and tells which colour the screen shows at a place. It hides the
// overview whenever it shows, and once the shell has started it writes where the session is (its
// X display, its bus, the X display's authority file) to the file TEST_SESSION_FILE names.
// The loader around this file brings in Gio, GLib, Clutter, Shell and Main.
const INTERFACE = `<node>
  <interface name="org.example.TestDesktop">
    <method name="MovePointer">
      <arg type="i" direction="in"/>
      <arg type="i" direction="in"/>
    </method>
    <method name="Press"/>
    <method name="Release"/>
    <method name="ShownPixel">
      <arg type="i" direction="in"/>
      <arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
  </interface>
</node>`;

class TestDesktop {
  enable() {
    const seat = Clutter.get_default_backend().get_default_seat();
    this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
    this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
    this._object.export(Gio.DBus.session, '/org/example/TestDesktop');
    this._name = Gio.bus_own_name_on_connection(Gio.DBus.session, 'org.example.TestDesktop',
        Gio.BusNameOwnerFlags.NONE, null, null);
    // WORKAROUND(GNOME Shell 43 and 48): the shell shows its overview at start, and may show it
    // again after the start has been told: the tests want the desktop.
    this._overviewShown = Main.overview.connect('shown', () => Main.overview.hide());
    if (Main.layoutManager._startingUp)
      Main.layoutManager.connect('startup-complete', () => this._tellWhereTheSessionIs());
    else
      this._tellWhereTheSessionIs();
  }

  disable() {
    Main.overview.disconnect(this._overviewShown);
    Gio.bus_unown_name(this._name);
    this._object.unexport();
    this._pointer = null;
  }

  _tellWhereTheSessionIs() {
    Main.overview.hide();
    const file = GLib.getenv('TEST_SESSION_FILE');
    const names = ['DISPLAY', 'DBUS_SESSION_BUS_ADDRESS', 'XAUTHORITY'];
    const lines = names.map(name => GLib.getenv(name));
    GLib.file_set_contents(`${file}.tmp`, `${lines.join('\n')}\n`);
    Gio.File.new_for_path(`${file}.tmp`).move(Gio.File.new_for_path(file),
        Gio.FileCopyFlags.OVERWRITE, null, null);
  }

  MovePointer(x, y) {
    this._pointer.notify_absolute_motion(GLib.get_monotonic_time(), x, y);
  }

  Press() {
    this._pointer.notify_button(GLib.get_monotonic_time(), Clutter.BUTTON_PRIMARY,
        Clutter.ButtonState.PRESSED);
  }

  Release() {
    this._pointer.notify_button(GLib.get_monotonic_time(), Clutter.BUTTON_PRIMARY,
        Clutter.ButtonState.RELEASED);
  }

  ShownPixelAsync([x, y], invocation) {
    const screenshot = new Shell.Screenshot();
    screenshot.pick_color(x, y, (source, result) => {
      try {
        const [, color] = screenshot.pick_color_finish(result);
        const rgb = (color.red << 16) | (color.green << 8) | color.blue;
        invocation.return_value(new GLib.Variant('(u)', [rgb]));
      } catch (e) {
        invocation.return_error_literal(Gio.DBusError, Gio.DBusError.FAILED, e.message);
      }
    });
  }
}
