// The benchmark models: the share of transition ends that bench/README.md
// states, the kinks, the forces, and a model file that reads back through the
// recall layer as it was written.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/bench_model.h"
#include "bench/recall_session.h"
#include "check/check_detail.h"
#include "layout/model_arrays.h"
#include "platform/units.h"
#include "support/run_program.h"

namespace {

constexpr int32_t kMessageUnit = 43;

/// A model's structure arrays with views of them, as the check reads them.
struct Arrays {
  explicit Arrays(const bench::BenchModel& m) : arrays(bench::structure_arrays(m)) {
    pm = check::detail::pipe_model(m.plan.elements, ints("MELTYP"), ints("MELGEO"), ints("MGETYP"),
                                   ints("MNPC"), ints("MPMNPC"), reals("TCOORD"), reals("TCRGEO"),
                                   raf_tools::kGeometryWords);
  }
  raf_tools::ModelArray& find(const std::string& name) {
    for (raf_tools::ModelArray& a : arrays) {
      if (a.name == name) return a;
    }
    ADD_FAILURE() << "no array " << name;
    return arrays.front();
  }
  dms::Vec1<int32_t> ints(const std::string& name) {
    auto& v = find(name).values.ints;
    return {v.data(), static_cast<int64_t>(v.size())};
  }
  dms::Vec1<double> reals(const std::string& name) {
    auto& v = find(name).values.reals;
    return {v.data(), static_cast<int64_t>(v.size())};
  }
  std::vector<raf_tools::ModelArray> arrays;
  check::detail::PipeModel pm;
};

struct EndCounts {
  int64_t pipe_ends = 0;
  int64_t transitions = 0;
  int64_t angle_failures = 0;
};

EndCounts count_ends(const bench::BenchModel& m) {
  Arrays a(m);
  const check::detail::EndTable table = check::detail::build_end_table(a.pm);
  EndCounts n;
  for (int32_t e = 1; e <= a.pm.nel; ++e) {
    if (!check::detail::is_pipe(a.pm, e)) continue;
    for (int32_t k = 1; k <= 2; ++k) {
      ++n.pipe_ends;
      if (table.is_transition(e, k)) ++n.transitions;
      if (table.at(e, k).angle_failed) ++n.angle_failures;
    }
  }
  return n;
}

TEST(BenchModel, RealisticLayoutHasATransitionOnOneEndInTen) {
  for (const int32_t elements : {2500, 10000}) {
    SCOPED_TRACE(elements);
    const bench::BenchModel m = bench::make_model({elements, 0, bench::Layout::kRealistic});
    ASSERT_EQ(static_cast<int32_t>(m.model.elements.size()), elements);
    const EndCounts n = count_ends(m);
    // One string in fifty is not a pipe.
    EXPECT_EQ(n.pipe_ends, 2 * (elements - elements / 50));
    EXPECT_EQ(n.transitions * 10, n.pipe_ends);
    EXPECT_EQ(n.angle_failures, 0);
  }
}

TEST(BenchModel, EveryJointLayoutHasATransitionAtEveryInLineJoint) {
  const bench::BenchModel m = bench::make_model({2500, 0, bench::Layout::kEveryJoint});
  const EndCounts n = count_ends(m);
  EXPECT_EQ(n.pipe_ends, 5000);
  // 9 in-line joints per string of 10 elements.
  EXPECT_EQ(n.transitions, 250 * 9);
  EXPECT_EQ(n.angle_failures, 0);
}

TEST(BenchModel, GentleKinksStayInLineAndSharpOnesDoNot) {
  const bench::BenchModel m = bench::make_model({1000, 0, bench::Layout::kRealistic});
  Arrays a(m);
  const check::detail::EndTable table = check::detail::build_end_table(a.pm);
  // End 2 of element 5 of a string sits at the kink in the string's middle;
  // string 0 has a gentle kink, string 3 a sharp one.
  const auto middle = [&](int32_t string) {
    return table.at(string * bench::kStringElements + 5, 2);
  };
  EXPECT_GT(middle(0).t2, 0.0);
  EXPECT_EQ(middle(3).t2, 0.0);
  // The kink is a real one: the middle node is off the line of the string.
  const int32_t e = 5;
  const int32_t n1 = a.pm.mnpc(a.pm.mpmnpc(e));
  const int32_t n2 = a.pm.mnpc(a.pm.mpmnpc(e) + 1);
  const int32_t n3 = a.pm.mnpc(a.pm.mpmnpc(e + 1) + 1);
  double cross = 0.0;
  for (int64_t i = 1; i <= 3; ++i) {
    const int64_t j = i % 3 + 1;
    const double u_i = a.pm.tcoord(i, n2) - a.pm.tcoord(i, n1);
    const double u_j = a.pm.tcoord(j, n2) - a.pm.tcoord(j, n1);
    const double v_i = a.pm.tcoord(i, n3) - a.pm.tcoord(i, n2);
    const double v_j = a.pm.tcoord(j, n3) - a.pm.tcoord(j, n2);
    cross += std::fabs(u_i * v_j - u_j * v_i);
  }
  EXPECT_GT(cross, 1.0E-3);
}

TEST(BenchModel, ForcesChangeFromStepToStepAndBalance) {
  const bench::BenchModel m = bench::make_model({100, 0, bench::Layout::kRealistic});
  std::vector<double> one;
  std::vector<double> two;
  bench::step_forces(m, 1, one);
  bench::step_forces(m, 2, two);
  ASSERT_EQ(one.size(), 1200U);
  EXPECT_NE(one, two);
  for (std::size_t e = 0; e < 100; ++e) {
    EXPECT_EQ(one[12 * e + 6], -one[12 * e]) << e;  // axial force at end 2
    EXPECT_TRUE(std::isfinite(one[12 * e + 4]));
  }
  std::vector<double> again;
  bench::step_forces(m, 1, again);
  EXPECT_EQ(one, again);
}

TEST(BenchModel, FileReadsBackAsWritten) {
  test_support::TempDir dir;
  const bench::BenchModel m = bench::make_model({300, 3, bench::Layout::kRealistic});
  std::string error;
  ASSERT_TRUE(bench::write_model_file(m, dir / "model.raf", error)) << error;
  ASSERT_EQ(platform::open_text(kMessageUnit, (dir / "messages.txt").string(),
                                platform::OpenStatus::kUnknown),
            0);
  {
    bench::RecallSession session(dir / "model.raf", dir / "raf.log", kMessageUnit);
    ASSERT_EQ(session.error(), "");
    const dms::Vec1<int32_t> mstru = session.ints("MSTRU");
    ASSERT_GE(mstru.size(), raf_tools::kParamLststo);
    EXPECT_EQ(mstru(raf_tools::kParamNel), 300);
    EXPECT_EQ(mstru(raf_tools::kParamLststo), 3);
    const dms::Vec1<int32_t> mglres = session.ints("MGLRES");
    const int64_t lw = raf_tools::kGlobalWords;
    ASSERT_EQ(mglres.size(), 3 * lw);
    for (int64_t s = 1; s <= 3; ++s) {
      EXPECT_EQ(mglres(lw * (s - 1) + layout::mglres::kStep), s);
      EXPECT_EQ(mglres(lw * (s - 1) + layout::mglres::kLoadCase), 1);
      EXPECT_EQ(mglres(lw * (s - 1) + layout::mglres::kStored), 1);
    }
    for (int32_t s : {3, 1, 2}) {
      std::vector<double> expected;
      bench::step_forces(m, s, expected);
      const dms::Vec1<double> tfle = session.recall_reals("TFLE    ", s);
      ASSERT_EQ(tfle.size(), static_cast<int64_t>(expected.size())) << s;
      for (int64_t i = 1; i <= tfle.size(); ++i) {
        ASSERT_EQ(tfle(i), expected[static_cast<std::size_t>(i - 1)]) << s << " " << i;
      }
    }
  }
  platform::close_unit(kMessageUnit);
}

}  // namespace
