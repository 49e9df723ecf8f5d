// Geometry of pipe element ends: elements at a node, neighbours, joint
// angles, the thickness-transition test and the geometry pass's table.
#include <gtest/gtest.h>

#include <cmath>

#include "check/check.h"
#include "check_model.h"

namespace {

using check_test::end_of;
using check_test::iv;
using check_test::Model;
using check_test::rv;
using check_test::UnitCapture;

constexpr int kOut = 41;
constexpr double kPi = 3.141592653589793;

// Two pipes meeting at node 2 at `degrees` (180 = straight on).
struct Pair {
  Model m;
  int32_t e1 = 0, e2 = 0;
  explicit Pair(double degrees, double t2 = 0.04) {
    const int32_t g1 = m.pipe(1.2, 0.025);
    const int32_t g2 = m.pipe(1.2, t2);
    const int32_t mat = m.material(1, 355e6);
    const double a = degrees * kPi / 180.0;
    const int32_t n1 = m.node(-1.0, 0.0, 0.0);
    const int32_t n2 = m.node(0.0, 0.0, 0.0);
    const int32_t n3 = m.node(-std::cos(a), std::sin(a), 0.0);
    e1 = m.beam(g1, mat, n1, n2);
    e2 = m.beam(g2, mat, n2, n3);
  }
  double angle(int32_t& status) {
    return check::MSC_0119(e1, 2, m.nel(), iv(m.mnpc), iv(m.mpmnpc), iv(m.meltyp), rv(m.tcoord), 0,
                           status);
  }
};

TEST(JointAngle, InLineFrom140Degrees) {
  const struct {
    double degrees;
    bool in_line;
  } cases[] = {{180.0, true}, {150.0, true}, {140.0, true}, {139.999, false}, {135.0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.degrees);
    Pair p(c.degrees);
    int32_t status = 0;
    EXPECT_NEAR(p.angle(status), c.degrees, 1e-4);
    EXPECT_EQ(status, 0);
    const auto end = end_of(p.m, p.e1, 2);
    EXPECT_EQ(end.d2, c.in_line ? 1.2 : 0.0);
    EXPECT_EQ(end.t2, c.in_line ? 0.04 : 0.0);
  }
}

TEST(JointAngle, CoincidentFarNodeCountsAsInLine) {
  Pair p(90.0);
  // Move the far node of element 2 onto the joint.
  p.m.tcoord[6] = p.m.tcoord[7] = p.m.tcoord[8] = 0.0;
  int32_t status = 0;
  EXPECT_EQ(p.angle(status), check::kCoincident);
  EXPECT_EQ(end_of(p.m, p.e1, 2).t2, 0.04);
}

TEST(JointAngle, FailingAngleIsReportedAndLeavesNoNeighbour) {
  // A far node so close to the joint that its squared length is subnormal:
  // the cosine comes out beyond 1.0001 in magnitude.
  Pair p(180.0);
  p.m.tcoord[0] = 9.0e-162;
  p.m.tcoord[6] = -1.3e154;
  UnitCapture out(kOut);
  int32_t status = 0;
  EXPECT_EQ(check::MSC_0119(p.e1, 2, p.m.nel(), iv(p.m.mnpc), iv(p.m.mpmnpc), iv(p.m.meltyp),
                            rv(p.m.tcoord), kOut, status),
            check::kNotInLine);
  EXPECT_EQ(status, -1);
  const auto end = end_of(p.m, p.e1, 2, kOut);
  EXPECT_EQ(end.status, -1);
  EXPECT_EQ(end.d2, 0.0);
  EXPECT_EQ(end.t2, 0.0);
  EXPECT_EQ(out.text(), "*** ERROR IN MSC_0119 ***\n*** ERROR IN MSC_0119 ***\n");
}

TEST(JointAngle, ElementWithoutTwoNodesIsNotInLine) {
  Pair p(180.0);
  // Element 2 gets a third node: no far node for the angle.
  const int32_t extra = p.m.node(5.0, 0.0, 0.0);
  p.m.mnpc.push_back(extra);
  p.m.mpmnpc.back() += 1;
  int32_t status = 0;
  EXPECT_EQ(p.angle(status), check::kNotInLine);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(end_of(p.m, p.e1, 2).t2, 0.0);
}

TEST(Neighbour, BraceJointAndElementTypes) {
  Pair p(180.0);
  const int32_t brace_end = p.m.node(0.0, 3.0, 0.0);
  const int32_t g = p.m.pipe(0.6, 0.02);
  // A one-node spring at the joint is of another type: still a pair.
  p.m.element(18, g, 1, {2});
  EXPECT_EQ(check::NBELEM(p.e1, 2, iv(p.m.mnpc), iv(p.m.mpmnpc), 15, p.m.nel(), iv(p.m.meltyp), 0),
            p.e2);
  EXPECT_EQ(end_of(p.m, p.e1, 2).t2, 0.04);
  // A brace of the same type makes it a joint of three: no neighbour.
  p.m.beam(g, 1, 2, brace_end);
  EXPECT_EQ(check::NBELEM(p.e1, 2, iv(p.m.mnpc), iv(p.m.mpmnpc), 15, p.m.nel(), iv(p.m.meltyp), 0),
            0);
  const auto end = end_of(p.m, p.e1, 2);
  EXPECT_EQ(end.d2, 0.0);
  EXPECT_EQ(end.t2, 0.0);
  EXPECT_EQ(end.d, 1.2);
  int32_t status = 0;
  EXPECT_EQ(p.angle(status), check::kNotInLine);
}

TEST(Neighbour, NonPipeSectionGivesNoNeighbourData) {
  Pair p(180.0);
  p.m.mgetyp[1] = 2;  // element 2's section is not a pipe
  const auto end = end_of(p.m, p.e1, 2);
  EXPECT_EQ(end.d2, 0.0);
  EXPECT_EQ(end.t2, 0.0);
  // And element 2 itself is no pipe element.
  const auto own = end_of(p.m, p.e2, 1);
  EXPECT_EQ(own.d, 0.0);
  EXPECT_EQ(own.t, 0.0);
}

TEST(ElementsAtNode, OrderDoublesAndListLimit) {
  Model m;
  const int32_t g = m.pipe(1.0, 0.02);
  const int32_t hub = m.node(0, 0, 0);
  std::vector<int32_t> far;
  for (int i = 0; i < 101; ++i) far.push_back(m.node(i + 1.0, 0, 0));
  m.element(15, g, 1, {hub, hub});  // lists the node twice
  m.element(18, g, 1, {hub});       // another type
  for (int i = 0; i < 101; ++i) m.beam(g, 1, far[static_cast<std::size_t>(i)], hub);
  int32_t count = 0;
  check::ElementList list{};
  check::ELATND(hub, m.nel(), iv(m.mnpc), iv(m.mpmnpc), count, list, iv(m.meltyp), 15);
  EXPECT_EQ(count, 103);  // counted past the list
  EXPECT_EQ(list[0], 1);
  EXPECT_EQ(list[1], 1);
  EXPECT_EQ(list[2], 3);
  EXPECT_EQ(list[99], 100);
  check::ELATND(hub, m.nel(), iv(m.mnpc), iv(m.mpmnpc), count, list, iv(m.meltyp), 18);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(list[0], 2);
}

TEST(NodeLists, PositionAndOtherNode) {
  Model m;
  m.element(15, 1, 1, {7, 9});
  m.element(15, 1, 1, {4, 5, 4});
  auto pos = [&](int32_t e, int32_t n) { return check::NODPOS(e, n, iv(m.mnpc), iv(m.mpmnpc)); };
  auto oth = [&](int32_t e, int32_t n) { return check::OTHNOD(e, n, iv(m.mnpc), iv(m.mpmnpc)); };
  EXPECT_EQ(pos(1, 9), 2);
  EXPECT_EQ(pos(2, 4), 1);  // first match
  EXPECT_EQ(pos(2, 8), 0);
  EXPECT_EQ(pos(0, 7), 0);
  EXPECT_EQ(pos(1, 0), 0);
  EXPECT_EQ(pos(3, 7), 0);  // no such element
  EXPECT_EQ(oth(1, 7), 9);
  EXPECT_EQ(oth(1, 9), 7);
  EXPECT_EQ(oth(1, 3), 7);  // not in position 1: the first node
  EXPECT_EQ(oth(2, 4), 0);  // three nodes
  EXPECT_EQ(oth(-1, 7), 0);
}

TEST(Comparisons, RelativeEquality) {
  const struct {
    double a, b, tol;
    bool equal;
  } cases[] = {
      {0.0, 0.0, 1e-10, true},    {1e-100, -1e-120, 1e-10, true}, {0.0, 1e-90, 1e-3, false},
      {1.0, 1.0009, 1e-3, true},  {1.0, 1.0011, 1e-3, false},     {2.0, 2.0, 0.0, false},
      {-3.0, -3.0, 1e-10, true},  {3.0, -3.0, 1e-10, false},      {NAN, NAN, 1e-3, false},
      {1e-100, 1.0, 1e-3, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.a) + " " + std::to_string(c.b));
    EXPECT_EQ(check::RELEQL(c.a, c.b, c.tol), c.equal);
  }
}

