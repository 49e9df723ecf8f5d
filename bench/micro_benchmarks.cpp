// Micro-benchmarks of the hot path of a RAF file's check, on the benchmark
// models of bench_model.h:
//
//   IsoBuck00/N        one end through the single-end routine ISO_Buck00
//                      (it scans the element list of N elements for the
//                      joint), as the geometry of an end was once found at
//                      every step
//   EndUtilisation     one transition end as the step loop evaluates it,
//                      from the factors worked out once per file
//   ResultPassStep/L/C 64 steps of the result-step pass over 10,000 elements
//                      (L 0: realistic layout, 1: every joint a transition;
//                      C 1: each step's forces copied into place first, as
//                      reading them does, C 0: used where they are); the
//                      per-file plan is timed apart and taken off; the
//                      counter "step" is the time of one step
//   CopyForces         the copy of one step's forces that C 1 adds
//   ResultPassPlan/L   the per-file plan of the pass (no step)
//   RecallForces       one step's forces: ARREC1 of TFLE (10,000 elements,
//                      960,000 bytes) from a RAF file in the page cache
//   Report             the report of one file of 10,000 elements with every
//                      element in the sorted list, written to a file
//
// The pass writes its "Checking up to step" line to the screen unit, which is
// standard output; while the benchmarks run standard output goes to
// /dev/null and their results are printed on a copy of the original.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_model.h"
#include "bench/recall_session.h"
#include "check/check.h"
#include "check/check_detail.h"
#include "dms/dms.h"
#include "driver/report.h"
#include "driver/result_blocks.h"
#include "layout/model_arrays.h"
#include "platform/units.h"
#include "recall/recall.h"

namespace {

constexpr int32_t kValuesPerElement = 10;
constexpr int32_t kForceValues = 12;
constexpr int32_t kOutputUnit = 71;

template <class T>
dms::Vec1<T> view(std::vector<T>& v) {
  return {v.data(), static_cast<int64_t>(v.size())};
}

/// A benchmark model held in memory: its arrays as the pass reads them and
/// the forces of a few steps.
struct InMemory {
  explicit InMemory(const bench::ModelPlan& plan) : model(bench::make_model(plan)) {
    for (raf_tools::ModelArray& a : bench::structure_arrays(model)) {
      if (!a.values.ints.empty()) ints[a.name] = std::move(a.values.ints);
      if (!a.values.reals.empty()) reals[a.name] = std::move(a.values.reals);
    }
    nel = plan.elements;
    forces.resize(kSteps);
    for (int32_t s = 1; s <= kSteps; ++s) {
      bench::step_forces(model, s, forces[static_cast<std::size_t>(s - 1)]);
    }
  }
  check::IntVec i(const std::string& name) { return view(ints.at(name)); }
  check::RealVec r(const std::string& name) { return view(reals.at(name)); }

  [[nodiscard]] check::detail::PipeModel pipe_model() {
    return check::detail::pipe_model(nel, i("MELTYP"), i("MELGEO"), i("MGETYP"), i("MNPC"),
                                     i("MPMNPC"), r("TCOORD"), r("TCRGEO"),
                                     raf_tools::kGeometryWords);
  }

  /// The yield strength of material 1.
  [[nodiscard]] double yield_strength() const {
    return reals.at("TMAPA")[layout::tmapa::kYieldStrength - 1];
  }

