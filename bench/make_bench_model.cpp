// vemrask_bench_model: writes a benchmark model as a RAF file.
//
//   vemrask_bench_model [--every-joint] [--elements N] [--steps N] -o FILE
//
// Prints the file, its size, and the pipe ends and transition ends the check
// will find in it.  Exit status 0 when the file is written, 1 otherwise.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_model.h"
#include "check/check_detail.h"

namespace {

bool to_int(std::string_view text, int32_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

int usage() {
  std::fprintf(stderr,
               "usage: vemrask_bench_model [--every-joint] [--elements N] [--steps N] -o FILE\n");
  return 1;
}

template <class T>
dms::Vec1<T> view(const std::vector<raf_tools::ModelArray>& arrays, std::string_view name) {
  for (const raf_tools::ModelArray& a : arrays) {
    if (a.name != name) continue;
    if constexpr (sizeof(T) == 4) {
      return {const_cast<T*>(a.values.ints.data()), static_cast<int64_t>(a.values.ints.size())};
    } else {
      return {const_cast<T*>(a.values.reals.data()), static_cast<int64_t>(a.values.reals.size())};
    }
  }
  return {};
}

// Pipe ends and transition ends, as the result-step pass finds them.
void count_ends(const bench::BenchModel& m, int64_t& pipe_ends, int64_t& transitions) {
  const std::vector<raf_tools::ModelArray> arrays = bench::structure_arrays(m);
  const check::detail::PipeModel pm = check::detail::pipe_model(
      m.plan.elements, view<int32_t>(arrays, "MELTYP"), view<int32_t>(arrays, "MELGEO"),
      view<int32_t>(arrays, "MGETYP"), view<int32_t>(arrays, "MNPC"),
      view<int32_t>(arrays, "MPMNPC"), view<double>(arrays, "TCOORD"),
      view<double>(arrays, "TCRGEO"), raf_tools::kGeometryWords);
  const check::detail::EndTable table = check::detail::build_end_table(pm);
  pipe_ends = 0;
  transitions = 0;
  for (int32_t e = 1; e <= pm.nel; ++e) {
    if (!check::detail::is_pipe(pm, e)) continue;
    for (int32_t k = 1; k <= 2; ++k) {
      ++pipe_ends;
      if (table.is_transition(e, k)) ++transitions;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  bench::ModelPlan plan;
  std::filesystem::path output;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--every-joint") {
      plan.layout = bench::Layout::kEveryJoint;
    } else if (arg == "--elements" && i + 1 < argc) {
      if (!to_int(argv[++i], plan.elements) || plan.elements < 1) return usage();
    } else if (arg == "--steps" && i + 1 < argc) {
      if (!to_int(argv[++i], plan.steps) || plan.steps < 0) return usage();
    } else if (arg == "-o" && i + 1 < argc) {
      output = argv[++i];
    } else {
      return usage();
    }
  }
  if (output.empty()) return usage();

  const bench::BenchModel m = bench::make_model(plan);
  std::string error;
  if (!bench::write_model_file(m, output, error)) {
    std::fprintf(stderr, "vemrask_bench_model: %s\n", error.c_str());
    return 1;
  }
  int64_t pipe_ends = 0;
  int64_t transitions = 0;
  count_ends(m, pipe_ends, transitions);
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(output, ec);
  std::printf("%s: %lld bytes, %d elements, %d steps, %lld pipe ends, %lld transition ends\n",
              output.string().c_str(), ec ? -1LL : static_cast<long long>(bytes), plan.elements,
              plan.steps, static_cast<long long>(pipe_ends), static_cast<long long>(transitions));
  return 0;
}
