// The passes with their per-file precomputation against the straightforward
// evaluation: every end of every element at every step through the
// single-end routines (which scan the element list for every node), on
// randomised models.  Result blocks must agree bit for bit and the output
// files byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "check/check.h"
#include "check_model.h"
#include "textio/textio.h"

namespace {

using check_test::iv;
using check_test::Model;
using check_test::rv;
using check_test::Steps;
using check_test::UnitCapture;

constexpr int kOut = 43;
constexpr double kPi = 3.141592653589793;

struct Case {
  Model m;
  Steps st;
  std::vector<std::vector<double>> forces;
  int32_t load_case = 0;
  int32_t flag = 0;
  double limit = 0.0;
  int32_t fail_at = 0;  ///< step whose recall fails (0: none)
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  Case make() {
    Case c;
    Model& m = c.m;
    sections(m);
    m.material(1, 355e6);
    m.material(1, chance(0.1) ? 0.0 : 250e6);
    m.material(2, 355e6);
    const int members = pick(1, 4);
    for (int i = 0; i < members; ++i) member(m);
    const int extras = pick(0, 4);
    for (int i = 0; i < extras; ++i) extra(m);
    // Force vectors: in element order or shuffled inside a longer TFLE.
    const int32_t nel = m.nel();
    std::vector<int32_t> slots(static_cast<std::size_t>(nel + pick(0, 3)));
    for (std::size_t i = 0; i < slots.size(); ++i) slots[i] = static_cast<int32_t>(12 * i + 1);
    if (chance(0.5)) std::shuffle(slots.begin(), slots.end(), rng_);
    for (int32_t e = 0; e < nel; ++e)
      m.mpevec[static_cast<std::size_t>(e)] = slots[static_cast<std::size_t>(e)];
    steps(c, static_cast<int32_t>(slots.size() * 12));
    return c;
  }

 private:
  std::mt19937 rng_;

  bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < p; }
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  template <class T, std::size_t N>
  T any(const T (&values)[N]) {
    return values[static_cast<std::size_t>(pick(0, static_cast<int>(N) - 1))];
  }

  void sections(Model& m) {
    const double ds[] = {1.0, 1.1, 1.2, 1.2, 1.215, 1.216, 1.25, 1.5};
    const double ts[] = {0.02, 0.025, 0.025, 0.03, 0.0375, 0.04, 0.05};
    const int count = pick(3, 8);
    for (int i = 0; i < count; ++i) {
      const double d = any(ds);
      double t = any(ts);
      if (chance(0.04)) t = 0.0;     // undefined ratios
      if (chance(0.06)) t = 1.0e-4;  // D/T far beyond the tables: negative kappa1
      double d_end2 = 0.0;
      if (chance(0.25)) d_end2 = any(ds);
      if (chance(0.08)) d_end2 = 1.0e-8;
      if (chance(0.05)) d_end2 = -1.0;
      const int32_t g = m.section(chance(0.85) ? 1 : 2, d, t, d_end2);
      namespace tgepa = layout::tgepa;
      if (chance(0.05)) m.gepa(tgepa::kArea, g) = 0.0;
      const double flags[] = {0.0, 0.0, 1.0, 0.5, 1.5, NAN};
      m.gepa(tgepa::kPerEndFlag, g) = any(flags);
      for (const int32_t end : {1, 2}) {
        for (const int32_t w : {tgepa::kArea, tgepa::kInertia3, tgepa::kInertia4}) {
          m.gepa(tgepa::end_offset(end) + w, g) = real(0.5, 2.0) * m.gepa(w, g);
        }
      }
    }
  }

  int32_t beam_type() { return chance(0.92) ? check::kBeamElement : 18; }
  int32_t geometry(const Model& m) { return pick(1, static_cast<int>(m.mgetyp.size())); }
  int32_t material(const Model& m) { return pick(1, static_cast<int>(m.matyp.size())); }

