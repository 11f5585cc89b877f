// libdbus's archive refers to systemd's socket activation, which only a bus daemon uses, and
// Debian ships no static libsystemd: a program linked statically answers that it was passed no
// sockets, as it was not.
#include <cerrno>

extern "C" int sd_listen_fds(int) {
  return 0;
}

extern "C" int sd_is_socket(int, int, int, int) {
  return -ENOSYS;
}
