// Links followed one at a time, each owned by the user.
#include "system/posix/own_links.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace oculon {

std::optional<std::string> FollowOwnLinks(const std::string& path) {
  constexpr int kMostLinks = 40;  // as the kernel follows them
  std::filesystem::path at = path;
  for (int links = 0; links < kMostLinks; ++links) {
    struct stat info {};
    if (lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at.string();
    if (info.st_uid != geteuid()) return std::nullopt;
    std::error_code error;
    std::filesystem::path target = std::filesystem::read_symlink(at, error);
    if (error) return std::nullopt;
    at = (at.parent_path() / target).lexically_normal();
  }
  return std::nullopt;
}

}  // namespace oculon
