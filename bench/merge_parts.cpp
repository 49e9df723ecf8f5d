// Times the merge of many part files: writes PARTS parts of one file each
// (NEL elements, results on RESULTS of them, TEXT bytes of output-file text
// per file) into DIR, then plans and writes their merge, and prints the
// time of each step and the peak resident memory.  With OUTPUTS 1 every
// part also carries what a part run records for the CSV files and the page
// (an ends row and a checked end per result, 1000 steps, the frame of
// NEL two-node elements), as parts written by vemrask --part do.
//
//   vemrask_merge_bench DIR PARTS [NEL RESULTS TEXT SORTED OUTPUTS]
//   defaults: 10000 elements, 1960 with results, 150000 bytes, all sorted,
//   with the outputs' share
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
#include "driver/part_exports.h"
#include "exports/exports.h"
#include "platform/units.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What a part run records for the outputs of a file like `record`: an
// ends row and a checked end for every element with a result, 1000 steps,
// and the frame (NEL elements of two nodes in a line).
exports::Collector::Kept share(const campaign::FileRecord& record, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  exports::Contribution c;
  exports::FileResult& f = c.file;
  f.position = record.position;
  f.name = record.name;
  f.time_domain = true;
  f.checked = true;
  f.steps_checked = 1000;
  for (const campaign::ElementRecord& e : record.elements) {
    const double d = 0.5 + unit(random);
    f.ends.push_back({e.element, 1, 40.0 * d, 1.25, d, d / 40.0, d, d / 32.0});
    f.elements.push_back({e.element, e.element, 1, e.values[0], 17, e.values[5], e.values[6], 1});
    f.checked_ends.push_back({e.element, e.element, 1, e.values[0]});
  }
  for (int s = 1; s <= f.steps_checked; ++s) {
    f.steps.push_back(s);
    f.step_values.push_back(0.01 * s);
    f.displacements.push_back(1e-3 * s);
  }
  exports::FrameModel frame;
  for (int32_t n = 0; n <= record.nel; ++n) frame.nodes.push_back({1.0 * n, 0.5 * n, 0.0});
  for (int32_t e = 1; e <= record.nel; ++e) frame.elements.push_back({e, {e, e + 1}});
  frame.ends = f.checked_ends;
  exports::Collector::Kept kept;
  kept.contribution = std::move(c);
  kept.frame = std::move(frame);
  return kept;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: vemrask_merge_bench DIR PARTS [NEL RESULTS TEXT SORTED OUTPUTS]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const int parts = std::atoi(argv[2]);
  const int nel = argc > 3 ? std::atoi(argv[3]) : 10000;
  const int results = argc > 4 ? std::atoi(argv[4]) : 1960;
  const int text = argc > 5 ? std::atoi(argv[5]) : 150000;
  const int sorted = argc > 6 ? std::atoi(argv[6]) : -1;
  const bool outputs = argc > 7 ? std::atoi(argv[7]) != 0 : true;
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
    record.sections.clear();
    if (outputs) {
      driver::add_part_sections("files.lst", 0, h);
      driver::add_export_sections(share(record, random), record);
    }
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