  // A line of elements with kinks, coincident nodes and failing joints.
  void member(Model& m) {
    double p[3] = {real(-10, 10), real(-10, 10), real(-10, 10)};
    double dir[3] = {0.0, 0.0, 1.0};
    int32_t node = m.node(p[0], p[1], p[2]);
    int32_t g = geometry(m);
    const int length = pick(2, 9);
    for (int i = 0; i < length; ++i) {
      const double turns[] = {0.0, 0.0, 0.0, 5.0, 30.0, 39.999, 40.0, 40.001, 45.0, 90.0};
      const double turn = any(turns) * kPi / 180.0;
      const double c = std::cos(turn), s = std::sin(turn);
      const double x = dir[0];
      dir[0] = c * x - s * dir[2];
      dir[2] = s * x + c * dir[2];
      double step = real(0.5, 3.0);
      if (chance(0.06)) step = 0.0;  // coincident with the joint
      if (chance(0.05)) {
        // A joint whose angle cannot be computed: near the origin, a
        // segment of subnormal squared length followed by a huge one.
        const int32_t a = m.node(9.0e-162, 0.0, 0.0);
        const int32_t j = m.node(0.0, 0.0, 0.0);
        const double far = chance(0.5) ? 1.3e154 : -1.3e154;
        const int32_t b = m.node(far, 0.0, 0.0);
        m.beam(geometry(m), material(m), node, a);
        m.beam(geometry(m), material(m), a, j);
        m.beam(geometry(m), material(m), j, b);
        node = b;
        p[0] = far;
        p[1] = p[2] = 0.0;
      }
      for (int k = 0; k < 3; ++k) p[k] += step * dir[k];
      const int32_t next = m.node(p[0], p[1], p[2]);
      if (chance(0.6)) g = geometry(m);
      const int32_t type = beam_type();
      if (chance(0.5)) {
        m.element(type, g, material(m), {node, next});
      } else {
        m.element(type, g, material(m), {next, node});  // reversed: shares its end 2
      }
      node = next;
    }
  }

  // Braces, springs and odd node lists at existing nodes.
  void extra(Model& m) {
    const int32_t nodes = static_cast<int32_t>(m.tcoord.size() / 3);
    const int32_t at = pick(1, nodes);
    switch (pick(0, 4)) {
      case 0: {
        const int32_t far = m.node(real(-10, 10), real(-10, 10), real(-10, 10));
        m.beam(geometry(m), material(m), at, far);  // a brace
        break;
      }
      case 1:
        m.element(18, geometry(m), material(m), {at});  // a spring
        break;
      case 2:
        m.element(check::kBeamElement, geometry(m), material(m),
                  {at, pick(1, nodes), pick(1, nodes)});
        break;
      case 3:
        m.element(check::kBeamElement, geometry(m), material(m), {at, at});
        break;
      default:
        // A one-node beam reads the next element's first node as its end 2.
        m.element(check::kBeamElement, geometry(m), material(m), {at});
        m.beam(geometry(m), material(m), pick(1, nodes), at);
        break;
    }
  }

  void steps(Case& c, int32_t tfle_length) {
    const int count = pick(1, 7);
    double t = 0.0;
    for (int s = 0; s < count; ++s) {
      t += real(0.0, 1.0);
      double value = t;
      if (chance(0.05)) value = 1.0e100;
      const double g = chance(0.03) ? -2.0e100 : real(-1.0, 1.0);
      c.st.add(pick(1, 2), value, g, chance(0.85) ? 1 : 0);
      std::vector<double> f(static_cast<std::size_t>(tfle_length));
      for (std::size_t i = 0; i < f.size(); ++i) {
        const bool axial = i % 6 == 0;
        f[i] = axial ? real(-3.0e7, 3.0e7) : real(-4.0e6, 4.0e6);
        if (chance(0.01)) f[i] *= 1.0e3;
      }
      c.forces.push_back(std::move(f));
    }
    const int32_t cases[] = {0, 1, 2, 5};
    c.load_case = any(cases);
    c.flag = chance(0.5) ? 1 : 0;
    c.limit = real(0.0, 4.0);
    c.fail_at = chance(0.1) ? pick(1, count) : 0;
  }
};

