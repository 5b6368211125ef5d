#include "vcm_support.h"

#include <cstdio>

namespace kvtc::wintest {

std::vector<BYTE> FileBytes(const std::string& path) {
  std::vector<BYTE> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  BYTE chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof(chunk), f)) > 0;) {
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  std::fclose(f);
  return bytes;
}

std::string Narrow(const WCHAR* text) {
  std::string s;
  while (*text) s += static_cast<char>(*text++);
  return s;
}

}  // namespace kvtc::wintest
