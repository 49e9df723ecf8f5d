// The merge subcommand: "vemrask merge -o REPORT [-n N] [--csv DIR] [--html
// FILE] [--history N] PART...".
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "campaign/part_file.h"
#include "cli/cli.h"
#include "driver/merge.h"
#include "driver/messages.h"
#include "driver/part_exports.h"
#include "driver/report.h"
#include "exports/exports.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace driver {
namespace {

constexpr std::array<cli::OptionSpec, 8> kMergeSpecs = {{
    {'o', "output", "REPORT", "output file of the merged report"},
    {'n', "sorted", "N", "elements per sorted list: N, 'all' (default) or 0"},
    {0, "parts-list", "FILE", "file holding part names, one a line (after the PARTs given)"},
    {0, "fail-above", "U", "exit status 3 when an element's utilisation is U or more"},
    {0, "csv", "DIR", "also write ends.csv, elements.csv and files.csv into DIR"},
    {0, "history", "N", "utilisation history of the N governing ends of each file"},
    {0, "html", "FILE", "also write a self-contained HTML page of the run"},
    {'h', "help", "", "show this text and exit"},
}};

int usage_error(const std::string& reason) {
  std::fprintf(stderr, "vemrask merge: %s\nTry 'vemrask merge --help' for more information.\n",
               reason.c_str());
  return 2;
}

// A part or the report refused: one line, nothing written as a report.
int refused(const std::string& reason) {
  std::fflush(stdout);
  std::fprintf(stderr, "vemrask merge: %s\n", reason.c_str());
  return 1;
}

// --csv, --html and --history as a run reads them; a usage error, or nothing.
std::optional<std::string> read_exports(const cli::Parsed& parsed, exports::Request& request) {
  request.csv_dir = parsed.value("csv").value_or("");
  request.html_file = parsed.value("html").value_or("");
  if (const auto n = parsed.value("history")) {
    const auto count = cli::to_int(*n);
    if (!count || *count < 0) return line_text(Line::kBadCount, {"history", *n});
    if (request.empty()) return line_text(Line::kHistoryWithoutOutput);
    request.history = static_cast<int>(*count);
  }
  return std::nullopt;
}

// Writes the files' lines on standard error as the run wrote them, up to
// the file that ends it, and feeds their export data to `collector` (when
// there is one); false with `error` when a part cannot be read again.
bool replay_files(const MergePlan& plan, exports::Collector* collector, bool frame,
                  std::string& error) {
  int64_t index = 0;
  for (const std::string& part : plan.parts) {
    campaign::PartReader reader;
    if (!reader.open(part, error, false)) return false;
    campaign::FileRecord record;
    while ((plan.run_end == 0 || index < plan.run_end) && reader.next(record, error)) {
      ++index;
      platform::write_captured(platform::kStandardError, record.errors);
      if (collector != nullptr &&
          !feed_exports(record, static_cast<int32_t>(index), *collector, frame, error)) {
        error = campaign::message(campaign::Text::kChanged, {part});
        return false;
      }
    }
    if (!error.empty()) return false;
  }
  return true;
}

}  // namespace

std::string merge_usage_text() {
  return "Usage: vemrask merge -o REPORT [OPTION]... PART...\n"
         "Writes the report one run over all the parts' files would have written, from the\n"
         "part files of runs with --part, taken in the order given.  Every part is checked\n"
         "whole first: a damaged, truncated or other-version part, a part given twice and\n"
         "parts of runs with different step limits are refused and no report is written.\n"
         "The CSV files and the page (--csv, --html) are those of the one run; a part holds\n"
         "the histories its run was asked for with --history N, and a merge asking for more\n"
         "(--history, or 10 for --html without it) is refused.  The page names the first\n"
         "part's list file.\n"
         "\n" +
         cli::option_lines(kMergeSpecs) +
         "\n"
         "Exit status:\n"
         "  0  the report was written\n"
         "  1  a part was refused (nothing written), the merged run failed, or a --csv or\n"
         "     --html output could not be written\n"
         "  2  a command-line error, the parts skipped a RAF file (--keep-going), or a\n"
         "     part's run ended at a step-limit option that does not fit its file\n"
         "  3  an element's utilisation is at or above the --fail-above value\n";
}

