// Fuzzer for the kvtc tool's AVI reader on damaged files: the input is the file. The reader
// must refuse it with an error naming the file, or list frames that lie inside it and read
// back as the file's own bytes. The same file cut short at a point the input chooses must
// list exactly the frames the whole file lists that end before the cut (an index may find
// more, frames of the whole file too), and be reported
// truncated with where it broke whenever the cut falls before the end its RIFF header gives.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "fuzz/system_directory.h"
#include "kvtc/avi_reader.h"
#include "kvtc/tool_errors.h"

namespace {

using kvtc::tool::AviReader;

std::string g_whole, g_cut;

[[noreturn]] void Fail(const char* what, std::size_t a = 0, std::size_t b = 0) {
  std::fprintf(stderr, "%s (%zu, %zu)\n", what, a, b);
  std::abort();
}

void Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size) Fail("cannot write the input");
  std::fclose(f);
}

// The reader of the file, or nothing when it refuses it with a message that names it.
std::optional<AviReader> Open(const std::string& path) {
  try {
    return std::optional<AviReader>(std::in_place, path);
  } catch (const kvtc::tool::IoError& e) {
    if (std::strncmp(e.what(), (path + ": ").c_str(), path.size() + 2) != 0) {
      std::fprintf(stderr, "%s\n", e.what());
      Fail("an error that does not name the file");
    }
    return std::nullopt;
  }
}

// Frames inside the file that read back as its bytes, and a truncated file reported with
// the byte where it broke.
void CheckFrames(const AviReader& r, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < r.Frames().size(); ++i) {
    const kvtc::tool::AviFrameRef& f = r.Frames()[i];
    if (f.offset > size || f.size > size - f.offset) Fail("a frame outside the file", i, size);
    if (r.ReadFrame(i) != std::vector<std::uint8_t>(data + f.offset, data + f.offset + f.size)) {
      Fail("a frame that is not the file's bytes", i);
    }
  }
  try {
    r.RequireComplete();
    if (r.Truncated()) Fail("a truncated file accepted as complete");
  } catch (const kvtc::tool::IoError& e) {
    if (!r.Truncated()) Fail("a complete file refused");
    if (!std::strstr(e.what(), " at byte ")) {
      std::fprintf(stderr, "%s\n", e.what());
      Fail("a truncated file without where it broke");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  dir += "/kvtc-avi-fuzz-" + std::to_string(getpid());
  g_whole = dir + "-whole.avi";
  g_cut = dir + "-cut.avi";
  kvtc::fuzz::PrepareSystemDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 16)) return 0;
  Write(g_whole, data, size);
  const std::optional<AviReader> whole = Open(g_whole);
  if (!whole) return 0;
  CheckFrames(*whole, data, size);

  // Cut where the last two bytes say, anywhere after the RIFF header.
  if (size < 14) return 0;
  const std::size_t cut = 12 + (data[size - 1] | data[size - 2] << 8) % (size - 12);
  Write(g_cut, data, cut);
  const std::optional<AviReader> shorter = Open(g_cut);
  if (!shorter) return 0;
  CheckFrames(*shorter, data, cut);
  // The frames the chunks list, not those an index found past damage: the cut may have
  // taken the index away.
  const auto& all = whole->Frames();
  const auto& some = shorter->Frames();
  const std::size_t listed = all.size() - whole->FoundThroughIndex();
  const std::size_t cutListed = some.size() - shorter->FoundThroughIndex();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < listed; ++i) {
    if (all[i].offset + all[i].size > cut) continue;
    if (kept >= cutListed || some[kept].offset != all[i].offset || some[kept].size != all[i].size) {
      Fail("a frame that ends before the cut is lost", kept, cut);
    }
    ++kept;
  }
  if (kept != cutListed) Fail("the cut file lists frames the whole lacks", kept);
  for (std::size_t i = cutListed; i < some.size(); ++i) {
    if (std::none_of(all.begin(), all.end(), [&](const kvtc::tool::AviFrameRef& f) {
          return f.offset == some[i].offset && f.size == some[i].size;
        })) {
      Fail("the cut file's index finds a frame the whole's does not", i);
    }
  }
  std::uint32_t riffSize = 0;
  std::memcpy(&riffSize, data + 4, 4);
  if (cut < std::min<std::uint64_t>(size, 8ull + riffSize) && !shorter->Truncated()) {
    Fail("a cut file not reported truncated", cut, size);
  }
  return 0;
}
