// The result-step pass: the step range, the step loop, the record update and
// the refusal of damaged model arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "check/check.h"
#include "check/check_detail.h"
#include "check_model.h"

namespace {

namespace tgepa = layout::tgepa;

using check_test::iv;
using check_test::Model;
using check_test::rv;
using check_test::Steps;
using check_test::UnitCapture;

constexpr int kOut = 42;
constexpr double kFy = 355e6;

// Steps of two load cases and a third, with a step without results and one
// with an undefined level.
Steps mixed_steps() {
  Steps st;
  st.add(1, 0.2, 0.01);
  st.add(1, 0.6, 0.02);
  st.add(2, 0.3, 0.03);
  st.add(2, 0.7, 0.04, 0);   // no stored results
  st.add(2, 1.0e100, 0.05);  // undefined level
  st.add(2, 0.5, 0.06);
  st.add(2, 0.9, 0.07);
  st.add(3, 0.1, 0.08);
  return st;
}

TEST(StepRange, LoadCaseAndLimit) {
  const struct {
    int32_t load_case, flag;
    double limit;
    int32_t last;
  } cases[] = {
      {0, 1, 0.1, 8},   // no load case: every stored step
      {2, 1, 0.5, 6},   // first level of load case 2 reaching 0.5, inclusive
      {2, 1, 0.65, 7},  // the step without results does not count
      {2, 0, 0.0, 7},   // no limit: the last defined step of the load case
      {9, 1, 0.0, 8},   // a load case that never occurs
      {1, 1, 99.0, 2},  // limit beyond the last step of load case 1
      {1, 1, 0.6, 2},  {1, 1, 0.2, 1}, {3, 1, 0.1, 8},
  };
  Steps st = mixed_steps();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.load_case) + " " + std::to_string(c.limit));
    EXPECT_EQ(
        check::LSTCHK(iv(st.mglres), rv(st.tglres), 10, st.count(), c.load_case, c.flag, c.limit),
        c.last);
  }
  EXPECT_EQ(check::LSTCHK(iv(st.mglres), rv(st.tglres), 10, 0, 2, 1, 0.5), 0);
}

TEST(StepRange, Undefined) {
  EXPECT_TRUE(check::ISUNDF(1.0e100));
  EXPECT_TRUE(check::ISUNDF(-1.0e100));
  EXPECT_TRUE(check::ISUNDF(NAN));
  EXPECT_TRUE(check::ISUNDF(-INFINITY));
  EXPECT_FALSE(check::ISUNDF(9.99e99));
  EXPECT_FALSE(check::ISUNDF(-9.99e99));
  EXPECT_FALSE(check::ISUNDF(0.0));
}

TEST(RecordUpdate, Rules) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double m, u;
    bool replaced;
  } cases[] = {
      {0.0, 0.5, true},      {0.5, 0.5, false},           {0.5, 0.4, false},
      {0.0, 0.0, false},     {-0.3, 0.0, true},           {0.0, -0.3, true},
      {-0.3, -0.4, true},    {-0.3, -0.3, false},         {-0.3, -0.2, false},
      {0.2, -0.9, false},    {0.0, nan, false},           {-0.3, nan, false},
      {0.0, INFINITY, true}, {INFINITY, INFINITY, false}, {0.0, -INFINITY, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.m) + " <- " + std::to_string(c.u));
    std::vector<double> block(20, 7.0);
    block[10] = c.m;
    check::detail::update_record(rv(block), 10, c.u, 2, 5, 1.5, 0.25, 3);
    if (c.replaced) {
      const std::vector<double> want = {c.u, 2.0, 5.0, 7.0, 7.0, 1.5, 0.25, 3.0, 7.0, 7.0};
      EXPECT_EQ(std::vector<double>(block.begin() + 10, block.end()), want);
    } else {
      EXPECT_EQ(block[10], c.m);
      EXPECT_EQ(block[11], 7.0);
    }
    EXPECT_EQ(std::vector<double>(block.begin(), block.begin() + 10), std::vector<double>(10, 7.0));
  }
}

