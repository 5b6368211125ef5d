// The headless dialogs: built from the codec's templates, driven by a registered user, with
// the window system's behaviour where the dialog procedures rely on it.
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

TEST_F(HeadlessDialogTest, AutomaticButtonsKeepTheirGroupsApart) {
  Run("COMPRESSOR", [](OpenDialog& d) {
    EXPECT_TRUE(d.Click(IDC_VIDEO_GRAY));
    EXPECT_TRUE(d.Click(IDC_FILTER_MEDIAN));
    EXPECT_TRUE(d.Click(IDC_FILTER_SMOOTH));
    EXPECT_FALSE(d.IsChecked(IDC_FILTER_MEDIAN));
    EXPECT_TRUE(d.IsChecked(IDC_FILTER_SMOOTH));
    EXPECT_TRUE(d.IsChecked(IDC_VIDEO_GRAY));  // another group

    EXPECT_TRUE(d.Click(IDC_LOSSLESS_CHROMA));
    EXPECT_TRUE(d.IsChecked(IDC_LOSSLESS_CHROMA));
    EXPECT_TRUE(d.SetChecked(IDC_LOSSLESS_CHROMA, true));  // already so: no click
    EXPECT_TRUE(d.IsChecked(IDC_LOSSLESS_CHROMA));
    EXPECT_TRUE(d.SetChecked(IDC_LOSSLESS_CHROMA, false));
    EXPECT_FALSE(d.IsChecked(IDC_LOSSLESS_CHROMA));
    EXPECT_FALSE(d.SetChecked(IDC_FILTER_NONE, true));  // not a check box
    d.Cancel();
  });
  // Two clicks on the chroma box, one for each radio button, one for Cancel.
  int commands = 0;
  for (const Message& m : g_received) commands += m.message == WM_COMMAND;
  EXPECT_EQ(commands, 6);
}

TEST_F(HeadlessDialogTest, ScrollBarsClampAndTellTheirId) {
  g_behaviour = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND bar = GetDlgItem(dialog, IDC_GAMMA_SLIDER);
    if (message == WM_INITDIALOG) {
      EXPECT_EQ(SetScrollPos(bar, SB_CTL, 40, TRUE), 0);  // empty range: stays 0
      EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);
      EXPECT_TRUE(SetScrollRange(bar, SB_CTL, 0, 100, TRUE));
      EXPECT_EQ(SetScrollPos(bar, SB_CTL, 150, TRUE), 0);
      EXPECT_EQ(GetScrollPos(bar, SB_CTL), 100);
      EXPECT_EQ(GetWindowLongA(bar, GWL_ID), IDC_GAMMA_SLIDER);
      EXPECT_EQ(GetScrollPos(dialog, SB_CTL), 0);  // the dialog is no scroll bar
    }
    if (message == WM_HSCROLL) {
      EXPECT_EQ(reinterpret_cast<HWND>(lParam), bar);
      SetScrollPos(bar, SB_CTL, HighWord(wParam) + LowWord(wParam), TRUE);
    }
    EndOnOkOrCancel(dialog, message, wParam, lParam);
  };
  Run("DECOMPRESSOR", [](OpenDialog& d) {
    EXPECT_EQ(d.ScrollRange(IDC_GAMMA_SLIDER), std::make_pair(0, 100));
    EXPECT_TRUE(d.Scroll(IDC_GAMMA_SLIDER, SB_THUMBTRACK, 30));
    EXPECT_EQ(d.ScrollPosition(IDC_GAMMA_SLIDER), 35);
    EXPECT_FALSE(d.Scroll(IDC_GAMMA_SLIDER, SB_THUMBTRACK, 70000));
    EXPECT_FALSE(d.Scroll(IDC_VIDEO_GRAY, SB_LINELEFT));
    d.Ok();
    EXPECT_FALSE(d.IsOpen());
    EXPECT_FALSE(d.Scroll(IDC_GAMMA_SLIDER, SB_LINELEFT));  // ended: nothing more happens
  });
}

TEST_F(HeadlessDialogTest, ListsAnswerAsTheSystemDoes) {
  g_behaviour = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      for (const char* item : {"a", "bb"}) {
        SendDlgItemMessageA(dialog, IDC_SEARCH_RADIUS, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(item));
      }
      EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SEARCH_RADIUS, CB_GETCURSEL, 0, 0), CB_ERR);
      EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SEARCH_RADIUS, CB_SETCURSEL, 2, 0), CB_ERR);
      char text[8] = {};
      EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SEARCH_RADIUS, CB_GETLBTEXT, 1,
                                    reinterpret_cast<LPARAM>(text)),
                2);
      EXPECT_STREQ(text, "bb");
    }
    EndOnOkOrCancel(dialog, message, wParam, lParam);
  };
  Run("COMPRESSOR", [](OpenDialog& d) {
    EXPECT_EQ(d.Text(IDC_SEARCH_RADIUS), "");
    EXPECT_FALSE(d.Select(IDC_SEARCH_RADIUS, "c"));
    EXPECT_TRUE(d.Select(IDC_SEARCH_RADIUS, "bb"));
    EXPECT_EQ(d.Selection(IDC_SEARCH_RADIUS), 1);
    EXPECT_EQ(d.Text(IDC_SEARCH_RADIUS), "bb");
    d.Ok();
  });
  EXPECT_EQ(HighWord(g_received[1].wParam), CBN_SELCHANGE);
}

TEST_F(HeadlessDialogTest, NestedDialogsAreAnsweredByTheirOwnUsers) {
  g_behaviour = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LowWord(wParam) == IDC_OPEN_COMPRESSOR) {
      EXPECT_EQ(DialogBoxParamA(nullptr, "COMPRESSOR", dialog, RecordingProc, 0), IDOK);
    }
    EndOnOkOrCancel(dialog, message, wParam, lParam);
  };
  ScopedDialogUser inner("COMPRESSOR", [](OpenDialog& d) { d.Ok(); });
  EXPECT_EQ(Run("CONFIGURE", [](OpenDialog& d) {
              EXPECT_TRUE(d.Click(IDC_OPEN_COMPRESSOR));
              d.Cancel();
            }),
            IDCANCEL);
  const std::vector<DialogRun> runs = DialogRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].templateName, "COMPRESSOR");
  EXPECT_EQ(runs[1].templateName, "CONFIGURE");
  EXPECT_NE(runs[0].owner, nullptr);  // the Configure dialog itself
}

}  // namespace
}  // namespace kvtc::platform::headless
