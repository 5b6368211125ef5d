#include "kvtc/settings_dialogs.h"

#include <cmath>
#include <string>

#include "host/codec_host.h"
#include "kvtc/tool_errors.h"
#include "platform/headless_dialog.h"
#include "resources/resource_ids.h"

namespace kvtc::tool {
namespace {

using platform::headless::OpenDialog;
using platform::headless::ScopedDialogUser;

// The items of the search radius list, by radius.
int RadiusItem(int radius) {
  switch (radius) {
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    case 16: return 4;
    default: return 0;
  }
}

int FilterButton(host::NoiseFilter f) {
  switch (f) {
    case host::NoiseFilter::Median:
      return IDC_FILTER_MEDIAN;
    case host::NoiseFilter::Smooth:
      return IDC_FILTER_SMOOTH;
    case host::NoiseFilter::None:
      break;
  }
  return IDC_FILTER_NONE;
}

int PresetButton(settings::Preset p) {
  switch (p) {
    case settings::Preset::Modem: return IDC_PRESET_MODEM;
    case settings::Preset::Isdn: return IDC_PRESET_ISDN;
    case settings::Preset::Lan: break;
  }
  return IDC_PRESET_LAN;
}

// What the user could not do; the first failure is kept. Nothing is thrown inside a dialog,
// which runs inside the codec: the dialog is cancelled and the failure reported afterwards.
class Answers {
 public:
  // Records an action that did not land; true while every action so far has.
  bool Act(bool done, const char* what) {
    if (!done && failure_.empty()) failure_ = std::string("the settings dialog did not take ") + what;
    return failure_.empty();
  }
  // Ends the dialog with OK, or with Cancel after a failure.
  void Finish(OpenDialog& d) const { failure_.empty() ? d.Ok() : d.Cancel(); }
  const std::string& Failure() const { return failure_; }

 private:
  std::string failure_;
};

}  // namespace

bool DialogChoices::CompressorDialogNeeded() const {
  return refreshPercent || filter || losslessLuma || losslessChroma || searchRadius || sendGray ||
         chromaChange;
}

bool DialogChoices::DecompressorDialogNeeded() const { return gamma || showGray; }

int RefreshSliderPosition(int percent) {
  // The display shows truncate(p * 100 / 255 + 0.5); the nearest position to percent * 2.55
  // shows exactly `percent`.
  return static_cast<int>(std::lround(percent * 2.55));
}

int GammaSliderPosition(double gamma) { return static_cast<int>(std::lround((gamma - 0.5) * 100)); }

void ApplyThroughDialogs(const DialogChoices& c) {
  Answers a;
  ScopedDialogUser compressor("COMPRESSOR", [&c, &a](OpenDialog& d) {
    if (c.refreshPercent) {
      a.Act(d.DragTo(IDC_REFRESH_SLIDER, RefreshSliderPosition(*c.refreshPercent)), "the refresh");
    }
    if (c.filter) a.Act(d.Click(FilterButton(*c.filter)), "the noise filter");
    if (c.losslessLuma) a.Act(d.SetChecked(IDC_LOSSLESS_LUMA, *c.losslessLuma), "lossless luma");
    if (c.losslessChroma) {
      a.Act(d.SetChecked(IDC_LOSSLESS_CHROMA, *c.losslessChroma), "lossless chroma");
    }
    if (c.searchRadius) {
      a.Act(d.Select(IDC_SEARCH_RADIUS, RadiusItem(*c.searchRadius)), "the search radius");
    }
    if (c.sendGray) a.Act(d.Click(*c.sendGray ? IDC_VIDEO_GRAY : IDC_VIDEO_COLOR), "grey sending");
    if (c.chromaChange) {
      a.Act(d.SetChecked(IDC_CHROMA_CHANGE, *c.chromaChange), "colour change detection");
    }
    a.Finish(d);
  });
  ScopedDialogUser decompressor("DECOMPRESSOR", [&c, &a](OpenDialog& d) {
    if (c.gamma) a.Act(d.DragTo(IDC_GAMMA_SLIDER, GammaSliderPosition(*c.gamma)), "the gamma");
    if (c.showGray) a.Act(d.Click(*c.showGray ? IDC_VIDEO_GRAY : IDC_VIDEO_COLOR), "grey display");
    a.Finish(d);
  });
  ScopedDialogUser configure("CONFIGURE", [&c, &a](OpenDialog& d) {
    if (c.preset) a.Act(d.Click(PresetButton(*c.preset)), "the preset");
    if (c.CompressorDialogNeeded()) a.Act(d.Click(IDC_OPEN_COMPRESSOR), "the Compressor button");
    if (c.DecompressorDialogNeeded()) {
      a.Act(d.Click(IDC_OPEN_DECOMPRESSOR), "the Decompressor button");
    }
    a.Finish(d);
  });

  host::CodecDriver driver;
  host::CodecInstance instance(driver, ICMODE_QUERY);
  // The tool has no window of its own to own the dialogs.
  const LRESULT r = instance.Send(ICM_CONFIGURE, LPARAM{0});
  if (!a.Failure().empty()) throw IoError(a.Failure() + "; the settings file is unchanged");
  if (r != ICERR_OK) {
    throw IoError("the codec's Configure dialog did not end with OK (" + host::StatusText(r) +
                  "); the settings file is unchanged");
  }
}

}  // namespace kvtc::tool
