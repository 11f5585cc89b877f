// What the benchmark and the soak read off a running process, and a private copy of a program.
#pragma once

#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace oculon::bench {

// CPU time of a process in seconds, to the nanosecond where the kernel keeps schedstats.
inline double CpuSeconds(pid_t pid) {
  std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
  unsigned long long runNs = 0;
  if (schedstat >> runNs) return runNs / 1e9;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 1; i <= 15 && stat >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

inline long StatusKiB(pid_t pid, const std::string& key) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
  }
  return -1;
}

// A copy of an executable in a folder of its own.
struct Copy {
  explicit Copy(const std::string& executable) {
    std::string pattern = (std::filesystem::temp_directory_path() / "oculon-bench-XXXXXX").string();
    folder = mkdtemp(pattern.data());
    path = folder + "/" + std::filesystem::path(executable).filename().string();
    std::filesystem::copy_file(executable, path);
  }
  ~Copy() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::string folder;
  std::string path;
};

}  // namespace oculon::bench