// The straightforward evaluation, written from the routines' descriptions.
void naive_geometry_pass(Model& m, int unit) {
  bool listed = false;
  for (int32_t e = 1; e <= m.nel(); ++e) {
    if (m.meltyp[e - 1] != 15 || m.mgetyp[m.melgeo[e - 1] - 1] != 1) continue;
    for (int32_t k = 1; k <= 2; ++k) {
      double d, t, d2, t2;
      int32_t tapered = 0, status = 0, flag = 0;
      check::MSC_0127(e, k, iv(m.mnpc), iv(m.mpmnpc), iv(m.meltyp), iv(m.melgeo), rv(m.tcrgeo),
                      m.mxgepr, iv(m.mgetyp), rv(m.tcoord), m.nel(), d, t, d2, t2, tapered, unit,
                      status);
      check::THKJMP(d, t, d2, t2, flag);
      if (flag != 1) continue;
      if (!listed) {
        listed = true;
        for (const char* line :
             {"", "", "     ----      P a n C a k e    C h e c k i n g                       -----",
              "", "",
              "   Element_ID  End     D/T    ThickRatio  Diam      Thick      D2        T2 "}) {
          platform::write_record(unit, line);
        }
      }
      platform::write_record(
          unit, "  " + textio::int_field(m.melex[e - 1], 9) + textio::int_field(k, 6) +
                    textio::fixed_field(d / t, 10, 1) + textio::fixed_field(t2 / t, 10, 3) +
                    textio::fixed_field(d, 10, 3) + textio::fixed_field(t, 10, 3) +
                    textio::fixed_field(d2, 10, 3) + textio::fixed_field(t2, 10, 3));
    }
  }
}

void naive_step_pass(Case& c, std::vector<double>& block, int unit, int32_t& status) {
  Model& m = c.m;
  Steps& st = c.st;
  const int32_t n = check::LSTCHK(iv(st.mglres), rv(st.tglres), st.mxglpr, st.count(), c.load_case,
                                  c.flag, c.limit);
  for (int32_t s = 1; s <= n; ++s) {
    if (st.mg(s, layout::mglres::kStored) == 0) continue;
    const double t = st.tg(s, layout::tglres::kStepValue);
    const double g = st.tg(s, layout::tglres::kDisplacement);
    const int32_t lc = st.mg(s, layout::mglres::kLoadCase);
    if (check::ISUNDF(t) || check::ISUNDF(g)) return;
    if (s == c.fail_at) {
      platform::write_record(unit, "");
      platform::write_record(unit, "  *** ERROR IN VemRask_01  ***");
      status = -1;
      return;
    }
    auto& tfle = c.forces[static_cast<std::size_t>(s - 1)];
    for (int32_t e = 1; e <= m.nel(); ++e) {
      const int32_t mat = m.melmat[e - 1];
      if (m.meltyp[e - 1] != 15 || m.mgetyp[m.melgeo[e - 1] - 1] != 1 || m.matyp[mat - 1] != 1) {
        continue;
      }
      const double fy = m.mapa(layout::tmapa::kYieldStrength, mat);
      for (int32_t k = 1; k <= 2; ++k) {
        double u = 0.0;
        int32_t flag = 0, local = 0;
        check::ISO_Buck00(e, m.nel(), k, iv(m.meltyp), iv(m.mgetyp), iv(m.mnpc), iv(m.mpmnpc),
                          iv(m.melgeo), rv(m.tcrgeo), rv(m.tgepa), m.mxgepr, fy, rv(tfle),
                          iv(m.mpevec), rv(m.tcoord), unit, u, flag, local);
        double* r = &block[static_cast<std::size_t>(10 * (e - 1))];
        const double old = r[0];
        bool replace = false;
        if (u >= 0.0) replace = u > old;
        if (u < 0.0) replace = old <= 0.0 && std::fabs(u) > std::fabs(old);
        if (replace) {
          r[0] = u;
          r[1] = k;
          r[2] = s;
          r[5] = t;
          r[6] = g;
          r[7] = lc;
        }
      }
    }
  }
}

