// ICM_CONFIGURE through DriverProc: the Configure dialog and its two sub-dialogs, answered
// through the headless dialogs, and what their OK and Cancel leave in the file and the
// instances.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "driver/codec_info.h"
#include "driver/instance.h"
#include "platform/headless_dialog.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "support/host.h"

namespace kvtc::driver {
namespace {

using platform::headless::DialogRun;
using platform::headless::OpenDialog;
using platform::headless::ScopedDialogUser;
using settings::Preset;
using settings::PresetRecord;
using settings::SettingsRecord;
using namespace kvtc::testing;

const HWND kParent = reinterpret_cast<HWND>(std::uintptr_t{0x4242});

class ConfigureTest : public HostTest {
 protected:
  void SetUp() override { platform::headless::ClearDialogRuns(); }

  // Sends ICM_CONFIGURE with `user` answering the Configure dialog.
  LRESULT Configure(DWORD_PTR id, std::function<void(OpenDialog&)> user) {
    ScopedDialogUser scoped("CONFIGURE", std::move(user));
    return host_.Send(id, ICM_CONFIGURE, kParent);
  }
  SettingsRecord FileRecord() {
    SettingsRecord r{};
    const std::vector<unsigned char> bytes = kvtc::testing::ReadFileBytes(
        systemDir_.File("KVTC.cfg"));
    EXPECT_EQ(bytes.size(), settings::kSettingsSize);
    std::memcpy(&r, bytes.data(), std::min(bytes.size(), sizeof r));
    return r;
  }
  static std::string Highlighted(OpenDialog& d) {
    std::string pushed;
    for (int id : {IDC_PRESET_MODEM, IDC_PRESET_ISDN, IDC_PRESET_LAN}) {
      if (d.IsPushed(id)) pushed += d.Text(id);
    }
    return pushed;
  }

