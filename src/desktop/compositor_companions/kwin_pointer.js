// Runs inside KWin: tells a program on the session bus where the pointer is whenever it moves,
// at most about 30 times a second, and always where it came to rest. An X11 program under
// XWayland sees the pointer only over X11 windows; KWin sees it everywhere. The place is in
// KWin's logical pixels, and the size of the logical desktop goes with it: where X11 programs
// scale themselves, XWayland's root is that desktop times the scale.
function pushPointer(target) {
  // The program looks once a tick, every 70 ms: a place at most 35 ms old keeps what it shows
  // within a pixel of where the pointer is, at half the pushes of one a frame.
  const leastIntervalMs = 35;
  let lastPush = 0;
  const later = new QTimer();
  later.singleShot = true;
  function push() {
    lastPush = Date.now();
    const at = workspace.cursorPos;
    const desktop = workspace.virtualScreenSize;
    callDBus(target.service, target.path, target.interface, target.method, at.x, at.y,
             desktop.width, desktop.height);
  }
  // A move within the interval is told at its end, with the place the pointer has then.
  later.timeout.connect(push);
  workspace.cursorPosChanged.connect(function () {
    const waited = Date.now() - lastPush;
    if (waited >= leastIntervalMs) {
      push();
    } else if (!later.active) {
      later.start(leastIntervalMs - waited);
    }
  });
  push();
}
