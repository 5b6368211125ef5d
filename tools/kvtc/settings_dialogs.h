// Changing the saved settings the way a user does: through the codec's own Configure dialog
// (ICM_CONFIGURE) and its Compressor and Decompressor dialogs, answered by the headless dialog
// layer instead of a person, ending with OK. The codec then writes the settings file and hands
// the settings to its open instances, exactly as after a click on OK.
#pragma once

#include <optional>

#include "host/codec_settings.h"

namespace kvtc::tool {

struct DialogChoices {
  std::optional<settings::Preset> preset;  // a preset button of the Configure dialog
  // Compressor dialog.
  std::optional<int> refreshPercent;       // 0..100, as the slider's value display shows it
  std::optional<host::NoiseFilter> filter;
  std::optional<bool> losslessLuma;
  std::optional<bool> losslessChroma;
  std::optional<int> searchRadius;         // 0, 2, 4, 8 or 16
  std::optional<bool> sendGray;
  std::optional<bool> chromaChange;        // change detection also compares colour
  // Decompressor dialog.
  std::optional<double> gamma;             // 0.5..1.5 in steps of 0.01, the slider's range
  std::optional<bool> showGray;

  bool CompressorDialogNeeded() const;
  bool DecompressorDialogNeeded() const;
};

// Runs the dialogs with the choices (the preset first, then the manual settings) and presses
// OK. Throws IoError when the codec does not take them.
void ApplyThroughDialogs(const DialogChoices& choices);

// The refresh slider position whose display shows `percent`, and the gamma slider position
// for `gamma`.
int RefreshSliderPosition(int percent);
int GammaSliderPosition(double gamma);

}  // namespace kvtc::tool
