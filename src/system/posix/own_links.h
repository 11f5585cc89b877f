// Following links only where the user owns them: in a folder other users can write, a link
// another user planted may point at any of this user's files.
#pragma once

#include <optional>
#include <string>

namespace oculon {

// Where `path` leads through the links on the way, each looked at itself: the path of what is
// not a link (or of nothing), or none when a link belongs to another user, cannot be read or
// leads on for more links than the kernel follows.
std::optional<std::string> FollowOwnLinks(const std::string& path);

}  // namespace oculon