// Can | tube | can in a line: both ends of the tube (element 2) are
// transition ends; a last tube (element 4) above the second can is one too.
Model tube_between_cans(int32_t mxgepr = 44) {
  Model m;
  m.mxgepr = mxgepr;
  const int32_t tube = m.pipe(1.2, 0.025), can = m.pipe(1.2, 0.04);
  const int32_t steel = m.material(1, kFy);
  int32_t n[5];
  for (int i = 0; i < 5; ++i) n[i] = m.node(0, 0, 2.0 * i);
  m.beam(can, steel, n[0], n[1]);
  m.beam(tube, steel, n[1], n[2]);
  m.beam(can, steel, n[2], n[3]);
  m.beam(tube, steel, n[3], n[4]);
  return m;
}

// Forces of one step: the same axial force (in the end-1 convention) at both
// ends of every element.
std::vector<double> axial(int32_t nel, double n) {
  std::vector<double> f(static_cast<std::size_t>(12 * nel), 0.0);
  for (int32_t e = 0; e < nel; ++e) {
    f[static_cast<std::size_t>(12 * e)] = n;
    f[static_cast<std::size_t>(12 * e + 6)] = -n;
  }
  return f;
}

struct PassRun {
  std::vector<double> block;
  int32_t status = 0;
  std::string out;
  std::string screen;
  std::vector<int32_t> recalled;
};

// Runs the pass with the forces of step s from forces_of(s).
template <class ForcesOf>
PassRun run_with(Model& m, Steps& st, ForcesOf forces_of, int32_t load_case = 0, int32_t flag = 0,
                 double limit = 0.0, int32_t fail_at = 0, int64_t records = -1,
                 int32_t values = 10) {
  PassRun r;
  r.block.assign(static_cast<std::size_t>((records < 0 ? m.nel() : records) * values), 0.0);
  auto provider = [&](int32_t step, int32_t& status) -> check::RealVec {
    r.recalled.push_back(step);
    if (step == fail_at) {
      status = -1;
      return {};
    }
    return forces_of(step);
  };
  UnitCapture out(kOut);
  testing::internal::CaptureStdout();
  check::result_step_pass(iv(st.mglres), rv(st.tglres), st.mxglpr, st.count(), m.nel(),
                          iv(m.meltyp), iv(m.melex), iv(m.melmat), iv(m.matyp), m.mxmapr,
                          rv(m.tmapa), iv(m.melgeo), iv(m.mgetyp), m.mxgepr, rv(m.tcrgeo),
                          iv(m.mpevec), rv(m.tgepa), rv(r.block), values, provider, load_case, flag,
                          limit, iv(m.mnpc), iv(m.mpmnpc), rv(m.tcoord), kOut, r.status);
  platform::flush_all_units();
  r.screen = testing::internal::GetCapturedStdout();
  r.out = out.text();
  return r;
}

PassRun run_pass(Model& m, Steps& st, std::vector<std::vector<double>>& forces,
                 int32_t load_case = 0, int32_t flag = 0, double limit = 0.0, int32_t fail_at = 0,
                 int64_t records = -1, int32_t values = 10) {
  return run_with(
      m, st, [&](int32_t step) { return rv(forces[static_cast<std::size_t>(step - 1)]); },
      load_case, flag, limit, fail_at, records, values);
}

double value(const PassRun& r, int32_t e, int32_t v) {
  return r.block[static_cast<std::size_t>(10 * (e - 1) + v - 1)];
}

TEST(StepPass, KeepsTheGoverningStepAndEnd) {
  Model m = tube_between_cans();
  Steps st;
  std::vector<std::vector<double>> forces;
  const double loads[] = {1.0e7, 3.0e7, 3.0e7, 2.0e7};
  for (int s = 0; s < 4; ++s) {
    st.add(1, 0.5 * (s + 1), 0.1 * (s + 1));
    forces.push_back(axial(m.nel(), loads[s]));
  }
  const PassRun r = run_pass(m, st, forces);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.screen, "\n Checking up to step :     4\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.recalled, (std::vector<int32_t>{1, 2, 3, 4}));
  // Element 2: equal U at both ends and at steps 2 and 3: end 1, step 2.
  EXPECT_GT(value(r, 2, 1), 0.0);
  EXPECT_EQ(value(r, 2, 2), 1.0);
  EXPECT_EQ(value(r, 2, 3), 2.0);
  EXPECT_EQ(value(r, 2, 6), 1.0);
  EXPECT_EQ(value(r, 2, 7), 0.2);
  EXPECT_EQ(value(r, 2, 8), 1.0);
  for (int v : {4, 5, 9, 10}) EXPECT_EQ(value(r, 2, v), 0.0);
  // Element 4: its end 1 only.
  EXPECT_EQ(value(r, 4, 1), value(r, 2, 1));
  EXPECT_EQ(value(r, 4, 2), 1.0);
  // The cans are not transition ends.
  EXPECT_EQ(value(r, 1, 1), 0.0);
  EXPECT_EQ(value(r, 3, 1), 0.0);
  EXPECT_EQ(value(r, 1, 3), 0.0);
}