  static constexpr int32_t kSteps = 8;
  bench::BenchModel model;
  std::map<std::string, std::vector<int32_t>> ints;
  std::map<std::string, std::vector<double>> reals;
  std::vector<std::vector<double>> forces;
  int32_t nel = 0;
};

InMemory& model_of(int32_t elements, bench::Layout layout) {
  static std::map<std::pair<int32_t, int>, std::unique_ptr<InMemory>> models;
  auto& m = models[{elements, static_cast<int>(layout)}];
  if (!m) m = std::make_unique<InMemory>(bench::ModelPlan{elements, 0, layout});
  return *m;
}

// The first transition end of the model.
void first_transition(InMemory& m, int32_t& element, int32_t& end) {
  const check::detail::PipeModel pm = m.pipe_model();
  const check::detail::EndTable table = check::detail::build_end_table(pm);
  for (int32_t e = 1; e <= pm.nel; ++e) {
    for (int32_t k = 1; k <= 2; ++k) {
      if (table.is_transition(e, k)) {
        element = e;
        end = k;
        return;
      }
    }
  }
  element = 0;
  end = 0;
}

void IsoBuck00(benchmark::State& state) {
  InMemory& m = model_of(static_cast<int32_t>(state.range(0)), bench::Layout::kRealistic);
  int32_t element = 0;
  int32_t end = 0;
  first_transition(m, element, end);
  if (element == 0) {
    state.SkipWithError("the model has no transition end");
    return;
  }
  const double fy = m.yield_strength();
  check::RealVec tfle = view(m.forces[0]);
  for (auto _ : state) {
    double u = 0.0;
    int32_t transition = 0;
    int32_t status = 0;
    check::ISO_Buck00(element, m.nel, end, m.i("MELTYP"), m.i("MGETYP"), m.i("MNPC"), m.i("MPMNPC"),
                      m.i("MELGEO"), m.r("TCRGEO"), m.r("TGEPA"), raf_tools::kGeometryWords, fy,
                      tfle, m.i("MPEVEC"), m.r("TCOORD"), kOutputUnit, u, transition, status);
    benchmark::DoNotOptimize(u);
    if (transition != 1) state.SkipWithError("not a transition end");
  }
}
BENCHMARK(IsoBuck00)->Arg(1000)->Arg(10000);

void EndUtilisation(benchmark::State& state) {
  InMemory& m = model_of(10000, bench::Layout::kRealistic);
  int32_t element = 0;
  int32_t end = 0;
  first_transition(m, element, end);
  const check::detail::PipeModel pm = m.pipe_model();
  const check::detail::EndTable table = check::detail::build_end_table(pm);
  const check::detail::EndFactors f = check::detail::end_factors(
      m.ints.at("MELGEO")[static_cast<std::size_t>(element - 1)], end, m.r("TCRGEO"), m.r("TGEPA"),
      raf_tools::kGeometryWords, m.yield_strength(), table.at(element, end));
  const int64_t position = m.ints.at("MPEVEC")[static_cast<std::size_t>(element - 1)];
  std::size_t step = 0;
  for (auto _ : state) {
    const double* forces = m.forces[step].data() + (position - 1);
    benchmark::DoNotOptimize(forces);
    double u = check::detail::end_utilisation(f, end, forces);
    benchmark::DoNotOptimize(u);
    step = (step + 1) % m.forces.size();
  }
}
BENCHMARK(EndUtilisation);

// One run of the result-step pass over `steps` steps of the model.  With
// `copy` the forces of each step are first copied into one buffer, as the
// read of TFLE from the page cache leaves them (and the caches after it).
void run_pass(InMemory& m, int32_t steps, std::vector<double>& block, bool copy = false) {
  const int32_t lw = raf_tools::kGlobalWords;
  std::vector<int32_t> mglres(static_cast<std::size_t>(lw * std::max(steps, 1)), 0);
  std::vector<double> tglres(mglres.size(), 0.0);
  for (int32_t s = 1; s <= steps; ++s) {
    const auto word = [&](int32_t k) { return static_cast<std::size_t>(lw * (s - 1) + k - 1); };
    mglres[word(layout::mglres::kStep)] = s;
    mglres[word(layout::mglres::kLoadCase)] = 1;
    mglres[word(layout::mglres::kStored)] = 1;
    tglres[word(layout::tglres::kStepValue)] = 0.05 * s;
  }
  std::fill(block.begin(), block.end(), 0.0);
  static std::vector<double> tfle;
  auto forces = [&](int32_t step, int32_t& /*status*/) -> check::RealVec {
    std::vector<double>& f = m.forces[static_cast<std::size_t>(step - 1) % m.forces.size()];
    if (!copy) return view(f);
    tfle.resize(f.size());
    std::memcpy(tfle.data(), f.data(), f.size() * sizeof(double));
    return view(tfle);
  };
  int32_t status = 0;
  check::result_step_pass(view(mglres), view(tglres), lw, steps, m.nel, m.i("MELTYP"), m.i("MELEX"),
                          m.i("MELMAT"), m.i("MATYP"), raf_tools::kMaterialWords, m.r("TMAPA"),
                          m.i("MELGEO"), m.i("MGETYP"), raf_tools::kGeometryWords, m.r("TCRGEO"),
                          m.i("MPEVEC"), m.r("TGEPA"), view(block), kValuesPerElement, forces, 0, 0,
                          0.0, m.i("MNPC"), m.i("MPMNPC"), m.r("TCOORD"), kOutputUnit, status);
  benchmark::DoNotOptimize(block.data());
}

bench::Layout layout_of(const benchmark::State& state) {
  return state.range(0) == 0 ? bench::Layout::kRealistic : bench::Layout::kEveryJoint;
}

void ResultPassPlan(benchmark::State& state) {
  InMemory& m = model_of(10000, layout_of(state));
  std::vector<double> block(static_cast<std::size_t>(kValuesPerElement * m.nel));
  for (auto _ : state) run_pass(m, 0, block);
}
BENCHMARK(ResultPassPlan)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void ResultPassStep(benchmark::State& state) {
  constexpr int32_t kSteps = 64;
  InMemory& m = model_of(10000, layout_of(state));
  std::vector<double> block(static_cast<std::size_t>(kValuesPerElement * m.nel));
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    run_pass(m, 0, block);
    const auto t1 = Clock::now();
    run_pass(m, kSteps, block, state.range(1) != 0);
    const auto t2 = Clock::now();
    const std::chrono::duration<double> plan = t1 - t0;
    const std::chrono::duration<double> all = t2 - t1;
    state.SetIterationTime(std::max(0.0, (all - plan).count()));
  }
  // The time of one step: the manual time of the iterations over their steps.
  state.counters["step"] = benchmark::Counter(
      kSteps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  const check::detail::EndTable table = check::detail::build_end_table(m.pipe_model());
  int64_t ends = 0;
  for (const uint8_t t : table.transition) ends += t;
  state.counters["transition_ends"] = static_cast<double>(ends);
}
BENCHMARK(ResultPassStep)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The copy of one step's forces alone (what ResultPassStep/L/1 adds).
void CopyForces(benchmark::State& state) {
  InMemory& m = model_of(10000, bench::Layout::kRealistic);
  std::vector<double> tfle(m.forces[0].size());
  std::size_t step = 0;
  for (auto _ : state) {
    std::memcpy(tfle.data(), m.forces[step].data(), tfle.size() * sizeof(double));
    benchmark::DoNotOptimize(tfle.data());
    benchmark::ClobberMemory();
    step = (step + 1) % m.forces.size();
  }
}
BENCHMARK(CopyForces)->Unit(benchmark::kMicrosecond);

constexpr int32_t kRecallSteps = 16;

void RecallForces(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("vemrask-bench-" + std::to_string(static_cast<long>(::getpid())));
  std::filesystem::create_directories(dir);
  const bench::BenchModel m = bench::make_model({10000, kRecallSteps, bench::Layout::kRealistic});
  std::string error;
  if (!bench::write_model_file(m, dir / "recall.raf", error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  {
    bench::RecallSession session(dir / "recall.raf", dir / "raf.log", kOutputUnit);
    if (!session.error().empty()) {
      state.SkipWithError(session.error().c_str());
    } else {
      int32_t step = 0;
      for (auto _ : state) {
        step = step % kRecallSteps + 1;
        int32_t pointer = 0;
        int32_t status = 0;
        recall::ARREC1(session.iw(), session.rw(), "TFLE  ", pointer, step, platform::kRafFile,
                       session.control(), status);
        if (status != 0) {
          state.SkipWithError("ARREC1 failed");
          break;
        }
        benchmark::DoNotOptimize(session.rw()(pointer));
      }
      state.SetBytesProcessed(state.iterations() * int64_t{kForceValues} * m.plan.elements * 8);
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
BENCHMARK(RecallForces)->Unit(benchmark::kMicrosecond);

void Report(benchmark::State& state) {
  InMemory& m = model_of(10000, bench::Layout::kRealistic);
  // The result block as the pass leaves it after a few steps.
  driver::ResultBlocks blocks(1);
  const driver::PreparedBlock block = blocks.prepare(1, m.nel);
  std::vector<double> values(static_cast<std::size_t>(kValuesPerElement * m.nel));
  run_pass(m, InMemory::kSteps, values);
  for (std::size_t k = 0; k < values.size(); ++k) {
    block.values(static_cast<int64_t>(k) + 1) = values[k];
  }
  const std::vector<std::string> names = {"bench-model.raf"};
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("vemrask-bench-report-" + std::to_string(static_cast<long>(::getpid())) + ".txt");
  constexpr int kReportUnit = 72;
  for (auto _ : state) {
    if (platform::open_text(kReportUnit, file.string(), platform::OpenStatus::kUnknown) != 0) {
      state.SkipWithError("cannot open the report file");
      break;
    }
    driver::write_report(blocks, 1, names, static_cast<int32_t>(names[0].size()), -1, m.nel,
                         m.i("MELEX"), 1, kReportUnit);
    platform::close_unit(kReportUnit);
  }
  std::error_code ec;
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file, ec));
  std::filesystem::remove(file, ec);
}
BENCHMARK(Report)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Messages of the check go to a file that is thrown away.
  const std::filesystem::path messages =
      std::filesystem::temp_directory_path() /
      ("vemrask-bench-messages-" + std::to_string(static_cast<long>(::getpid())) + ".txt");
  if (platform::open_text(kOutputUnit, messages.string(), platform::OpenStatus::kUnknown) != 0) {
    std::fprintf(stderr, "cannot open %s\n", messages.string().c_str());
    return 1;
  }
  // Standard output (the screen unit) to /dev/null; the results to a copy of
  // it taken before.
  std::fflush(stdout);
  const int results = ::dup(1);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (results < 0 || null < 0 || ::dup2(null, 1) < 0) {
    std::fprintf(stderr, "cannot redirect standard output\n");
    return 1;
  }
  ::close(null);
  std::ofstream out("/dev/fd/" + std::to_string(results));

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::ConsoleReporter reporter(::isatty(results) != 0
                                          ? benchmark::ConsoleReporter::OO_ColorTabular
                                          : benchmark::ConsoleReporter::OO_Tabular);
  if (out) reporter.SetOutputStream(&out);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  platform::close_unit(kOutputUnit);
  std::error_code ec;
  std::filesystem::remove(messages, ec);
  return 0;
}
