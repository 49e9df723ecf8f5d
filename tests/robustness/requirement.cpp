#include "robustness/requirement.h"

#include <sys/stat.h>

#include <stdexcept>
#include <system_error>

#include "support/run_program.h"

namespace robustness {

namespace fs = std::filesystem;

namespace {

bool contains(const std::string& text, std::string_view piece) {
  return text.find(piece) != std::string::npos;
}

std::string shown(std::string_view text, std::size_t limit = 160) {
  std::string out;
  for (const char ch : text.substr(0, limit)) {
    const auto u = static_cast<unsigned char>(ch);
    if (u == '\n') {
      out += "\\n";
    } else if (u < 32 || u > 126) {
      out += '?';
    } else {
      out += ch;
    }
  }
  if (text.size() > limit) out += "...";
  return out;
}

// Markers of the sanitizers' reports.
constexpr std::string_view kSanitizerMarkers[] = {"AddressSanitizer", "LeakSanitizer",
                                                  "UndefinedBehaviorSanitizer",
                                                  "runtime error:", "SUMMARY:"};

// Lines of the report's fixed-column blocks that do not have their width: a
// value too wide for its field must fill it with asterisks, never widen it.
std::vector<std::string> width_faults(const std::string& report) {
  constexpr std::size_t kTableLine = 2 + 9 + 6 + 6 * 10;  // element table
  constexpr std::size_t kListLine = 12 + 10 + 10;         // sorted list
  enum class Block { kNone, kTable, kSummary, kList };
  std::vector<std::string> faults;
  Block block = Block::kNone;
  std::size_t summary_line = 0;
  for (const std::string& line : test_support::lines_of(report)) {
    if (line.rfind("   Element_ID  End", 0) == 0) {
      block = Block::kTable;
    } else if (line.rfind("# File ", 0) == 0 && contains(line, "pCakeUtil")) {
      block = Block::kSummary;
      summary_line = line.size() - 1;  // the heading is one column wider
    } else if (line.rfind("        Elem    pCakeUtil", 0) == 0) {
      block = Block::kList;
    } else if (line.empty()) {
      block = Block::kNone;
    } else if (!contains(line, "ERROR")) {
      const std::size_t width = block == Block::kTable     ? kTableLine
                                : block == Block::kSummary ? summary_line
                                : block == Block::kList    ? kListLine
                                                           : line.size();
      if (line.size() != width) {
        faults.push_back("a report line of " + std::to_string(line.size()) + " columns, not " +
                         std::to_string(width) + ": " + shown(line));
      }
    }
  }
  return faults;
}

}  // namespace

Outcome run_case(const std::string& program, const Case& c, const fs::path& dir) {
  for (const std::string& d : c.directories) fs::create_directories(dir / d);
  for (const auto& [link, target] : c.links) fs::create_symlink(target, dir / link);
  for (const std::string& f : c.fifos) {
    if (::mkfifo((dir / f).c_str(), 0600) != 0) throw std::runtime_error("mkfifo " + f);
  }
  for (const auto& [name, bytes] : c.files) test_support::write_file(dir / name, bytes);

  Outcome outcome;
  test_support::RunLimits limits;
  limits.seconds = kRunLimitSeconds;
  outcome.run = test_support::run_program(program, c.args, dir, c.answers, limits);
  std::error_code ec;
  if (fs::is_regular_file(dir / c.output, ec)) {
    outcome.report = test_support::read_file(dir / c.output);
  }
  if (fs::is_regular_file(dir / "raf.log", ec))
    outcome.log = test_support::read_file(dir / "raf.log");
  for (const auto& [name, bytes] : c.files) {
    if (!fs::exists(dir / name, ec)) {
      outcome.changed_inputs.push_back(name + " (gone)");
    } else if (test_support::read_file(dir / name) != bytes) {
      outcome.changed_inputs.push_back(name);
    }
  }
  return outcome;
}

const std::string& reference_report(const std::string& program, const std::string& label) {
  static std::map<std::string, std::string> reports;
  auto found = reports.find(label);
  if (found != reports.end()) return found->second;
  const Base& b = base(label);
  const Case c = raf_case("reference/" + label, b.image, b);
  test_support::TempDir dir;
  const Outcome o = run_case(program, c, dir.path());
  std::string report = o.run.exit_status == 0 && o.run.signal == 0 ? o.report : std::string();
  return reports.emplace(label, std::move(report)).first->second;
}

std::vector<std::string> violations(const Case& c, const Outcome& o, const std::string& reference) {
  std::vector<std::string> v;
  const test_support::RunResult& r = o.run;
  if (r.timed_out) {
    v.push_back("did not end within " + std::to_string(kRunLimitSeconds) + " s");
    return v;
  }
  if (r.signal != 0) v.push_back("ended by signal " + std::to_string(r.signal));
  if (r.signal == 0 && r.exit_status != 0 && r.exit_status != 1) {
    v.push_back("exit status " + std::to_string(r.exit_status));
  }
  for (const std::string_view marker : kSanitizerMarkers) {
    if (contains(r.errors, marker)) {
      v.push_back("sanitizer report: " + shown(r.errors, 600));
      break;
    }
  }
  // A failed run says why in one line "vemrask: <file or argument>: <reason>";
  // a run that completes writes nothing there.
  const bool one_reason = r.exit_status == 1 && r.errors.starts_with("vemrask: ") &&
                          r.errors.find('\n') == r.errors.size() - 1;
  if (v.empty() && !r.errors.empty() && !one_reason) {
    v.push_back("wrote to standard error: " + shown(r.errors));
  }
  if (v.empty() && r.exit_status == 1 && r.errors.empty()) {
    v.push_back("failed without a line on standard error");
  }
  if (!c.inputs_may_change) {
    for (const std::string& name : o.changed_inputs) v.push_back("input file changed: " + name);
  }
  if (!v.empty()) return v;

  const std::string all = r.screen + "\n" + o.report + "\n" + o.log;
  if (r.exit_status == 0) {
    if (c.expect == Expect::kFailure) v.push_back("exit status 0 where the run must fail");
    // A run that completes leaves a complete report.
    const std::string closing = std::string(kClosingLine) + "\n";
    if (o.report.size() < closing.size() ||
        o.report.compare(o.report.size() - closing.size(), closing.size(), closing) != 0) {
      v.push_back("exit status 0 without a complete report: ..." +
                  shown(o.report.size() > 200 ? o.report.substr(o.report.size() - 200) : o.report));
    }
    if (!c.same_report_as.empty() && !reference.empty() && o.report != reference) {
      v.push_back("exit status 0 with a report that differs from the sound file's");
    }
    for (std::string& fault : width_faults(o.report)) v.push_back(std::move(fault));
  } else {
    if (c.expect == Expect::kSuccess) {
      v.push_back(
          "exit status 1 where the run must succeed; screen: ..." +
          shown(r.screen.size() > 300 ? r.screen.substr(r.screen.size() - 300) : r.screen, 300));
    }
    // A failure is explained ...
    for (const std::string& needle : c.needles) {
      if (!contains(all, needle)) v.push_back("no message \"" + needle + "\"");
    }
    if (c.needles.empty() && !contains(all, "ERROR") && !contains(all, "STOP")) {
      v.push_back("exit status 1 without an error message");
    }
    // ... names the file it is about ...
    if (!c.subject.empty() && !contains(all, c.subject)) {
      v.push_back("the messages do not name " + c.subject);
    }
    // ... and leaves no report that could pass for a result.  The one
    // report a failing run writes is that of a result pass which failed on
    // the last file: the failure stands above it in the output file, and
    // the exit status says the run failed.
    const std::size_t summary = o.report.find("pCakeUtil");
    if (summary != std::string::npos || contains(o.report, kClosingLine)) {
      const std::size_t failure = o.report.find("  *** ERROR IN VemRask_01  ***");
      if (c.no_report || failure == std::string::npos || failure > summary) {
        v.push_back("exit status 1, yet the output file holds a report");
      }
    }
  }
  return v;
}

}  // namespace robustness
