#include "stream/picture_finishing.h"

#include "stream/fill_in.h"
#include "stream/plane_borders.h"
#include "stream/plane_view.h"

namespace kvtc::stream {

FillChoice ChooseFillIn(std::uint8_t outputFormat, bool grey, bool losslessLuma,
                        bool losslessChroma, bool sharpen) {
  FillChoice choice;
  if (grey || outputFormat == 11 || outputFormat == 12) {
    choice.luma = !losslessLuma;
  } else if (outputFormat == 0 || outputFormat == 10) {
    choice.luma = !losslessLuma;
    choice.chroma = !losslessChroma;
  } else {
    choice.chroma = !losslessChroma;
  }
  if (sharpen) choice.luma = false;
  return choice;
}

void FinishPicture(const FinishingInput& in) {
  const PlaneGeometry& g = in.geometry;
  if (in.planes.size() < g.planeSetSize || !in.tables.halfSum) return;
  const bool mapUsable = in.updateMap.size() >= g.mapSize;
  const bool losslessChroma = in.losslessChroma && !in.grey;
  RebuildBorders(g, in.planes, in.losslessLuma, losslessChroma, in.grey);

  const FillChoice fill =
      ChooseFillIn(in.outputFormat, in.grey, in.losslessLuma, losslessChroma, in.sharpen);
  const std::uint8_t* half = in.tables.halfSum.data();
  const MapView map = UpdateMap(g, in.updateMap);
  if (fill.luma) {
    const PlaneView luma = LumaPlane(g, in.planes);
    if (in.key || in.grey) {
      FillPlaneFull(luma, half);
    } else if (mapUsable) {
      FillLumaByMap(luma, map);
    }
  }
  if (fill.chroma) {
    for (const PlaneView& chroma : {UPlane(g, in.planes), VPlane(g, in.planes)}) {
      if (in.key) {
        FillPlaneFull(chroma, half);
      } else if (mapUsable) {
        FillChromaByMap(chroma, map);
      }
    }
  }
}

}  // namespace kvtc::stream
