// The user's files are safe with the built program: output goes through links, pipes and
// devices without replacing them, never over the input, and a run that does not finish
// (a signal, like any failure) leaves no half-written file and every file of the user as it
// was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

namespace fs = std::filesystem;
using testing::RunKvtcProgram;
using testing::ToolTest;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names under `dir` that are the tool's temporary files or folders.
std::vector<std::string> Temporaries(const std::string& dir) {
  std::vector<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.path().filename().string().find(".kvtc-") != std::string::npos) {
      found.push_back(e.path().string());
    }
  }
  return found;
}

class FileSafety : public ToolTest {
 protected:
  // A small clip and its AVI, made by the program itself.
  void SetUp() override {
    ToolTest::SetUp();
    clip_ = testing::MakeClip(systemDir_.path(), "clip.y4m", "testsrc2=size=160x120:rate=15", 6);
    avi_ = Scratch("clip.avi");
    ASSERT_EQ(RunKvtcProgram({"encode", clip_, "-o", avi_, "-q"}).status, 0);
  }
  std::string clip_, avi_;
};

TEST_F(FileSafety, OutputGoesThroughLinksPipesAndDevicesWithoutReplacingThem) {
  fs::create_directory(Scratch("real"));
  std::ofstream(Scratch("real/old.y4m")) << "old";
  fs::create_symlink("real/new.y4m", Scratch("to-new.y4m"));  // names a file not made yet
  fs::create_symlink(Scratch("real/old.y4m"), Scratch("to-old.y4m"));
  fs::create_symlink("/dev/zero", Scratch("to-device"));  // takes writes, as /dev/null does
  ASSERT_EQ(mkfifo(Scratch("pipe").c_str(), 0644), 0);
  struct Case {
    std::string output;
    std::string written;  // where the pictures land, for ffprobe ("" for none)
    fs::file_type stays;
    std::string extra;
  };
  const Case cases[] = {
      {"to-new.y4m", "real/new.y4m", fs::file_type::symlink, "-q"},
      {"to-old.y4m", "real/old.y4m", fs::file_type::symlink, "-q"},
      {"to-device", "", fs::file_type::symlink, "--raw -q"},
      // A pipe whose name says no kind of media carries Y4M, as standard output does.
      {"pipe", "from-pipe.y4m", fs::file_type::fifo, "-q"},
  };
  for (const Case& c : cases) {
    const std::string output = Scratch(c.output);
    const auto r = testing::Run(
        (c.stays == fs::file_type::fifo ? "timeout 20 cat " + output + " > " + Scratch(c.written) + " & " : "") +
        std::string(KVTC_TOOL_PATH) + " decode " + avi_ + " -o " + output + " " + c.extra +
        "; status=$?; wait; exit $status");
    ASSERT_EQ(r.status, 0) << c.output << ": " << r.err;
    EXPECT_EQ(fs::symlink_status(output).type(), c.stays) << c.output;
    if (!c.written.empty()) {
      EXPECT_EQ(testing::ProbeVideo(Scratch(c.written), true)["nb_read_frames"], "6") << c.output;
    }
  }
  EXPECT_TRUE(fs::is_character_file("/dev/zero"));
  EXPECT_TRUE(Temporaries(systemDir_.path()).empty());
}

TEST_F(FileSafety, OutputThatIsTheInputIsRefusedAndTheInputKept) {
  fs::create_hard_link(avi_, Scratch("hard.avi"));
  fs::create_symlink(avi_, Scratch("soft.avi"));
  fs::create_symlink(clip_, Scratch("clip-link.avi"));
  const std::string aviBytes = ReadAll(avi_), clipBytes = ReadAll(clip_);
  const std::vector<std::string> cases[] = {
      {"decode", avi_, "-o", avi_},
      {"decode", avi_, "-o", Scratch("hard.avi")},
      {"decode", Scratch("soft.avi"), "-o", avi_, "--raw"},
      {"encode", clip_, "-o", Scratch("clip-link.avi")},
  };
  for (const auto& args : cases) {
    const auto r = RunKvtcProgram(args);
    EXPECT_EQ(r.status, 1) << args[3];
    EXPECT_NE(r.err.find("is the input"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadAll(avi_), aviBytes);
  EXPECT_EQ(ReadAll(clip_), clipBytes);
  EXPECT_TRUE(fs::is_symlink(Scratch("soft.avi")) && fs::is_symlink(Scratch("clip-link.avi")));
}

TEST_F(FileSafety, ARunEndedBySignalLeavesTheUsersFilesAsTheyWere) {
  // Long enough to be caught half-way.
  const std::string clip =
      testing::MakeClip(systemDir_.path(), "long.y4m", "testsrc2=size=640x480:rate=15", 30);
  const std::string avi = Scratch("long.avi");
  ASSERT_EQ(RunKvtcProgram({"encode", clip, "-o", avi, "-q"}).status, 0);
  fs::create_directory(Scratch("out"));
  // The user's files under the names the run would write.
  for (int i = 1; i <= 3; ++i) std::ofstream(Scratch("out/p00" + std::to_string(i) + ".png")) << i;
  std::ofstream(Scratch("out/movie.y4m")) << "old movie";

  const std::pair<int, std::string> runs[] = {
      {SIGTERM, "out/p%03d.png"}, {SIGHUP, "out/movie.y4m"}, {SIGINT, "out/p%03d.png"}};
  for (const auto& [signal, output] : runs) {
    const pid_t pid = fork();
    if (pid == 0) {
      execl(KVTC_TOOL_PATH, "kvtc", "decode", avi.c_str(), "-o", Scratch(output).c_str(), "-q",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    // Wait for the first picture under a temporary name, then end the run.
    for (int wait = 0; wait < 2000; ++wait) {
      const auto temps = Temporaries(Scratch("out"));
      if (!temps.empty() && (fs::is_directory(temps[0]) ? !fs::is_empty(temps[0])
                                                        : fs::file_size(temps[0]) > 0)) {
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << output << " " << status;
    EXPECT_TRUE(Temporaries(Scratch("out")).empty()) << output << " after signal " << signal;
    EXPECT_EQ(ReadAll(Scratch("out/p001.png")), "1");
    EXPECT_EQ(ReadAll(Scratch("out/movie.y4m")), "old movie");
  }

  // A complete run replaces the pictures it writes and says which older ones remain.
  const auto r = RunKvtcProgram({"decode", avi_, "-o", Scratch("out/p%03d.png"), "--frames", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("out/p003.png is an older picture"), std::string::npos) << r.err;
  EXPECT_EQ(testing::ProbeVideo(Scratch("out/p002.png"))["width"], "160");
  EXPECT_EQ(ReadAll(Scratch("out/p003.png")), "3");
}

}  // namespace
}  // namespace kvtc::tool
