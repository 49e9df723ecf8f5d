// Times the merge of many part files: writes PARTS parts of one file each
// (NEL elements, results on RESULTS of them, TEXT bytes of output-file text
// per file) into DIR, then plans and writes their merge, and prints the
// time of each step and the peak resident memory.
//
//   vemrask_merge_bench DIR PARTS [NEL RESULTS TEXT SORTED]
//   defaults: 10000 elements, 1960 with results, 150000 bytes, all sorted
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "campaign/part_file.h"
#include "driver/merge.h"
#include "platform/units.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vemrask_merge_bench DIR PARTS [NEL RESULTS TEXT SORTED]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const int parts = std::atoi(argv[2]);
  const int nel = argc > 3 ? std::atoi(argv[3]) : 10000;
  const int results = argc > 4 ? std::atoi(argv[4]) : 1960;
  const int text = argc > 5 ? std::atoi(argv[5]) : 150000;
  const int sorted = argc > 6 ? std::atoi(argv[6]) : -1;
  std::filesystem::create_directories(dir);

  auto start = std::chrono::steady_clock::now();
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<std::string> names;
  campaign::FileRecord record;
  record.newlty = 1;
  record.nel = nel;
  for (int j = 1; j <= nel; ++j) record.melex.push_back(j);
  record.output.assign(static_cast<std::size_t>(text), 'x');
  for (std::size_t k = 99; k < record.output.size(); k += 100) record.output[k] = '\n';
  std::string error;
  for (int p = 1; p <= parts; ++p) {
    names.push_back((dir / ("part" + std::to_string(p))).string());
    record.position = 1;
    record.name = "wave " + std::to_string(p) + ".raf";
    record.list_line_length = static_cast<int32_t>(record.name.size()) - 4;
    record.elements.clear();
    for (int r = 0; r < results; ++r) {
      campaign::ElementRecord e;
      e.element = 1 + r * (nel / std::max(results, 1));
      e.values = {unit(random), 1, 17, 0, 0, 10.0 * unit(random), unit(random), 1, 0, 0};
      record.elements.push_back(e);
    }
    campaign::RunHeader h;
    h.identity = campaign::RunIdentity::fresh("bench");
    h.first_kind = 1;
    campaign::PartWriter writer;
    if (!writer.open(names.back(), h, error) || !writer.add(record, error) ||
        !writer.commit(error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  std::printf("write %d parts: %.2f s\n", parts, seconds_since(start));

  start = std::chrono::steady_clock::now();
  driver::MergePlan plan;
  if (!driver::plan_merge(names, plan, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("plan (every part checked whole): %.2f s\n", seconds_since(start));
  start = std::chrono::steady_clock::now();
  const std::string report = (dir / "report.txt").string();
  if (platform::open_text(platform::kOutputFile, report, platform::OpenStatus::kUnknown) != 0) {
    return 1;
  }
  const driver::MergeResult result = driver::write_merge(plan, sorted, platform::kOutputFile);
  platform::close_all_units();
  std::printf("write the merged report: %.2f s (%s, %.0f MB)\n", seconds_since(start),
              result.report ? "report" : "no report",
              static_cast<double>(std::filesystem::file_size(report)) / 1e6);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