TEST(StepPass, SkippedUndefinedAndFailingSteps) {
  Model m = tube_between_cans();
  Steps st;
  std::vector<std::vector<double>> forces;
  st.add(1, 1.0, 0.1);
  st.add(1, 2.0, 0.2, 0);  // skipped, not a stop
  st.add(1, 3.0, 0.3);
  st.add(1, 4.0, 1.0e100);  // undefined displacement: the loop ends
  st.add(1, 5.0, 0.5);
  const double loads[] = {1.0e7, 9.0e7, 2.0e7, 9.0e7, 9.0e7};
  for (double l : loads) forces.push_back(axial(m.nel(), l));

  const PassRun r = run_pass(m, st, forces);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.screen, "\n Checking up to step :     5\n");
  EXPECT_EQ(r.recalled, (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(value(r, 2, 3), 3.0);

  // A failing recall ends the pass; what earlier steps stored stays.
  const PassRun f = run_pass(m, st, forces, 0, 0, 0.0, 3);
  EXPECT_EQ(f.status, -1);
  EXPECT_EQ(f.out, "\n  *** ERROR IN VemRask_01  ***\n");
  EXPECT_EQ(value(f, 2, 3), 1.0);

  // A step limit: load case 1 up to 2.5 (step 3, the first defined step
  // reaching it), and a load case that leaves nothing to check.
  const PassRun l = run_pass(m, st, forces, 1, 1, 2.5);
  EXPECT_EQ(l.screen, "\n Checking up to step :     3\n");
  Steps none;
  const PassRun z = run_pass(m, none, forces);
  EXPECT_EQ(z.screen, "\n Checking up to step :     0\n");
  EXPECT_TRUE(z.recalled.empty());
}

TEST(StepPass, FailingAngleReportedAtEveryCheckedStep) {
  Model m;
  const int32_t g1 = m.pipe(1.2, 0.025), g2 = m.pipe(1.2, 0.03), g3 = m.pipe(1.2, 0.04);
  const int32_t steel = m.material(1, kFy), other = m.material(2, kFy);
  const int32_t n1 = m.node(-1, 0, 0), n2 = m.node(0, 0, 0), n3 = m.node(9e-162, 0, 0),
                n4 = m.node(1.3e154, 0, 0);
  m.beam(g1, steel, n1, n2);
  m.beam(g2, steel, n2, n3);
  m.beam(g3, other, n3, n4);  // not a checked material: no message from it
  Steps st;
  std::vector<std::vector<double>> forces;
  for (int s = 0; s < 3; ++s) {
    st.add(1, s + 1.0, 0.0, s == 1 ? 0 : 1);
    forces.push_back(axial(m.nel(), 1.0e7));
  }
  const PassRun r = run_pass(m, st, forces);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "*** ERROR IN MSC_0119 ***\n*** ERROR IN MSC_0119 ***\n");
  EXPECT_GT(value(r, 1, 1), 0.0);  // element 1 meets element 2 at coincident nodes
  EXPECT_EQ(value(r, 2, 1), 0.0);
}

TEST(StepPass, UndefinedUtilisationsNeverReplace) {
  Model m = tube_between_cans();
  m.mapa(layout::tmapa::kYieldStrength, 1) = 0.0;  // zero yield strength: 0/0
  Steps st;
  st.add(1, 1.0, 0.1);
  std::vector<std::vector<double>> forces = {axial(m.nel(), 1.0e7)};
  const PassRun r = run_pass(m, st, forces);
  EXPECT_EQ(r.status, 0);
  for (double v : r.block) EXPECT_EQ(v, 0.0);
}

