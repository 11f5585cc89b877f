// Fuzzes the profile reader and writer: any file and any names must neither crash nor lose
// what was written, and reading must find a value just stored.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/profile.h"

namespace {

// A folder of the run's own under $TMPDIR, removed when the fuzzer exits.
struct RunFolder {
  RunFolder() {
    std::string pattern = std::filesystem::temp_directory_path() / "profile-fuzz-XXXXXX";
    path = mkdtemp(pattern.data());
  }
  ~RunFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

const std::string& Folder() {
  static RunFolder folder;
  return folder.path;
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  // The input is: file content, then section, key and value, separated by 0xFF bytes.
  std::string parts[4];
  size_t part = 0;
  for (char c : input) {
    if (c == '\xff' && part < 3) {
      ++part;
    } else {
      parts[part] += c;
    }
  }
  const std::string& section = parts[1];
  const std::string& key = parts[2];
  const std::string& value = parts[3];
  std::string file = Folder() + "/fuzz.ini";
  std::ofstream(file, std::ios::binary | std::ios::trunc) << parts[0];

  char buffer[64];
  uint32_t count = oculon::GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, file);
  if (count >= sizeof buffer || buffer[count] != '\0') std::abort();

  if (oculon::WritePrivateProfileStringA(section, key, value, file)) {
    std::string back(4096, '\0');
    count = oculon::GetPrivateProfileStringA(section, key, "", back.data(), 4096, file);
    back.resize(count);
    if (value.size() < 4000 && back != Trimmed(value)) std::abort();
  }
  return 0;
}
