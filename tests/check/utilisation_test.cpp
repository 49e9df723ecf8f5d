// Pancake utilisation of one element end: table interpolation, the reduction
// factors, the section stresses and the end evaluation.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "check/check.h"
#include "check_model.h"

namespace {

namespace tgepa = layout::tgepa;

using check_test::iv;
using check_test::Model;
using check_test::rv;

constexpr double kFy = 355e6;

double tabint(double x, const std::vector<double>& table) {
  return check::TABINT(x, dms::Vec1<const double>(table.data(), static_cast<int64_t>(table.size())),
                       static_cast<int32_t>(table.size() / 2));
}

TEST(TableInterpolation, InsideAndBeyondBothEnds) {
  const std::vector<double> t = {0.0, 100.0, 10.0, 10.0, 20.0, 2.0, 30.0, 1.0, 100.0, 1.0};
  EXPECT_EQ(tabint(10.0, t), 10.0);
  EXPECT_EQ(tabint(20.0, t), 2.0);
  EXPECT_EQ(tabint(25.0, t), 1.5);
  EXPECT_EQ(tabint(15.0, t), 6.0);
  EXPECT_EQ(tabint(100.0, t), 1.0);
  EXPECT_EQ(tabint(500.0, t), 1.0);   // flat last segment continues
  EXPECT_EQ(tabint(-5.0, t), 145.0);  // first segment's slope continues
  const std::vector<double> rising = {1.0, 2.0, 3.0, 6.0};
  EXPECT_EQ(tabint(5.0, rising), 10.0);  // no clamping at the top
  EXPECT_TRUE(std::isnan(tabint(NAN, t)));
}

// PCKUTL with the effective stress at yield: 1 / (kappa1 * kappa2).
double at_yield(double dt, double ratio, int32_t tapered = 0) {
  const double t = 0.02;
  return check::PCKUTL(kFy, kFy, kFy, dt * t, t, ratio * t, tapered);
}

TEST(Utilisation, ReductionFactors) {
  // Thickness ratio 1.5, D/T 25: kappa1 is the table's single-precision
  // 0.948, kappa2 is 1.5.
  const double k1 = static_cast<double>(0.948F);
  EXPECT_EQ(at_yield(25.0, 1.5), kFy / (kFy * k1 * 1.5));
  EXPECT_NE(at_yield(25.0, 1.5), kFy / (kFy * 0.948 * 1.5));
  // D/T 10: kappa1 = 1.05 exactly, kappa2 = 10.
  EXPECT_EQ(at_yield(10.0, 1.5), kFy / (kFy * 1.05 * 10.0));
  // D/T 20: kappa2 = 2; kappa1 between the points 10 and 25.
  const double k1_20 = 1.05 + (k1 - 1.05) / 15.0 * 10.0;
  EXPECT_DOUBLE_EQ(at_yield(20.0, 1.5), 1.0 / (k1_20 * 2.0));
  // D/T 50 and above: kappa2 = 1; thickness ratio 2 at D/T 150.
  EXPECT_DOUBLE_EQ(at_yield(150.0, 2.0), 1.0 / static_cast<double>(0.847F));
  // Between table points in both directions: r = 1.25 at D/T 65.
  const double r80 = 0.955F + (0.945F - 0.955F) / (1.3F - 1.2F) * (1.25 - 1.2F);
  const double r50 = 0.959F + (0.948F - 0.959F) / (1.3F - 1.2F) * (1.25 - 1.2F);
  EXPECT_NEAR(at_yield(65.0, 1.25), 1.0 / (r50 + (r80 - r50) / 30.0 * 15.0), 1e-9);
}

TEST(Utilisation, ThicknessRatioAndTaper) {
  EXPECT_EQ(at_yield(25.0, 1.0), 0.0);                     // no thicker neighbour
  EXPECT_EQ(at_yield(25.0, 1.0 + 1e-12), 0.0);             // not beyond 1.0000000001
  EXPECT_EQ(at_yield(25.0, 1.2, 1), at_yield(25.0, 1.5));  // tapered: raised to 1.5
  EXPECT_EQ(at_yield(25.0, 1.0, 1), at_yield(25.0, 1.5));
  EXPECT_EQ(at_yield(25.0, 1.8, 1), at_yield(25.0, 1.8));  // above 1.5: as it is
  EXPECT_GT(at_yield(25.0, 2.5), at_yield(25.0, 2.0));     // beyond 2.0 the slope continues
}

TEST(Utilisation, EffectiveStress) {
  const double d = 1.0, t = 0.02, t2 = 0.03;
  const double full = check::PCKUTL(kFy, 0.0, kFy, d, t, t2, 0);
  EXPECT_EQ(check::PCKUTL(-50e6, 10e6, kFy, d, t, t2, 0), 0.0);    // negative: no utilisation
  EXPECT_EQ(check::PCKUTL(300e6, 300e6, kFy, d, t, t2, 0), full);  // capped at yield
  EXPECT_DOUBLE_EQ(check::PCKUTL(100e6, 77.5e6, kFy, d, t, t2, 0), full * 0.5);
  // Undefined stresses give no utilisation; a zero yield strength gives an
  // undefined one (no guard, the record update sorts it out).
  EXPECT_EQ(check::PCKUTL(NAN, 0.0, kFy, d, t, t2, 0), 0.0);
  EXPECT_TRUE(std::isnan(check::PCKUTL(100e6, 0.0, 0.0, d, t, t2, 0)));
}

TEST(SectionStresses, AxialAndBendingAtBothEnds) {
  Model m;
  const int32_t g = m.pipe(1.2, 0.025);
  std::vector<double> f = {1.0e6,  5.0, 6.0, 7.0, 2.0e5, -3.0e5,
                           -4.0e6, 1.0, 1.0, 1.0, 8.0e5, 1.0e5};
  std::array<double, 5> s{};
  check::SECSTR(1, g, 1, rv(f), rv(m.tcrgeo), rv(m.tgepa), m.mxgepr, s);
  const double a = m.gepa(tgepa::kArea, g), i3 = m.gepa(tgepa::kInertia3, g),
               i4 = m.gepa(tgepa::kInertia4, g), r = 0.6;
  EXPECT_DOUBLE_EQ(s[4], -1.0e6 / a);
  EXPECT_DOUBLE_EQ(s[0], -1.0e6 / a - 2.0e5 / (i4 / r));
  EXPECT_DOUBLE_EQ(s[1], -1.0e6 / a + 2.0e5 / (i4 / r));
  EXPECT_DOUBLE_EQ(s[2], -1.0e6 / a - 3.0e5 / (i3 / r));
  EXPECT_DOUBLE_EQ(s[3], -1.0e6 / a + 3.0e5 / (i3 / r));
  // End 2 takes values 7..12 with their signs reversed.
  check::SECSTR(1, g, 2, rv(f), rv(m.tcrgeo), rv(m.tgepa), m.mxgepr, s);
  EXPECT_DOUBLE_EQ(s[4], -4.0e6 / a);
  EXPECT_DOUBLE_EQ(s[0], -4.0e6 / a + 8.0e5 / (i4 / r));
  EXPECT_DOUBLE_EQ(s[2], -4.0e6 / a - 1.0e5 / (i3 / r));
  // Not a pipe: nothing evaluated.
  check::SECSTR(2, g, 1, rv(f), rv(m.tcrgeo), rv(m.tgepa), m.mxgepr, s);
  EXPECT_EQ(s, (std::array<double, 5>{0, 0, 0, 0, 0}));
}

TEST(SectionStresses, PerEndPropertiesAndTaperedDiameter) {
  const struct {
    double flag;
    bool per_end;
  } flags[] = {{0.0, false}, {0.49, false}, {0.5, true},  {1.0, true},       {1.49, true},
               {1.5, false}, {-1.0, false}, {NAN, false}, {INFINITY, false}, {1e300, false}};
  for (const auto& c : flags) {
    SCOPED_TRACE(c.flag);
    Model m;
    const int32_t g = m.pipe(1.2, 0.025);
    m.gepa(tgepa::kPerEndFlag, g) = c.flag;
    m.gepa(tgepa::kEnd1Offset + tgepa::kArea, g) =
        2.0 * m.gepa(tgepa::kArea, g);  // end 1 area doubled
    m.gepa(tgepa::kEnd2Offset + tgepa::kArea, g) =
        4.0 * m.gepa(tgepa::kArea, g);  // end 2 area quadrupled
    std::vector<double> f(12, 0.0);
    f[0] = 1.0e6;
    f[6] = -1.0e6;
    std::array<double, 5> s{};
    check::SECSTR(1, g, 1, rv(f), rv(m.tcrgeo), rv(m.tgepa), m.mxgepr, s);
    EXPECT_DOUBLE_EQ(s[4], -1.0e6 / (m.gepa(tgepa::kArea, g) * (c.per_end ? 2.0 : 1.0)));
    check::SECSTR(1, g, 2, rv(f), rv(m.tcrgeo), rv(m.tgepa), m.mxgepr, s);
    EXPECT_DOUBLE_EQ(s[4], -1.0e6 / (m.gepa(tgepa::kArea, g) * (c.per_end ? 4.0 : 1.0)));
  }
  // The stress evaluation takes word 6 as a taper only above 1.0E-6.
  std::vector<double> column = {0.0, 1.2, 0.025, 0.0, 0.0, 1.0e-8};
  EXPECT_EQ(check::PIPDIM(rv(column), 2), 1.2);
  EXPECT_DOUBLE_EQ(column[0], 1.15);
  column[5] = 1.0;
  EXPECT_EQ(check::PIPDIM(rv(column), 2), 1.0);
  EXPECT_EQ(check::PIPDIM(rv(column), 1), 1.2);
}

TEST(EndEvaluation, TransitionEndsOnly) {
  // A 25 mm tube meeting a 40 mm can at node 2.
  Model m;
  const int32_t tube = m.pipe(1.2, 0.025), can = m.pipe(1.2, 0.04);
  const int32_t steel = m.material(1, kFy);
  const int32_t n1 = m.node(0, 0, 0), n2 = m.node(0, 0, 2), n3 = m.node(0, 0, 4);
  const int32_t e1 = m.beam(tube, steel, n1, n2);
  const int32_t e2 = m.beam(can, steel, n2, n3);
  std::vector<double> tfle(24, 0.0);
  tfle[6] = -2.0e7;  // end 2 axial force of element 1 (signs reversed at end 2)
  tfle[11] = 1.0e6;  // end 2 moment
  auto evaluate = [&](int32_t e, int32_t k, int32_t& flag) {
    double u = -1.0;
    int32_t status = 0;
    const double r =
        check::ISO_Buck00(e, m.nel(), k, iv(m.meltyp), iv(m.mgetyp), iv(m.mnpc), iv(m.mpmnpc),
                          iv(m.melgeo), rv(m.tcrgeo), rv(m.tgepa), m.mxgepr, kFy, rv(tfle),
                          iv(m.mpevec), rv(m.tcoord), 0, u, flag, status);
    EXPECT_EQ(r, u);
    EXPECT_EQ(status, 0);
    return r;
  };
  int32_t flag = -1;
  const double u = evaluate(e1, 2, flag);
  EXPECT_EQ(flag, 1);
  // sigma_n = F1/A, sigma_b = R * |M| / I with the end-2 signs reversed.
  std::array<double, 5> s{};
  check::SECSTR(1, tube, 2, check::RealVec(tfle.data(), 12), rv(m.tcrgeo), rv(m.tgepa), m.mxgepr,
                s);
  const double sb = std::sqrt((s[0] - s[4]) * (s[0] - s[4]) + (s[2] - s[4]) * (s[2] - s[4]));
  EXPECT_EQ(u, check::PCKUTL(0.0 - s[4], sb, kFy, 1.2, 0.025, 0.04, 0));
  // Independently: D/T 48 and ratio 1.6 interpolated between D/T 35 and 50.
  const double k35 = 0.943 + (0.94 - 0.943) / 0.5 * 0.1;
  const double k50 = 0.935 + (0.896 - 0.935) / 0.5 * 0.1;
  const double kappa1 = k35 + (k50 - k35) / 15.0 * 13.0;
  const double sigma =
      2.0e7 / m.gepa(tgepa::kArea, tube) + 0.6 * 1.0e6 / m.gepa(tgepa::kInertia3, tube);
  EXPECT_NEAR(u, sigma / (kFy * kappa1), 1e-6 * u);
  EXPECT_GT(u, 0.0);
  EXPECT_EQ(evaluate(e1, 1, flag), 0.0);  // no neighbour
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(evaluate(e2, 1, flag), 0.0);  // the thicker side
  EXPECT_EQ(flag, 0);
}

}  // namespace
