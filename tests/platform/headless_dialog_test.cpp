// The headless dialogs: built from the codec's templates, driven by a registered user. Radio
// groups, scroll bars, lists and nested dialogs are exercised by the settings and Configure
// dialog tests, which rely on them.
#include "platform/headless_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace kvtc::platform::headless {
namespace {

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// A dialog procedure that records what it receives and hands it to the test's behaviour.
std::vector<Message> g_received;
std::function<void(HWND, UINT, WPARAM, LPARAM)> g_behaviour;

INT_PTR KVTC_CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_received.push_back({message, wParam, lParam});
  if (g_behaviour) g_behaviour(dialog, message, wParam, lParam);
  return 0;
}

// Ends the dialog with the id of the button pressed, as most dialogs do.
void EndOnOkOrCancel(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && (LowWord(wParam) == IDOK || LowWord(wParam) == IDCANCEL)) {
    EndDialog(dialog, LowWord(wParam));
  }
}

class HeadlessDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_received.clear();
    g_behaviour = EndOnOkOrCancel;
    ClearDialogRuns();
  }
  INT_PTR Run(const char* name, DialogUser user, HWND owner = nullptr, LPARAM param = 0) {
    ScopedDialogUser scoped(name, std::move(user));
    return DialogBoxParamA(nullptr, name, owner, RecordingProc, param);
  }
};

TEST_F(HeadlessDialogTest, BuildsTheTemplateAndStartsWithInitDialog) {
  const auto owner = reinterpret_cast<HWND>(std::uintptr_t{0x77});
  EXPECT_EQ(Run("compressor", [](OpenDialog& d) {
              EXPECT_EQ(d.TemplateName(), "COMPRESSOR");
              EXPECT_EQ(d.Caption(), "Manual KVT Compressor Settings");
              EXPECT_EQ(d.Kind(IDC_SEARCH_RADIUS), ControlKind::DropDownList);
              EXPECT_EQ(d.Kind(IDC_REFRESH_SLIDER), ControlKind::ScrollBar);
              EXPECT_EQ(d.Kind(IDC_UNUSED), ControlKind::None);
              EXPECT_EQ(d.Text(IDC_REFRESH_VALUE), "Text1");
              EXPECT_EQ(d.ControlIds().size(), 12u);
              d.Ok();
            }, owner, 1234),
            IDOK);
  ASSERT_FALSE(g_received.empty());
  EXPECT_EQ(g_received[0].message, WM_INITDIALOG);
  EXPECT_EQ(g_received[0].lParam, 1234);
  const std::vector<DialogRun> runs = DialogRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].owner, owner);
  EXPECT_FALSE(runs[0].unattended);
}

TEST_F(HeadlessDialogTest, UnknownTemplatesFailWithoutRunningTheProcedure) {
  EXPECT_EQ(DialogBoxParamA(nullptr, "NOSUCH", nullptr, RecordingProc, 0), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, reinterpret_cast<LPCSTR>(std::uintptr_t{101}), nullptr,
                            RecordingProc, 0),
            -1);
  EXPECT_TRUE(g_received.empty());
  EXPECT_EQ(DialogRuns().size(), 2u);
}

TEST_F(HeadlessDialogTest, DialogsLeftOpenAreCancelledAndReported) {
  // No user at all: the procedure sees Cancel and ends the dialog itself.
  EXPECT_EQ(DialogBoxParamA(nullptr, "DECOMPRESSOR", nullptr, RecordingProc, 0), IDCANCEL);
  EXPECT_EQ(LowWord(g_received.back().wParam), IDCANCEL);
  // A user that returns early, and a procedure that ignores Cancel: ended all the same.
  g_behaviour = nullptr;
  EXPECT_EQ(Run("DECOMPRESSOR", [](OpenDialog& d) { d.Click(IDC_VIDEO_GRAY); }), IDCANCEL);
  const std::vector<DialogRun> runs = DialogRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_TRUE(runs[0].unattended);
  EXPECT_TRUE(runs[1].unattended);
}

}  // namespace
}  // namespace kvtc::platform::headless
