// The Compressor and Decompressor dialogs, run on their own against the working copy and
// answered through the headless dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "platform/headless_dialog.h"
#include "resources/resource_ids.h"
#include "settings/dialog_state.h"
#include "settings/dialogs.h"

namespace kvtc::settings {
namespace {

using platform::headless::OpenDialog;
using platform::headless::ScopedDialogUser;

SettingsRecord& Working() { return SharedDialogState().working; }

// Runs a settings dialog on `start` as the working copy; `user` acts and ends it.
INT_PTR RunDialog(const char* name, DLGPROC procedure, const SettingsRecord& start,
                  std::function<void(OpenDialog&)> user) {
  Working() = start;
  ScopedDialogUser scoped(name, std::move(user));
  return platform::DialogBoxParamA(nullptr, name, nullptr, procedure, 0);
}

INT_PTR RunCompressor(const SettingsRecord& start, std::function<void(OpenDialog&)> user) {
  return RunDialog(kCompressorTemplate, CompressorDialogProc, start, std::move(user));
}

INT_PTR RunDecompressor(const SettingsRecord& start, std::function<void(OpenDialog&)> user) {
  return RunDialog(kDecompressorTemplate, DecompressorDialogProc, start, std::move(user));
}

TEST(CompressorDialog, ShowsThePresets) {
  RunCompressor(PresetRecord(Preset::Lan), [](OpenDialog& d) {
    EXPECT_EQ(d.ScrollRange(IDC_REFRESH_SLIDER), std::make_pair(0, 255));
    EXPECT_EQ(d.ScrollPosition(IDC_REFRESH_SLIDER), 128);
    EXPECT_EQ(d.Text(IDC_REFRESH_VALUE), "50%");
    EXPECT_TRUE(d.IsChecked(IDC_LOSSLESS_LUMA));
    EXPECT_FALSE(d.IsChecked(IDC_LOSSLESS_CHROMA));
    EXPECT_EQ(d.Items(IDC_SEARCH_RADIUS),
              (std::vector<std::string>{"None", "2  pixels", "4  pixels", "8  pixels",
                                        "16 pixels"}));
    EXPECT_EQ(d.Text(IDC_SEARCH_RADIUS), "None");
    EXPECT_TRUE(d.IsChecked(IDC_FILTER_NONE));
    EXPECT_TRUE(d.IsChecked(IDC_VIDEO_COLOR));
    d.Cancel();
  });
  RunCompressor(PresetRecord(Preset::Modem), [](OpenDialog& d) {
    EXPECT_EQ(d.ScrollPosition(IDC_REFRESH_SLIDER), 1);
    EXPECT_EQ(d.Text(IDC_REFRESH_VALUE), " 0%");
    EXPECT_EQ(d.Text(IDC_SEARCH_RADIUS), "16 pixels");
    EXPECT_TRUE(d.IsChecked(IDC_FILTER_MEDIAN));
    EXPECT_FALSE(d.IsChecked(IDC_FILTER_NONE));
    d.Cancel();
  });
}

TEST(CompressorDialog, RefreshSliderMovesShowsAndStores) {
  struct Case {
    int from;  // reached by dragging
    int code;
    int thumb;
    int position;
    const char* shown;
    BYTE period;
  };
  const Case cases[] = {
      {0, SB_THUMBPOSITION, 255, 255, "100%", 1},
      {100, SB_THUMBTRACK, 0, 0, " 0%", 0},
      {128, SB_ENDSCROLL, 0, 128, "50%", 128},  // not a move
      {253, SB_PAGERIGHT, 0, 255, "100%", 1},
      {3, SB_PAGELEFT, 0, 0, " 0%", 0},
      {0, SB_LINELEFT, 0, 0, " 0%", 0},
      {1, SB_LINERIGHT, 0, 2, " 1%", 254},
      {200, SB_LINELEFT, 0, 199, "78%", 57},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    RunCompressor(PresetRecord(Preset::Lan), [&](OpenDialog& d) {
      d.DragTo(IDC_REFRESH_SLIDER, c.from);
      d.Scroll(IDC_REFRESH_SLIDER, c.code, c.thumb);
      EXPECT_EQ(d.ScrollPosition(IDC_REFRESH_SLIDER), c.position);
      EXPECT_EQ(d.Text(IDC_REFRESH_VALUE), c.shown);
      EXPECT_EQ(Working().bRefreshPeriod, c.period);  // stored at once
      d.Ok();
    });
    EXPECT_EQ(Working().bRefreshPeriod, c.period);
  }
}

TEST(CompressorDialog, OkStoresEveryControlAndOnlyItsFlags) {
  SettingsRecord start = PresetRecord(Preset::Lan);
  start.bSearchRadius = 6;  // not in the list
  start.bFlags = SF_SMOOTH | SF_MEDIAN | SF_SHOWGRAY | SF_VARIANT | SF_CHROMACHANGE;
  EXPECT_EQ(RunCompressor(start,
                          [](OpenDialog& d) {
                            EXPECT_EQ(d.Text(IDC_SEARCH_RADIUS), "16 pixels");
                            EXPECT_TRUE(d.IsChecked(IDC_FILTER_SMOOTH));
                            EXPECT_FALSE(d.IsChecked(IDC_FILTER_MEDIAN));
                            EXPECT_TRUE(d.IsChecked(IDC_CHROMA_CHANGE));
                            d.Ok();
                          }),
            1);
  EXPECT_EQ(Working().bSearchRadius, 16);
  EXPECT_EQ(Working().bFlags, SF_SMOOTH | SF_SHOWGRAY | SF_VARIANT | SF_CHROMACHANGE);

  RunCompressor(start, [](OpenDialog& d) {
    d.Click(IDC_FILTER_MEDIAN);
    d.Click(IDC_VIDEO_GRAY);
    d.SetChecked(IDC_LOSSLESS_LUMA, false);
    d.SetChecked(IDC_LOSSLESS_CHROMA, true);
    d.SetChecked(IDC_CHROMA_CHANGE, false);
    d.Select(IDC_SEARCH_RADIUS, "8  pixels");
    d.Ok();
  });
  EXPECT_EQ(Working().bFlags, SF_MEDIAN | SF_SENDGRAY | SF_SHOWGRAY | SF_VARIANT);
  EXPECT_EQ(Working().bLosslessLuma, 0);
  EXPECT_EQ(Working().bLosslessChroma, 1);
  EXPECT_EQ(Working().bSearchRadius, 8);

  start.bRefreshPeriod = 0;  // no refresh: the slider's left end
  RunCompressor(start, [](OpenDialog& d) {
    EXPECT_EQ(d.ScrollPosition(IDC_REFRESH_SLIDER), 0);
    d.Select(IDC_SEARCH_RADIUS, "None");
    d.Ok();
  });
  EXPECT_EQ(Working().bSearchRadius, 0);
}

TEST(CompressorDialog, CancelKeepsOnlySliderMoves) {
  const SettingsRecord start = PresetRecord(Preset::Isdn);
  EXPECT_EQ(RunCompressor(start,
                          [](OpenDialog& d) {
                            d.DragTo(IDC_REFRESH_SLIDER, 56);
                            d.Click(IDC_VIDEO_GRAY);
                            d.Select(IDC_SEARCH_RADIUS, 0);
                            d.Cancel();
                          }),
            0);
  SettingsRecord expected = start;
  expected.bRefreshPeriod = 200;
  EXPECT_EQ(std::memcmp(&Working(), &expected, kSettingsSize), 0);
}

TEST(DecompressorDialog, GammaPositionsTruncate) {
  // Position stored by OK, position on reopening.
  const std::pair<int, int> cases[] = {{0, 0}, {4, 4}, {7, 6}, {50, 50}, {52, 51}, {100, 100}};
  for (auto [stored, reopened] : cases) {
    SCOPED_TRACE(stored);
    RunDecompressor(PresetRecord(Preset::Lan), [&](OpenDialog& d) {
      EXPECT_EQ(d.ScrollPosition(IDC_GAMMA_SLIDER), 50);
      EXPECT_EQ(d.Text(IDC_GAMMA_VALUE), " 50");
      d.DragTo(IDC_GAMMA_SLIDER, stored);
      d.Ok();
    });
    EXPECT_EQ(Working().flGamma, static_cast<float>(stored * 0.01 + 0.5));
    RunDecompressor(Working(), [&](OpenDialog& d) {
      EXPECT_EQ(d.ScrollPosition(IDC_GAMMA_SLIDER), reopened);
      d.Cancel();
    });
  }
}

TEST(DecompressorDialog, GammaBeyondTheSliderShowsItsPositionAndEndsOnTheBar) {
  SettingsRecord start = PresetRecord(Preset::Lan);
  start.flGamma = 2.0f;
  RunDecompressor(start, [](OpenDialog& d) {
    EXPECT_EQ(d.Text(IDC_GAMMA_VALUE), "150");
    EXPECT_EQ(d.ScrollPosition(IDC_GAMMA_SLIDER), 100);
    d.Ok();
  });
  EXPECT_EQ(Working().flGamma, 1.5f);

  // A line left moves from the remembered 150 and lands on the end of the bar.
  RunDecompressor(start, [](OpenDialog& d) {
    d.Scroll(IDC_GAMMA_SLIDER, SB_LINELEFT);
    EXPECT_EQ(d.Text(IDC_GAMMA_VALUE), "100");
    d.Cancel();
  });
  EXPECT_EQ(Working().flGamma, 1.5f);

  // A gamma that no range rule bounded still opens.
  start.flGamma = std::numeric_limits<float>::quiet_NaN();
  RunDecompressor(start, [](OpenDialog& d) {
    EXPECT_EQ(d.Text(IDC_GAMMA_VALUE), "  0");
    d.Cancel();
  });
}

TEST(DecompressorDialog, SliderMovesAreStoredAtOnceAndGreyDisplayOnOk) {
  SettingsRecord start = PresetRecord(Preset::Modem);
  RunDecompressor(start, [](OpenDialog& d) {
    d.DragTo(IDC_GAMMA_SLIDER, 2);
    d.Scroll(IDC_GAMMA_SLIDER, SB_PAGELEFT);
    EXPECT_EQ(d.ScrollPosition(IDC_GAMMA_SLIDER), 0);
    d.Scroll(IDC_GAMMA_SLIDER, SB_PAGERIGHT);
    d.Scroll(IDC_GAMMA_SLIDER, SB_LINERIGHT);
    EXPECT_EQ(d.Text(IDC_GAMMA_VALUE), "  5");
    d.Click(IDC_VIDEO_GRAY);
    d.Cancel();
  });
  EXPECT_EQ(Working().flGamma, 0.55f);
  EXPECT_EQ(Working().bFlags, start.bFlags);

  RunDecompressor(start, [](OpenDialog& d) {
    d.Click(IDC_VIDEO_GRAY);
    d.Ok();
  });
  EXPECT_EQ(Working().bFlags, start.bFlags | SF_SHOWGRAY);
  RunDecompressor(Working(), [](OpenDialog& d) {
    EXPECT_TRUE(d.IsChecked(IDC_VIDEO_GRAY));
    d.Click(IDC_VIDEO_COLOR);
    d.Ok();
  });
  EXPECT_EQ(Working().bFlags, start.bFlags);
}

}  // namespace
}  // namespace kvtc::settings
