// A profile value as GetPrivateProfileStringA gives it, checked for its terminating NUL.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/profile.h"

namespace oculon::testing {

inline std::string ProfileValue(const std::string& section, const std::string& key,
                                const std::string& file, uint32_t size = 2048) {
  std::string buffer(size, '\x7f');
  uint32_t count = GetPrivateProfileStringA(section, key, "", buffer.data(), size, file);
  EXPECT_EQ(buffer[count], '\0');
  return buffer.substr(0, count);
}

}  // namespace oculon::testing