  Host host_;
};

// The dialog opens on the instance's record with its preset highlighted; Modem and OK reach
// the file and every instance.
TEST_F(ConfigureTest, ModemThenOkReachesTheFileAndEveryInstance) {
  const DWORD_PTR first = host_.Open();
  const DWORD_PTR second = host_.Open();
  LockedInstance(first)->settings = PresetRecord(Preset::Isdn);
  LockedInstance(second)->settings.dwWidth = 320;

  EXPECT_EQ(Configure(first, [](OpenDialog& d) {
              EXPECT_EQ(d.Caption(), "Configure");
              EXPECT_EQ(d.Owner(), kParent);
              EXPECT_EQ(Highlighted(d), "ISDN");
              d.Click(IDC_PRESET_MODEM);
              EXPECT_EQ(Highlighted(d), "Modem");
              d.Ok();
            }),
            ICERR_OK);
  SettingsRecord expected = PresetRecord(Preset::Isdn);
  expected.bFlags = 0x18;
  expected.bSearchRadius = 16;  // and the threshold stays ISDN's 10
  for (const SettingsRecord& r : {FileRecord(), InstanceSettings(first), InstanceSettings(second)}) {
    EXPECT_EQ(std::memcmp(&r, &expected, settings::kSettingsSize), 0);
  }
}

TEST_F(ConfigureTest, CancelChangesNothing) {
  const DWORD_PTR id = host_.Open();
  const std::vector<unsigned char> before =
      kvtc::testing::ReadFileBytes(systemDir_.File("KVTC.cfg"));
  ScopedDialogUser compressor("COMPRESSOR", [](OpenDialog& d) {
    d.DragTo(IDC_REFRESH_SLIDER, 255);  // stored in the working copy only
    d.Ok();
  });
  EXPECT_EQ(Configure(id, [](OpenDialog& d) {
              EXPECT_EQ(Highlighted(d), "LAN");
              d.Click(IDC_PRESET_ISDN);
              d.Click(IDC_OPEN_COMPRESSOR);
              d.Cancel();
            }),
            ICERR_ERROR);
  EXPECT_EQ(kvtc::testing::ReadFileBytes(systemDir_.File("KVTC.cfg")), before);
  const SettingsRecord lan = PresetRecord(Preset::Lan);
  const SettingsRecord now = InstanceSettings(id);
  EXPECT_EQ(std::memcmp(&now, &lan, settings::kSettingsSize), 0);
}

TEST_F(ConfigureTest, SubDialogsEditTheWorkingCopyAndTheHighlightFollows) {
  const DWORD_PTR id = host_.Open();
  ScopedDialogUser compressor("COMPRESSOR", [](OpenDialog& d) {
    EXPECT_EQ(d.Owner(), kParent);
    EXPECT_EQ(d.Text(IDC_SEARCH_RADIUS), "16 pixels");  // Modem, pressed before
    d.Click(IDC_FILTER_NONE);
    d.Ok();
  });
  ScopedDialogUser decompressor("DECOMPRESSOR", [](OpenDialog& d) {
    EXPECT_EQ(d.Owner(), kParent);
    d.DragTo(IDC_GAMMA_SLIDER, 70);
    d.Click(IDC_VIDEO_GRAY);
    d.Ok();
  });
  EXPECT_EQ(Configure(id, [](OpenDialog& d) {
              d.Click(IDC_PRESET_MODEM);
              d.Click(IDC_OPEN_COMPRESSOR);
              EXPECT_EQ(Highlighted(d), "");  // the filter no longer matches Modem
              d.Click(IDC_OPEN_DECOMPRESSOR);
              d.Ok();
            }),
            ICERR_OK);
  const SettingsRecord s = InstanceSettings(id);
  EXPECT_EQ(s.bFlags, settings::SF_VARIANT | settings::SF_SHOWGRAY);
  EXPECT_EQ(s.bSearchRadius, 16);
  EXPECT_FLOAT_EQ(s.flGamma, 1.2f);
  EXPECT_EQ(FileRecord().bFlags, s.bFlags);
}

TEST_F(ConfigureTest, RefusesWithoutAnInstanceAnAnswerOrWhileOpen) {
  const DWORD_PTR id = host_.Open();
  EXPECT_EQ(host_.Send(kDriverOnlyId, ICM_CONFIGURE, kParent), ICERR_ERROR);
  EXPECT_TRUE(platform::headless::DialogRuns().empty());

  // Nobody answers: the dialog is cancelled, not left waiting.
  EXPECT_EQ(host_.Send(id, ICM_CONFIGURE, kParent), ICERR_ERROR);
  std::vector<DialogRun> runs = platform::headless::DialogRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].unattended);

  // A second Configure while one is open is refused and leaves the first one's owner alone.
  const DWORD_PTR second = host_.Open();
  Configure(id, [&](OpenDialog& d) {
    EXPECT_EQ(host_.Send(second, ICM_CONFIGURE, 0x99), ICERR_ERROR);
    ScopedDialogUser compressor("COMPRESSOR", [](OpenDialog& c) {
      EXPECT_EQ(c.Owner(), kParent);
      c.Cancel();
    });
    d.Click(IDC_OPEN_COMPRESSOR);
    d.Cancel();
  });
}

TEST_F(ConfigureTest, AForeignRecordIsSavedButReachesNoInstance) {
  const DWORD_PTR first = host_.Open();
  const DWORD_PTR second = host_.Open();
  LockedInstance(first)->settings.dwMagic = MakeFourcc("XXXX");
  LockedInstance(first)->settings.bThreshold = 3;
  EXPECT_EQ(Configure(first, [](OpenDialog& d) { d.Ok(); }), ICERR_OK);
  EXPECT_EQ(FileRecord().dwMagic, MakeFourcc("XXXX"));
  EXPECT_EQ(InstanceSettings(second).bThreshold, 8);
}

}  // namespace
}  // namespace kvtc::driver
