// Border rebuild, the fill-in choice, the full and map-guided fills and their order.
#include "stream/picture_finishing.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "stream/fill_in.h"
#include "stream/plane_borders.h"
#include "stream/plane_view.h"

namespace kvtc::stream {
namespace {

using Positions = std::set<std::pair<int, int>>;

int Avg(int a, int b) { return (a + b + 1) >> 1; }

struct Picture {
  PlaneGeometry g = ComputePlaneGeometry(16, 16, 0);
  ArithmeticTables tables;
  std::vector<std::uint8_t> planes = std::vector<std::uint8_t>(g.planeSetSize);
  std::vector<std::uint8_t> map = std::vector<std::uint8_t>(g.mapSize);
  Picture() {
    EnsureSumTables(tables);
    std::mt19937 random(3);
    for (auto& s : planes) s = static_cast<std::uint8_t>(random());
  }
  PlaneView Luma() { return LumaPlane(g, planes); }
  PlaneView U() { return UPlane(g, planes); }
  std::uint8_t& Map(int r, int c) { return map[r * g.mapStride + c]; }
};

// The positions where two views of the same plane differ.
Positions Changed(const PlaneView& before, const PlaneView& after) {
  Positions changed;
  for (std::uint32_t r = 0; r <= after.lastRow; ++r)
    for (std::uint32_t c = 0; c < after.stride; ++c)
      if (before.Row(r)[c] != after.Row(r)[c]) changed.insert({r, c});
  return changed;
}

TEST(PlaneBorders, BorderRepeatsRowAndColumnOneOrTwo) {
  for (const bool lossless : {false, true}) {
    for (const bool grey : {false, true}) {
      Picture p;
      const std::vector<std::uint8_t> before = p.planes;
      RebuildBorders(p.g, p.planes, lossless, lossless, grey);
      for (const PlaneView& v : {p.Luma(), p.U()}) {
        const bool chroma = v.stride != p.g.lumaStride;
        Picture old;
        old.planes = before;
        const PlaneView o = chroma ? old.U() : old.Luma();
        if (chroma && grey) {
          EXPECT_TRUE(Changed(o, v).empty());
          continue;
        }
        const std::uint32_t from = lossless ? 1 : 2;
        for (std::uint32_t i = 2; i <= v.lastRow; ++i) {
          EXPECT_EQ(v.Row(0)[i], v.Row(from)[i]) << chroma << lossless;
          EXPECT_EQ(v.Row(i)[0], v.Row(i)[from]) << chroma << lossless;
          EXPECT_EQ(v.Row(i)[i], o.Row(i)[i]);  // inside untouched
        }
        EXPECT_EQ(v.Row(0)[0], v.Row(from)[from]);
      }
    }
  }
}

TEST(FillIn, ChoiceFollowsOutputFormat) {
  struct Case {
    std::uint8_t code;
    bool grey, ll, lc, sharpen, luma, chroma;
  };
  const Case cases[] = {
      {2, false, false, false, false, false, true},  {1, false, false, true, false, false, false},
      {0, false, false, false, false, true, true},   {10, false, true, false, false, false, true},
      {11, false, false, false, false, true, false}, {12, false, true, false, false, false, false},
      {0, true, false, false, false, true, false},   {2, true, false, false, false, true, false},
      {0, false, false, false, true, false, true},
  };
  for (const Case& c : cases) {
    const FillChoice f = ChooseFillIn(c.code, c.grey, c.ll, c.lc, c.sharpen);
    EXPECT_EQ(f.luma, c.luma) << int(c.code) << c.grey << c.ll << c.lc << c.sharpen;
    EXPECT_EQ(f.chroma, c.chroma) << int(c.code) << c.grey << c.ll << c.lc << c.sharpen;
  }
}

TEST(FillIn, FullFillAveragesRowsThenColumnsWithinThePlane) {
  // Six columns (an odd last column 5) and six rows (an odd last row 5).
  std::vector<std::uint8_t> s = {10, 0, 30, 0, 50, 0,   0, 0, 0, 0, 0, 0,   1, 0, 101, 0, 200, 0,
                                 0,  0, 0,  0, 0,  0,   9, 0, 9, 0, 9, 0,   77, 77, 77, 77, 77, 77};
  ArithmeticTables t;
  EnsureSumTables(t);
  FillPlaneFull({s.data(), 6, 5}, t.halfSum.data());
  const std::vector<int> row0 = {10, 20, 30, 40, 50, 50}, row2 = {1, 51, 101, 151, 200, 200};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(s[c], row0[c]);
    EXPECT_EQ(s[12 + c], row2[c]);
    EXPECT_EQ(s[6 + c], Avg(row0[c], row2[c]));
    EXPECT_EQ(s[18 + c], Avg(row2[c], 9));
    EXPECT_EQ(s[30 + c], 77);  // the odd last row has nothing below it
  }
}

TEST(FillIn, MapGuidedFillsStayAroundTheMarksAndMarkWhatTheyFill) {
  Picture p;
  Picture before;
  p.Map(4, 4) = 1;
  FillLumaByMap(p.Luma(), UpdateMap(p.g, p.map), p.tables.halfSum.data());
  const PlaneView y = p.Luma();
  EXPECT_EQ(Changed(before.Luma(), y),
            (Positions{{3, 3}, {3, 4}, {3, 5}, {4, 3}, {4, 5}, {5, 3}, {5, 4}, {5, 5}}));
  EXPECT_EQ(y.Row(4)[3], Avg(y.Row(4)[2], y.Row(4)[4]));
  EXPECT_EQ(y.Row(3)[3], Avg(y.Row(2)[3], y.Row(4)[3]));
  for (const auto& [r, c] : Changed(before.Luma(), y)) EXPECT_EQ(p.Map(r, c), 1);

  Picture q;
  q.Map(4, 4) = 1;
  FillChromaByMap(q.U(), UpdateMap(q.g, q.map), q.tables.halfSum.data());
  EXPECT_EQ(Changed(before.U(), q.U()),
            (Positions{{2, 1}, {2, 3}, {1, 1}, {1, 2}, {1, 3}, {3, 1}, {3, 2}, {3, 3}}));
  EXPECT_EQ(q.U().Row(2)[3], Avg(q.U().Row(2)[2], q.U().Row(2)[4]));
  EXPECT_TRUE(q.Map(4, 2) && q.Map(4, 6) && !q.Map(2, 2));
}

TEST(FillIn, FinishingFillsLumaBeforeChromaAndKeyFramesInFull) {
  Picture p;
  p.Map(4, 8) = 1;
  FinishPicture({p.g, p.tables, p.planes, p.map, false, false, false, false, 0, false});
  EXPECT_EQ(p.Luma().Row(4)[5], Picture().Luma().Row(4)[5]);  // chroma's mark (4, 6) came later
  EXPECT_EQ(p.Luma().Row(4)[7], Avg(p.Luma().Row(4)[6], p.Luma().Row(4)[8]));
  EXPECT_EQ(p.U().Row(2)[3], Avg(p.U().Row(2)[2], p.U().Row(2)[4]));
  EXPECT_TRUE(p.Map(4, 6));

  Picture key;
  FinishPicture({key.g, key.tables, key.planes, key.map, true, false, false, false, 2, false});
  EXPECT_EQ(key.Luma().Row(5)[5], Picture().Luma().Row(5)[5]);  // the converter interpolates
  for (std::uint32_t r = 1; r < key.g.chromaHeight; r += 2)
    for (std::uint32_t c = 0; c <= key.g.chromaWidth; ++c)
      EXPECT_EQ(key.U().Row(r)[c], Avg(key.U().Row(r - 1)[c], key.U().Row(r + 1)[c]));
}

TEST(FillIn, OddAndBlocklessSizesStayInsideTheirPlanesAndMap) {
  ArithmeticTables t;
  EnsureSumTables(t);
  std::mt19937 random(5);
  for (const auto& [w, h, decimation] : {std::tuple{13u, 7u, 0}, {17u, 9u, 0}, {8u, 8u, 8},
                                         {25u, 21u, 0}}) {
    const PlaneGeometry g = ComputePlaneGeometry(w, h, static_cast<std::uint8_t>(decimation));
    for (const bool key : {false, true}) {
      constexpr std::uint8_t kGuard = 0xA5;
      std::vector<std::uint8_t> planes(g.planeSetSize + 128, kGuard), map(g.mapSize + 128, kGuard);
      for (std::uint32_t i = 0; i < g.planeSetSize; ++i) planes[64 + i] = random();
      for (std::uint32_t i = 0; i < g.mapSize; ++i) map[64 + i] = random() % 2;
      FinishPicture({g, t, {planes.data() + 64, g.planeSetSize}, {map.data() + 64, g.mapSize},
                     key, false, false, false, 0, false});
      for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(planes[i], kGuard);
        ASSERT_EQ(planes[planes.size() - 1 - i], kGuard);
        ASSERT_EQ(map[i], kGuard);
        ASSERT_EQ(map[map.size() - 1 - i], kGuard);
      }
      if (key && g.width % 2 == 1) {  // the odd last column repeats its left neighbour
        const PlaneView y = LumaPlane(g, {planes.data() + 64, g.planeSetSize});
        EXPECT_EQ(y.Row(2)[g.width], y.Row(2)[g.width - 1]);
      }
    }
  }
}

}  // namespace
}  // namespace kvtc::stream