TEST(Comparisons, ThicknessTransition) {
  const struct {
    const char* what;
    double d, t, d2, t2;
    int32_t flag;
  } cases[] = {
      {"no neighbour", 1.2, 0.025, 0.0, 0.0, 0},
      {"equal thickness", 1.2, 0.025, 1.2, 0.025, 0},
      {"barely thicker", 1.2, 0.025, 1.2, 0.025 * (1.0 + 1e-11), 0},
      {"ratio 1.5", 1.2, 0.025, 1.2, 0.0375, 1},
      {"thinner neighbour", 1.2, 0.04, 1.2, 0.025, 0},
      {"mid-surfaces aligned", 1.2, 0.025, 1.215, 0.04, 0},
      {"mid-surfaces within 0.1 %", 1.2, 0.025, 1.216, 0.04, 0},
      {"larger tube, D2/D 1.25", 1.0, 0.025, 1.25, 0.04, 0},
      {"D2/D 1.1, mean diameters apart", 1.0, 0.025, 1.1, 0.04, 1},
      {"smaller tube, thicker", 1.2, 0.025, 1.0, 0.04, 1},
      {"undefined neighbour", 1.2, 0.025, NAN, NAN, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int32_t flag = -5;
    check::THKJMP(c.d, c.t, c.d2, c.t2, flag);
    EXPECT_EQ(flag, c.flag);
  }
}

TEST(Tapered, DiameterAtEnd2AndNeighbourEnd) {
  Model m;
  const int32_t straight = m.pipe(1.2, 0.025);
  const int32_t cone = m.pipe(1.2, 0.03, 1.0);
  const int32_t nearly = m.pipe(1.2, 0.03, 1.0e-8);
  const int32_t n1 = m.node(0, 0, 0), n2 = m.node(0, 0, 1), n3 = m.node(0, 0, 2),
                n4 = m.node(0, 0, 3);
  const int32_t below = m.beam(straight, 1, n1, n2);
  const int32_t c = m.beam(cone, 1, n2, n3);
  const int32_t above = m.beam(straight, 1, n4, n3);  // reaches the cone with its end 2

  const auto below2 = end_of(m, below, 2);  // shares the cone's end 1
  EXPECT_EQ(below2.d2, 1.2);
  EXPECT_EQ(below2.t2, 0.03);
  EXPECT_EQ(below2.tapered, 1);
  const auto c2 = end_of(m, c, 2);
  EXPECT_EQ(c2.d, 1.0);
  EXPECT_EQ(c2.t, 0.03);
  EXPECT_EQ(c2.tapered, 1);
  const auto c1 = end_of(m, c, 1);
  EXPECT_EQ(c1.d, 1.2);
  const auto above2 = end_of(m, above, 2);  // shares the cone's end 2
  EXPECT_EQ(above2.d2, 1.0);
  EXPECT_EQ(above2.tapered, 1);
  EXPECT_EQ(end_of(m, above, 1).tapered, 0);

  // Word 6 of 1.0E-8 makes a tapered section here.
  m.melgeo[static_cast<std::size_t>(c - 1)] = nearly;
  const auto n2end = end_of(m, c, 2);
  EXPECT_EQ(n2end.tapered, 1);
  EXPECT_EQ(n2end.d, 1.0e-8);
}

// A platform leg: tube 1.2 m x 25 mm, cans of 40 mm at two brace levels (a
// brace at each can's middle node), a cone 1.2 m to 1.0 m of 30 mm and a top
// tube; a one-node spring at the base.
Model leg_model() {
  Model m;
  const int32_t tube = m.pipe(1.2, 0.025);
  const int32_t can = m.pipe(1.2, 0.040);
  const int32_t cone = m.pipe(1.2, 0.030, 1.0);
  const int32_t top = m.pipe(1.0, 0.030);
  const int32_t brace = m.pipe(0.6, 0.020);
  const int32_t spring = m.section(7, 0.0, 0.0);
  const int32_t steel = m.material(1, 355e6);
  std::vector<int32_t> n;
  for (int i = 0; i <= 11; ++i) n.push_back(m.node(0.0, 0.0, 2.0 * i));
  const int32_t b1 = m.node(6.0, 0.0, 6.0);
  const int32_t b2 = m.node(6.0, 0.0, 14.0);
  const int32_t sections[] = {tube, tube, can, can, tube, tube, can, can, tube, cone, top};
  for (int i = 0; i < 11; ++i) {
    m.beam(sections[i], steel, n[static_cast<std::size_t>(i)], n[static_cast<std::size_t>(i + 1)],
           1001 + i);
  }
  m.beam(brace, steel, n[3], b1, 2001);
  m.beam(brace, steel, n[7], b2, 2002);
  m.element(18, spring, steel, {n[0]}, 9001);
  return m;
}

void geometry_pass(Model& m, int32_t unit, int32_t& status) {
  check::VemRask_04(m.nel(), iv(m.meltyp), iv(m.mgetyp), iv(m.melgeo), iv(m.mnpc), iv(m.mpmnpc),
                    rv(m.tcoord), rv(m.tcrgeo), m.mxgepr, iv(m.melex), unit, status);
}

TEST(GeometryPass, NothingWrittenWithoutTransitions) {
  Pair p(180.0, 0.025);
  UnitCapture out(kOut);
  int32_t status = 0;
  geometry_pass(p.m, kOut, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.text(), "");
}

TEST(GeometryPass, FailingAngleIsWrittenInElementOrder) {
  // Element 1 | element 2 (thicker) | element 3 (thicker still): the joint of
  // 2 and 3 fails; 1 -> 2 is listed, then the message appears at 2's end 2
  // and again at 3's end 1.
  Model m;
  const int32_t g1 = m.pipe(1.2, 0.025), g2 = m.pipe(1.2, 0.03), g3 = m.pipe(1.2, 0.04);
  const int32_t n1 = m.node(-1, 0, 0), n2 = m.node(0, 0, 0), n3 = m.node(9e-162, 0, 0),
                n4 = m.node(1.3e154, 0, 0);
  m.beam(g1, 1, n1, n2, 11);
  m.beam(g2, 1, n2, n3, 12);
  m.beam(g3, 1, n3, n4, 13);
  m.material(1, 355e6);
  UnitCapture out(kOut);
  int32_t status = 0;
  geometry_pass(m, kOut, status);
  EXPECT_EQ(status, 0);  // the angle failure is no failure of the pass
  const std::string text = out.text();
  const std::string line =
      "         11     2      48.0     1.200     1.200     0.025     1.200     0.030\n";
  const std::string error = "*** ERROR IN MSC_0119 ***\n";
  const auto at_line = text.find(line);
  ASSERT_NE(at_line, std::string::npos) << text;
  EXPECT_EQ(text.substr(at_line + line.size()), error + error);
}

TEST(GeometryPass, DamagedArraysAreRefused) {
  struct Case {
    const char* detail;
    void (*damage)(Model&);
  };
  const Case cases[] = {
      {"MELGEO of element 12 is 9; MGETYP has 6 entries", [](Model& m) { m.melgeo[11] = 9; }},
      {"MELGEO of element 3 is 0; MGETYP has 6 entries", [](Model& m) { m.melgeo[2] = 0; }},
      {"MELGEO of element 5 is 6; TCRGEO has 5 columns",
       [](Model& m) {
         m.mgetyp[5] = 1;
         m.melgeo[4] = 6;
         m.tcrgeo.resize(5 * 44);
       }},
      {"MXGEPR is 5; element 1 needs word 6 of TCRGEO", [](Model& m) { m.mxgepr = 5; }},
      {"MNPC of element 4 holds node 99; TCOORD has 14 nodes", [](Model& m) { m.mnpc[7] = 99; }},
      {"MNPC of element 2 holds node 0; TCOORD has 14 nodes", [](Model& m) { m.mnpc[2] = 0; }},
      {"MPMNPC of element 3 is 2; element 2 starts at 3", [](Model& m) { m.mpmnpc[2] = 2; }},
      {"MPMNPC of element 15 is 40; MNPC has 27 entries", [](Model& m) { m.mpmnpc[14] = 40; }},
      {"MPMNPC of element 1 is 0; node lists start at 1", [](Model& m) { m.mpmnpc[0] = 0; }},
      {"MELEX has 13 entries; NEL is 14", [](Model& m) { m.melex.pop_back(); }},
      {"MELTYP has 13 entries; NEL is 14", [](Model& m) { m.meltyp.pop_back(); }},
      {"MPMNPC has 14 entries; NEL is 14", [](Model& m) { m.mpmnpc.pop_back(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.detail);
    Model m = leg_model();
    const int32_t nel = m.nel();
    c.damage(m);
    UnitCapture out(kOut);
    int32_t status = 0;
    check::VemRask_04(nel, iv(m.meltyp), iv(m.mgetyp), iv(m.melgeo), iv(m.mnpc), iv(m.mpmnpc),
                      rv(m.tcoord), rv(m.tcrgeo), m.mxgepr, iv(m.melex), kOut, status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(out.text(), "\n  *** ERROR IN VemRask_04 ***\n      " + std::string(c.detail) + "\n");
  }
}

}  // namespace