struct Coverage {
  int transitions = 0;
  int angle_errors = 0;
  int negative = 0;
  int zero_over_negative = 0;
  int recall_failures = 0;
};

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Equivalence, PrecomputedPassesMatchTheStraightforwardEvaluation) {
  Coverage cover;
  constexpr int kModels = 400;
  for (int i = 0; i < kModels; ++i) {
    SCOPED_TRACE("model " + std::to_string(i));
    Case c = Generator(static_cast<uint32_t>(1000 + i)).make();
    Model& m = c.m;
    const std::size_t values = static_cast<std::size_t>(10 * m.nel());

    std::vector<double> fast(values, 0.0);
    int32_t fast_status = 0;
    std::string fast_out;
    std::string screen;
    {
      UnitCapture out(kOut);
      check::VemRask_04(m.nel(), iv(m.meltyp), iv(m.mgetyp), iv(m.melgeo), iv(m.mnpc), iv(m.mpmnpc),
                        rv(m.tcoord), rv(m.tcrgeo), m.mxgepr, iv(m.melex), kOut, fast_status);
      ASSERT_EQ(fast_status, 0);
      auto provider = [&](int32_t step, int32_t& status) -> check::RealVec {
        if (step == c.fail_at) {
          status = -1;
          return {};
        }
        return rv(c.forces[static_cast<std::size_t>(step - 1)]);
      };
      testing::internal::CaptureStdout();
      check::result_step_pass(
          iv(c.st.mglres), rv(c.st.tglres), 10, c.st.count(), m.nel(), iv(m.meltyp), iv(m.melex),
          iv(m.melmat), iv(m.matyp), m.mxmapr, rv(m.tmapa), iv(m.melgeo), iv(m.mgetyp), m.mxgepr,
          rv(m.tcrgeo), iv(m.mpevec), rv(m.tgepa), rv(fast), 10, provider, c.load_case, c.flag,
          c.limit, iv(m.mnpc), iv(m.mpmnpc), rv(m.tcoord), kOut, fast_status);
      platform::flush_all_units();
      screen = testing::internal::GetCapturedStdout();
      fast_out = out.text();
    }

    std::vector<double> slow(values, 0.0);
    int32_t slow_status = 0;
    std::string slow_out;
    {
      UnitCapture out(kOut);
      naive_geometry_pass(m, kOut);
      naive_step_pass(c, slow, kOut, slow_status);
      slow_out = out.text();
    }

    const int32_t n = check::LSTCHK(iv(c.st.mglres), rv(c.st.tglres), 10, c.st.count(), c.load_case,
                                    c.flag, c.limit);
    EXPECT_EQ(screen, "\n Checking up to step : " + textio::int_field(n, 5) + "\n");
    EXPECT_EQ(fast_status, slow_status);
    EXPECT_EQ(fast_out, slow_out);
    ASSERT_EQ(fast.size(), slow.size());
    EXPECT_EQ(std::memcmp(fast.data(), slow.data(), fast.size() * sizeof(double)), 0);

    cover.angle_errors += count_of(slow_out, "MSC_0119");
    cover.transitions += count_of(slow_out, "\n       ");
    cover.recall_failures += slow_status != 0 ? 1 : 0;
    for (int32_t e = 0; e < m.nel(); ++e) {
      const double u = slow[static_cast<std::size_t>(10 * e)];
      if (u < 0.0) ++cover.negative;
      if (u == 0.0 && slow[static_cast<std::size_t>(10 * e + 2)] != 0.0) ++cover.zero_over_negative;
    }
  }
  // The models reach the cases that matter.
  EXPECT_GT(cover.transitions, kModels / 2);
  EXPECT_GT(cover.angle_errors, 10);
  EXPECT_GT(cover.negative, 0);
  EXPECT_GT(cover.zero_over_negative, 0);
  EXPECT_GT(cover.recall_failures, 5);
}

}  // namespace