int merge_main(std::span<const std::string> args) {
  const cli::Parsed parsed = cli::parse(args, kMergeSpecs);
  if (!parsed.error.empty()) return usage_error(parsed.error);
  if (parsed.has("help")) {
    std::fputs(merge_usage_text().c_str(), stdout);
    return 0;
  }
  const auto output = parsed.value("output");
  if (!output) return usage_error("option '--output' is needed");
  int32_t sorted = -1;
  if (const auto n = parsed.value("sorted"); n && *n != "all") {
    const auto value = cli::to_int(*n);
    if (!value) return usage_error(line_text(Line::kBadSorted, {*n}));
    sorted = *value;
  }
  std::optional<double> fail_above;
  if (const auto u = parsed.value("fail-above")) {
    fail_above = cli::to_real(*u);
    if (!fail_above) return usage_error(line_text(Line::kBadNumber, {"fail-above", *u}));
  }
  std::vector<std::string> parts = parsed.operands;
  std::string error;
  if (const auto list = parsed.value("parts-list")) {
    if (!read_part_list(*list, parts, error)) return refused(error);
  }
  if (parts.empty()) return usage_error("no part files given");

  exports::Request request;
  if (const auto bad = read_exports(parsed, request)) return usage_error(*bad);

  MergePlan plan;
  std::optional<std::size_t> export_history;
  if (!request.empty()) export_history = request.history_ends();
  if (!plan_merge(parts, plan, error, export_history)) return refused(error);

  const int opened = textio::open_file(*output, platform::kOutputFile, 0);
  if (opened != 0) {
    return refused(line_text(Line::kCannotOpen, {shown_name(*output), status_reason(opened)}));
  }
  const auto skipped = [](const std::vector<MergedSkip>& files, int unit) {
    std::vector<SkippedFile> list;
    list.reserve(files.size());
    for (const MergedSkip& f : files) list.push_back({f.position, f.name});
    write_skipped(list, unit);
  };
  const MergeResult result = write_merge(plan, sorted, platform::kOutputFile, skipped, fail_above);
  const int closed = platform::close_unit(platform::kOutputFile);
  if (!result.error.empty()) return refused(result.error);
  if (closed != 0) {
    return refused(line_text(Line::kCannotWrite, {*output, status_reason(closed)}));
  }

  // Standard error as the run wrote it, and the outputs beside the report:
  // the CSV rows of every file up to the end, the page when the run goes
  // through.
  bool exports_failed = false;
  exports::Collector collector(request);
  if (collector.active() && !collector.start(error)) {
    report_note(Line::kExportFailed, {error});
    exports_failed = true;
  }
  if (!replay_files(plan, collector.active() ? &collector : nullptr, !request.html_file.empty(),
                    error)) {
    return refused(error);
  }
  if (collector.active() && result.report) {
    exports::RunInfo info;
    info.date = page_date();
    info.list_file = plan.list_file;
    info.step_limit =
        exports::describe_step_limit(plan.last_newlty == 1, plan.header.load_case,
                                     plan.header.step_limit_on, plan.header.step_limit);
    info.files_listed = static_cast<int32_t>(plan.files);
    if (!collector.finish(info, error)) {
      report_note(Line::kExportFailed, {error});
      exports_failed = true;
    }
  }

  std::printf(" Merged %zu parts, %lld files: %s\n", plan.parts.size(),
              static_cast<long long>(plan.files), output->c_str());
  // As the run: a step-limit option that does not fit is a command-line
  // error.
  if (plan.step_option_misfit) return 2;
  if (result.status != 0) return 1;
  if (result.at_or_above > 0) {
    std::string limit = textio::fixed_field(*fail_above, 10, 3);
    limit.erase(0, limit.find_first_not_of(' '));
    const std::string count = std::to_string(result.at_or_above);
    std::printf("%s\n", line_text(Line::kAtOrAboveScreen, {"", count, limit}).c_str());
    report_note(Line::kAtOrAbove, {*output, count, limit});
  }
  if (exports_failed) return 1;
  if (!plan.skipped.empty()) return 2;
  if (result.at_or_above > 0) return 3;
  return 0;
}

}  // namespace driver
