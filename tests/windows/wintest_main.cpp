// The Windows host: installs the codec into the system as a real codec is installed, then runs
// every case against it through the Video Compression Manager and the AVI file library only.
//
//   kvtc_wintest.exe INF [--out DIR] [--linux-avi DIR] [--only NAME]
#include <cstdio>
#include <cstring>
#include <vector>

#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

struct Case {
  const char* name;
  CaseFunction function;
};

std::vector<Case>& Cases() {
  static std::vector<Case> cases;
  return cases;
}

Options g_options;
enum class Outcome { Passed, Failed, Skipped };
Outcome g_outcome = Outcome::Passed;

}  // namespace

const Options& TheOptions() { return g_options; }

void Fail(const char* file, int line, const std::string& message) {
  const char* base = std::strrchr(file, '/');
  std::printf("  %s:%d: %s\n", base ? base + 1 : file, line, message.c_str());
  g_outcome = Outcome::Failed;
}

void Skip(const std::string& why) {
  std::printf("  skipped: %s\n", why.c_str());
  if (g_outcome == Outcome::Passed) g_outcome = Outcome::Skipped;
}

CaseRegistration::CaseRegistration(const char* name, CaseFunction function) {
  Cases().push_back({name, function});
}

}  // namespace kvtc::wintest

int main(int argc, char** argv) {
  using namespace kvtc::wintest;
  const char* only = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
      g_options.outDir = argv[++i];
    } else if (!std::strcmp(argv[i], "--linux-avi") && i + 1 < argc) {
      g_options.linuxAvi = argv[++i];
    } else if (!std::strcmp(argv[i], "--only") && i + 1 < argc) {
      only = argv[++i];
    } else {
      g_options.inf = argv[i];
    }
  }
  if (g_options.inf.empty()) {
    std::fprintf(stderr, "usage: kvtc_wintest INF [--out DIR] [--linux-avi DIR] [--only NAME]\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::printf("host: %d-bit%s\n", static_cast<int>(sizeof(void*) * 8),
              RunsUnderWow64() ? " under WoW64" : "");
  if (!InstallCodec(g_options.inf)) {
    std::printf("installation failed\n0 passed, 1 failed\n");
    return 1;
  }

  int passed = 0, failed = 0, skipped = 0;
  for (const Case& c : Cases()) {
    if (only && std::strcmp(only, c.name) != 0) continue;
    std::printf("[ RUN  ] %s\n", c.name);
    g_outcome = Outcome::Passed;
    c.function();
    static const char* const kWords[] = {"[  OK  ]", "[ FAIL ]", "[ SKIP ]"};
    std::printf("%s %s\n", kWords[static_cast<int>(g_outcome)], c.name);
    (g_outcome == Outcome::Passed ? passed : g_outcome == Outcome::Failed ? failed : skipped)++;
  }
  std::printf("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
  return failed == 0 && passed > 0 ? 0 : 1;
}