TEST(StepPass, DamagedArraysAreRefused) {
  struct Case {
    const char* detail;
    void (*damage)(Model&, Steps&, std::vector<std::vector<double>>&);
    int64_t records = -1;
    int32_t values = 10;
  };
  using F = std::vector<std::vector<double>>;
  const Case cases[] = {
      {"NEL is 4; the result block holds 3 element records", [](Model&, Steps&, F&) {}, 3},
      {"values per element is 7; an element record needs 8", [](Model&, Steps&, F&) {}, 4, 7},
      {"MELMAT of element 2 is 3; MATYP has 1 entries",
       [](Model& m, Steps&, F&) { m.melmat[1] = 3; }},
      {"MXMAPR is 2; element 1 needs word 3 of TMAPA", [](Model& m, Steps&, F&) { m.mxmapr = 2; }},
      {"MELMAT of element 1 is 1; TMAPA has 0 columns",
       [](Model& m, Steps&, F&) { m.tmapa.resize(2); }},
      {"MXGLPR is 9; word 10 of MGLRES is needed", [](Model&, Steps& s, F&) { s.mxglpr = 9; }},
      {"LSTSTO is 2; MGLRES holds 1 steps of 10 words",
       [](Model&, Steps& s, F&) {
         s.lststo = 2;
         s.mglres.resize(15);
       }},
      {"LSTSTO is 2; TGLRES holds 1 steps of 10 words",
       [](Model&, Steps& s, F&) {
         s.lststo = 2;
         s.tglres.resize(12);
       }},
      {"MPEVEC has 3 entries; NEL is 4", [](Model& m, Steps&, F&) { m.mpevec.pop_back(); }},
      {"MXGEPR is 30; element 2 needs word 41 of TGEPA",
       [](Model& m, Steps&, F&) {
         m = tube_between_cans(30);
         m.gepa(tgepa::kPerEndFlag, 1) = 1.0;  // per-end properties for the tube section
       }},
      {"MELGEO of element 2 is 1; TGEPA has 0 columns",
       [](Model& m, Steps&, F&) { m.tgepa.resize(19); }},
      {"MPEVEC of element 4 is 37; TFLE has 47 values",
       [](Model&, Steps&, F& f) { f[1].pop_back(); }},
      {"MPEVEC of element 2 is 0; TFLE has 48 values",
       [](Model& m, Steps&, F&) { m.mpevec[1] = 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.detail);
    Model m = tube_between_cans();
    Steps st;
    st.add(1, 1.0, 0.1);
    st.add(1, 2.0, 0.2);
    F forces = {axial(m.nel(), 1.0e7), axial(m.nel(), 2.0e7)};
    c.damage(m, st, forces);
    const PassRun r = run_pass(m, st, forces, 0, 0, 0.0, 0, c.records, c.values);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.out, "\n  *** ERROR IN VemRask_01  ***\n      " + std::string(c.detail) + "\n");
    if (r.recalled.empty()) {
      EXPECT_EQ(r.screen, "");  // refused before anything was read
      for (double v : r.block) EXPECT_EQ(v, 0.0);
    }
  }
}

TEST(StepPass, LargeModelFindsTheTransitionEnds) {
  // 60,000 elements in one line, a can every fourth element (scanning the
  // element list for every end would take hours; the time of a step is the
  // ResultPassStep benchmark's, bench/micro_benchmarks.cpp).
  Model m;
  const int32_t tube = m.pipe(1.2, 0.025), can = m.pipe(1.2, 0.04);
  const int32_t steel = m.material(1, kFy);
  const int32_t nel = 60000;
  int32_t previous = m.node(0, 0, 0);
  for (int32_t e = 1; e <= nel; ++e) {
    const int32_t next = m.node(0, 0, e);
    m.beam(e % 4 == 0 ? can : tube, steel, previous, next);
    previous = next;
  }
  Steps st;
  for (int s = 0; s < 20; ++s) st.add(1, s + 1.0, 0.0);
  std::vector<double> forces;
  auto forces_of = [&](int32_t step) {
    forces = axial(nel, 1.0e6 * step);
    return rv(forces);
  };
  const PassRun r = run_with(m, st, forces_of);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(value(r, 3, 3), 20.0);  // the tube before a can, at the last step
  EXPECT_EQ(value(r, 5, 2), 1.0);   // the tube after a can: its end 1
  EXPECT_EQ(value(r, 2, 1), 0.0);   // between two tubes
}

}  // namespace
