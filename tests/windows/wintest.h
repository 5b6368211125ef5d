// A small harness for the Windows host: cases register themselves, checks record failures
// with file and line, and the run ends with one "N passed, N failed, N skipped" line.
#pragma once

#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/win32_types.h"  // <windows.h>, <mmsystem.h> and <vfw.h>, as the codec has them

namespace kvtc::wintest {

struct Options {
  std::string inf;       // the codec's INF file, beside the freshly built DLLs it installs
  std::string linuxAvi;  // a folder with linux.avi and linux.rgb from the Linux tool, or empty
  std::string outDir;    // where screenshots and frame hashes go; empty: none are kept
};
const Options& TheOptions();

// Marks the running case as failed; the case goes on.
void Fail(const char* file, int line, const std::string& message);
// Marks the running case as skipped: it needs a part of the codec this build does not answer
// yet. Checks that failed before still count.
void Skip(const std::string& why);

// Equality for CHECK_EQ: integers compare by value whatever their types.
template <class T>
constexpr bool kIsNumber = std::is_integral_v<T> && !std::is_same_v<T, bool>;
template <class A, class B>
bool Equal(const A& a, const B& b) {
  if constexpr (kIsNumber<A> && kIsNumber<B>) {
    return std::cmp_equal(a, b);
  } else {
    return a == b;
  }
}

using CaseFunction = void (*)();
struct CaseRegistration {
  CaseRegistration(const char* name, CaseFunction function);
};

}  // namespace kvtc::wintest

#define WINTEST_CASE(name)                                                    \
  static void name();                                                         \
  static const ::kvtc::wintest::CaseRegistration name##Registration(#name, &name); \
  static void name()

#define CHECK(cond)                                                             \
  do {                                                                          \
    if (!(cond)) ::kvtc::wintest::Fail(__FILE__, __LINE__, "CHECK(" #cond ")"); \
  } while (0)

#define CHECK_EQ(a, b)                                                     \
  do {                                                                     \
    const auto& checkA = (a);                                              \
    const auto& checkB = (b);                                              \
    if (!::kvtc::wintest::Equal(checkA, checkB)) {                         \
      std::ostringstream checkMessage;                                     \
      checkMessage << #a " == " #b ": " << checkA << " vs " << checkB;     \
      ::kvtc::wintest::Fail(__FILE__, __LINE__, checkMessage.str());       \
    }                                                                      \
  } while (0)
