// rafinfo --model and --summary, run as programs: the model text of a RAF
// file, rebuilt by mkraf, must give vemrask's report of the original byte for
// byte; the summary lists every file with its status.
#include <gtest/gtest.h>

#include <sstream>

#include "support/programs.h"

namespace {

using namespace program_test;

RunResult run_in(const fs::path& dir, const std::string& program,
                 const std::vector<std::string>& args, const std::string& input = "") {
  return run_program(program, args, dir, input);
}

/// Runs vemrask on the single file `name` in `dir` with `answers` after the
/// list and output file; returns screen and report.
std::string vemrask(const fs::path& dir, const std::string& name, const std::string& answers) {
  write_file(dir / "files.lst", name + "\n");
  const RunResult run = run_in(dir, kVemrask, {}, "files.lst\nreport.txt\n" + answers);
  return "exit " + std::to_string(run.exit_status) + "\n" + run.screen + run.errors +
         "---- report\n" + read_file(dir / "report.txt");
}

/// The value of step `step` in a model text.
std::string step_value(const std::string& text, int step) {
  int seen = 0;
  for (const std::string& line : lines_of(text)) {
    std::istringstream in(line);
    std::string keyword;
    std::string value;
    if (in >> keyword >> value && keyword == "STEP" && ++seen == step) return value;
  }
  return "";
}

/// An original RAF file: written by mkraf from an example with `options`,
/// or a reference file.
struct Case {
  const char* label;
  const char* source;  ///< example text, or a fixture's RAF file
  std::vector<std::string> options;
  const char* rebuild;        ///< the mkraf options rafinfo names for the same layout
  const char* answers;        ///< after the list and output file
  int last_step;              ///< > 0: also --steps 1:last_step with that step's time limit
  const char* not_held = "";  ///< the arrays named on standard error
};

/// What the reference files hold beyond the model text.
constexpr const char* kFixtureNotHeld = ": the model text holds no MXTRA, TDISP\n";

class ModelRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(ModelRoundTrip, MkrafOfTheTextGivesTheSameReport) {
  const Case& c = GetParam();
  TempDir original;
  TempDir rebuilt;
  const fs::path source(c.source);
  const std::string raf = source.stem().string() + ".raf";
  if (source.extension() == ".txt") {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-o", raf, (kExamples / source).string()});
    ASSERT_EQ(run_in(original.path(), kMkraf, args).exit_status, 0);
  } else {
    fs::copy_file(kFixtures / source, original / raf);
  }

  const auto model = [&](const std::vector<std::string>& steps) {
    std::vector<std::string> args = {"--model", (original / raf).string()};
    args.insert(args.end(), steps.begin(), steps.end());
    const RunResult text = run_in(rebuilt.path(), kRafinfo, args);
    EXPECT_EQ(text.exit_status, 0) << text.errors;
    if (*c.not_held == 0) {
      EXPECT_EQ(text.errors, "");
    } else {
      EXPECT_NE(text.errors.find(c.not_held), std::string::npos) << text.errors;
    }
    EXPECT_NE(text.screen.find(std::string("layout: mkraf") + c.rebuild + "\n"), std::string::npos)
        << text.screen;
    write_file(rebuilt / "model.txt", text.screen);
    std::vector<std::string> mk;
    std::istringstream opts(c.rebuild);
    for (std::string o; opts >> o;) mk.push_back(o);
    mk.insert(mk.end(), {"-o", raf, "model.txt"});
    const RunResult made = run_in(rebuilt.path(), kMkraf, mk);
    EXPECT_EQ(made.exit_status, 0) << made.errors;
    return text.screen;
  };

  const std::string full = model({});
  const std::string expected = vemrask(original.path(), raf, c.answers);
  EXPECT_EQ(vemrask(rebuilt.path(), raf, c.answers), expected);
  EXPECT_NE(expected.find("pCakeUtil"), std::string::npos) << expected;
  // The rebuilt file holds the same values: its model text is the same
  // (after the line that names the file).
  const RunResult again = run_in(rebuilt.path(), kRafinfo, {"--model", raf});
  EXPECT_EQ(again.screen.substr(again.screen.find('\n')), full.substr(full.find('\n')));
  // A file of 8-byte reals that mkraf wrote is written again as it was,
  // after its key record (its time stamps).
  if (source.extension() == ".txt" && std::string(c.rebuild).find("--re") == std::string::npos) {
    EXPECT_TRUE(read_file(rebuilt / raf).substr(1024) == read_file(original / raf).substr(1024));
  }

