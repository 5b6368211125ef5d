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
#include "support/guarded_buffer.h"

namespace kvtc::stream {
namespace {

using Positions = std::set<std::pair<int, int>>;

int Avg(int a, int b) { return (a + b + 1) >> 1; }

// A plane set and map of a random picture, each between guard bands.
struct Picture {
  PlaneGeometry g;
  ArithmeticTables tables;
  kvtc::testing::GuardedBuffer planeBuffer, mapBuffer;
  std::span<std::uint8_t> planes = planeBuffer.span(), map = mapBuffer.span();
  explicit Picture(std::uint32_t w = 16, std::uint32_t h = 16, std::uint8_t decimation = 0)
      : g(ComputePlaneGeometry(w, h, decimation)),
        planeBuffer(g.planeSetSize),
        mapBuffer(g.mapSize) {
    EnsureSumTables(tables);
    std::mt19937 random(3);
    for (auto& s : planes) s = static_cast<std::uint8_t>(random());
  }
  PlaneView Luma() const { return LumaPlane(g, planes); }
  PlaneView U() const { return UPlane(g, planes); }
  std::uint8_t& Map(int r, int c) { return map[r * g.mapStride + c]; }
  bool GuardsIntact() { return planeBuffer.Intact() && mapBuffer.Intact(); }
};

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
      const Picture before;
      RebuildBorders(p.g, p.planes, lossless, lossless, grey);
      EXPECT_EQ(Changed(before.U(), p.U()).empty(), grey);
      for (const PlaneView& v : {p.Luma(), p.U()}) {
        if (grey && v.stride != p.g.lumaStride) continue;
        const std::uint32_t from = lossless ? 1 : 2;
        for (std::uint32_t i = 2; i <= v.lastRow; ++i) {
          EXPECT_EQ(v.Row(0)[i], v.Row(from)[i]);
          EXPECT_EQ(v.Row(i)[0], v.Row(i)[from]);
        }
        EXPECT_EQ(v.Row(0)[0], v.Row(from)[from]);
      }
      for (const auto& [r, c] : Changed(before.Luma(), p.Luma())) EXPECT_TRUE(r < 2 || c < 2);
    }
  }
}

TEST(FillIn, ChoiceFollowsOutputFormat) {
  // code, grey, lossless luma, lossless chroma, sharpen -> fill luma, fill chroma
  const int cases[][7] = {{2, 0, 0, 0, 0, 0, 1},  {1, 0, 0, 1, 0, 0, 0},  {0, 0, 0, 0, 0, 1, 1},
                          {10, 0, 1, 0, 0, 0, 1}, {11, 0, 0, 0, 0, 1, 0}, {12, 0, 1, 0, 0, 0, 0},
                          {0, 1, 0, 0, 0, 1, 0},  {2, 1, 0, 0, 0, 1, 0},  {0, 0, 0, 0, 1, 0, 1}};
  for (const auto& c : cases) {
    const FillChoice f = ChooseFillIn(static_cast<std::uint8_t>(c[0]), c[1], c[2], c[3], c[4]);
    EXPECT_EQ(f.luma, bool(c[5])) << c[0] << c[1] << c[2] << c[3] << c[4];
    EXPECT_EQ(f.chroma, bool(c[6])) << c[0] << c[1] << c[2] << c[3] << c[4];
  }
}

TEST(FillIn, FullFillAveragesRowsThenColumnsWithinThePlane) {
  // Six columns (an odd last column 5) and six rows (an odd last row 5).
  std::vector<std::uint8_t> s = {10, 0, 30, 0, 50, 0, 0, 0, 0, 0, 0, 0, 1,  0,  101, 0,  200, 0,
                                 0,  0, 0,  0, 0,  0, 9, 0, 9, 0, 9, 0, 77, 77, 77,  77, 77,  77};
  FillPlaneFull({s.data(), 6, 5}, Picture().tables.halfSum.data());
  const int row0[] = {10, 20, 30, 40, 50, 50}, row2[] = {1, 51, 101, 151, 200, 200};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(s[c], row0[c]);
    EXPECT_EQ(s[12 + c], row2[c]);
    EXPECT_EQ(s[6 + c], Avg(row0[c], row2[c]));
    EXPECT_EQ(s[18 + c], Avg(row2[c], 9));
    EXPECT_EQ(s[30 + c], 77);  // nothing below the odd last row
  }
}

TEST(FillIn, MapGuidedFillsStayAroundTheMarksAndMarkWhatTheyFill) {
  Picture p, q;
  const Picture before;
  p.Map(4, 4) = q.Map(4, 4) = 1;
  FillLumaByMap(p.Luma(), UpdateMap(p.g, p.map));
  const PlaneView y = p.Luma();
  EXPECT_EQ(Changed(before.Luma(), y),
            (Positions{{3, 3}, {3, 4}, {3, 5}, {4, 3}, {4, 5}, {5, 3}, {5, 4}, {5, 5}}));
  EXPECT_EQ(y.Row(4)[3], Avg(y.Row(4)[2], y.Row(4)[4]));
  EXPECT_EQ(y.Row(3)[3], Avg(y.Row(2)[3], y.Row(4)[3]));
  for (const auto& [r, c] : Changed(before.Luma(), y)) EXPECT_EQ(p.Map(r, c), 1);

  FillChromaByMap(q.U(), UpdateMap(q.g, q.map));
  EXPECT_EQ(Changed(before.U(), q.U()),
            (Positions{{2, 1}, {2, 3}, {1, 1}, {1, 2}, {1, 3}, {3, 1}, {3, 2}, {3, 3}}));
  EXPECT_EQ(q.U().Row(2)[3], Avg(q.U().Row(2)[2], q.U().Row(2)[4]));
  EXPECT_EQ(q.U().Row(1)[2], Avg(q.U().Row(0)[2], q.U().Row(2)[2]));  // rows above and below
  EXPECT_EQ(q.U().Row(3)[3], Avg(q.U().Row(2)[3], q.U().Row(4)[3]));
  EXPECT_TRUE(q.Map(4, 2) && q.Map(4, 6) && !q.Map(2, 2));
}

TEST(FillIn, OddAndBlocklessSizesStayInsideTheirPlanesAndMap) {
  for (const auto& [w, h, decimation] :
       {std::tuple{13u, 7u, 0}, {17u, 9u, 0}, {8u, 8u, 8}, {25u, 21u, 0}}) {
    for (const bool key : {false, true}) {
      Picture p(w, h, static_cast<std::uint8_t>(decimation));
      std::mt19937 random(5);
      for (auto& m : p.map) m = random() % 2;
      FinishPicture({p.g, p.tables, p.planes, p.map, key, false, false, false, 0, false});
      EXPECT_TRUE(p.GuardsIntact()) << w << "x" << h;
      if (key && p.g.width % 2) {
        EXPECT_EQ(p.Luma().Row(2)[p.g.width], p.Luma().Row(2)[p.g.width - 1]);
      }
    }
  }
}

}  // namespace
}  // namespace kvtc::stream
