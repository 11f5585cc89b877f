// Runs inside KWin: tells a program on the session bus where the pointer is, whenever it moves,
// at most about 60 times a second. An X11 program under XWayland sees the pointer only over X11
// windows; KWin sees it everywhere.
function pushPointer(target) {
  const leastIntervalMs = 16;
  let lastPush = 0;
  function push() {
    const now = Date.now();
    if (now - lastPush < leastIntervalMs) return;
    lastPush = now;
    const at = workspace.cursorPos;
    callDBus(target.service, target.path, target.interface, target.method, at.x, at.y);
  }
  workspace.cursorPosChanged.connect(push);
  push();
}