  if (c.last_step > 0) {
    const std::string b = std::to_string(c.last_step);
    const std::string limited = "\n" + step_value(full, c.last_step) + "\n";
    const std::string part = model({"--steps", "1:" + b});
    EXPECT_FALSE(step_value(part, c.last_step).empty());
    EXPECT_TRUE(step_value(part, c.last_step + 1).empty());
    EXPECT_EQ(vemrask(rebuilt.path(), raf, limited), vemrask(original.path(), raf, limited));
    // Every second step of 2 to 7: steps 2, 4 and 6.
    const std::string every = model({"--steps", "2:7", "--every", "2"});
    for (const int k : {1, 2, 3}) EXPECT_EQ(step_value(every, k), step_value(full, 2 * k));
    EXPECT_TRUE(step_value(every, 4).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ModelRoundTrip,
    testing::Values(
        Case{"time", "frame-time.txt", {}, "", "\n\n", 20},
        Case{"time_re", "frame-time.txt", {"--re"}, " --re", "\n\n", 7},
        Case{"time_big", "frame-time.txt", {"--big-endian"}, " --big-endian", "\n\n", 0},
        Case{"time_re_big",
             "frame-time.txt",
             {"--re", "--big-endian"},
             " --re --big-endian",
             "\n\n",
             0},
        Case{"static_indexed", "frame-static.txt", {"--indexed"}, " --indexed", "4\n2\n\n", 0},
        Case{"leg_time", "leg-time/legtime.raf", {}, "", "\n\n", 5, kFixtureNotHeld},
        Case{"leg_static",
             "leg-static-bigendian/legstat.raf",
             {},
             " --re --big-endian",
             "5\n2\n0.6\n",
             0,
             kFixtureNotHeld}),
    [](const auto& info) { return std::string(info.param.label); });

/// Fields of a CSV record (RFC 4180 quoting).
std::vector<std::string> csv_fields(const std::string& line) {
  std::vector<std::string> f(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char ch = line[i];
    if (quoted && ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      f.back() += ch;
      ++i;
    } else if (ch == '"') {
      quoted = !quoted;
    } else if (ch == ',' && !quoted) {
      f.emplace_back();
    } else {
      f.back() += ch;
    }
  }
  return f;
}

TEST(RafinfoSummary, ListsEveryFileWithItsStatus) {
  TempDir dir;
  ASSERT_EQ(run_in(dir.path(), kMkraf, {"-o", "frame.raf", (kExamples / "frame-time.txt").string()})
                .exit_status,
            0);
  const std::string good = read_file(dir / "frame.raf");
  write_file(dir / "cut.raf", good.substr(0, good.size() / 3));
  fs::copy_file(kFixtures / "not-a-raf-file/notes.raf", dir / "notes.raf");
  fs::copy_file(dir / "frame.raf", dir / "frame.bak");
  // "frame" and "missing" take ".raf" as in the list file; "frame.bak"
  // exists as it is given.
  const std::vector<std::string> names = {"frame", "cut.raf", "notes.raf", "missing", "frame.bak"};

  // The transition ends vemrask lists for the file.
  int listed = 0;
  for (const std::string& line : lines_of(vemrask(dir.path(), "frame", "10\n\n"))) {
    std::istringstream in(line);
    int element = 0;
    int end = 0;
    double dt = 0;
    if (in >> element >> end >> dt && (end == 1 || end == 2) && dt > 10) ++listed;
  }

  EXPECT_GT(listed, 0);
  std::vector<std::string> args = {"--summary"};
  args.insert(args.end(), names.begin(), names.end());
  const RunResult table = run_in(dir.path(), kRafinfo, args);
  EXPECT_EQ(table.exit_status, 1);
  args.insert(args.begin(), "--csv");
  const RunResult csv = run_in(dir.path(), kRafinfo, args);
  EXPECT_EQ(csv.exit_status, 1);
  ASSERT_EQ(lines_of(csv.screen).size(), 6U) << csv.screen;
  EXPECT_EQ(lines_of(csv.screen)[0],
            "name,size,version,computer,precision,title,kind,NEL,pipes,transitions,steps,first,"
            "last,cases,status\r");

  const std::vector<std::pair<std::string, std::string>> rows = {
      {"frame.raf", "ok\r"},
      {"cut.raf", "file cut short: "},
      {"notes.raf", "File is not a RAFLIB file\r"},
      {"missing.raf", "Cannot open file - Computer's error flag = 2"},
      {"frame.bak", "ok\r"},
  };
  const std::vector<std::string> table_lines = lines_of(table.screen);
  ASSERT_EQ(table_lines.size(), 6U) << table.screen;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto f = csv_fields(lines_of(csv.screen)[i + 1]);
    ASSERT_EQ(f.size(), 15U) << csv.screen;
    EXPECT_EQ(f[0], rows[i].first);
    EXPECT_EQ(f[14].rfind(rows[i].second, 0), 0U) << f[14];
    // The text table holds the same fields, aligned.
    EXPECT_EQ(table_lines[i + 1].rfind(rows[i].first + " ", 0), 0U) << table_lines[i + 1];
    std::string status = rows[i].second;
    if (status.back() == '\r') status.pop_back();
    EXPECT_NE(table_lines[i + 1].find("  " + status), std::string::npos) << table_lines[i + 1];
  }
  const auto g = csv_fields(lines_of(csv.screen)[1]);
  EXPECT_EQ(g[1], std::to_string(good.size()));
  EXPECT_EQ(
      std::vector<std::string>(g.begin() + 2, g.begin() + 14),
      (std::vector<std::string>{"2.1", "14", "DP", "Four-leg frame, wave time history", "time",
                                "46", "44", std::to_string(listed), "32", "0.5", "16", "1"}));
}

TEST(CompanionCommandLines, HelpVersionAndRefusals) {
  struct Line {
    const std::string& program;
    std::vector<std::string> args;
    int exit_status;
    std::string screen_start;  ///< empty: nothing on the screen
    std::string error_start;
  };
  const std::string version = std::string(" ") + VEMRASK_VERSION + "\n";
  const std::vector<Line> lines = {
      {kMkraf, {"--version"}, 0, "mkraf" + version, ""},
      {kRafinfo, {"--version"}, 0, "rafinfo" + version, ""},
      {kMkraf, {"-h"}, 0, "usage: mkraf", ""},
      {kRafinfo, {"--help"}, 0, "usage: rafinfo", ""},
      {kMkraf, {"--output"}, 1, "", "mkraf: option '--output' needs a value\n"},
      {kRafinfo, {"--summary", "--model", "x"}, 1, "", "rafinfo: --summary and --model exclude"},
      {kRafinfo, {"--steps", "1:2", "x"}, 1, "", "rafinfo: --steps and --every go with --model"},
      {kRafinfo, {"--model", "--steps", "3:2", "x"}, 1, "", "rafinfo: --steps needs A:B"},
      {kRafinfo, {"--model", "--every", "0", "x"}, 1, "", "rafinfo: --every needs a positive"},
      {kRafinfo, {"--model", "nothere"}, 1, "", "rafinfo: nothere.raf: Cannot open file"},
  };
  for (const Line& l : lines) {
    TempDir dir;
    const RunResult run = run_in(dir.path(), l.program, l.args);
    EXPECT_EQ(run.exit_status, l.exit_status) << l.args[0];
    EXPECT_EQ(run.screen.substr(0, l.screen_start.size()), l.screen_start) << run.screen;
    if (l.screen_start.empty()) {
      EXPECT_EQ(run.screen, "");
    }
    EXPECT_EQ(run.errors.substr(0, l.error_start.size()), l.error_start) << run.errors;
  }
}

}  // namespace
