// The batch options of vemrask on the real binary: RAF files written by mkraf
// from the shipped example models.  A run with options is compared with the
// piped run of the same answers, a --keep-going report with the report of a
// run whose list held only the checked files; the texts of the options
// themselves (errors, skipped list, standard-error lines) are written out.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/programs.h"

namespace {

using namespace program_test;

std::string operator*(int count, const std::string& text) {
  std::string all;
  for (int k = 0; k < count; ++k) all += text;
  return all;
}

/// A directory with the example's RAF files: timedom.raf (32 steps of a
/// time-domain analysis) and static.raf (a static one), and a file that is
/// text, not a RAF file.
class Dir {
 public:
  Dir() { write_example_files(path()); }
  [[nodiscard]] const fs::path& path() const { return dir_.path(); }
  [[nodiscard]] fs::path operator/(const std::string& name) const { return dir_ / name; }
  void copy(const std::string& from, const std::string& to) const {
    fs::copy_file(dir_ / from, dir_ / to, fs::copy_options::overwrite_existing);
  }
  [[nodiscard]] std::string file(const std::string& name) const { return read_file(dir_ / name); }

  RunResult piped(const std::string& list, const std::string& answers,
                  const std::string& report = "piped.txt") const {
    write_file(dir_ / "files.lst", list);
    return run_program(kVemrask, {"20"}, path(), "files.lst\n" + report + "\n" + answers);
  }
  RunResult with_options(const std::string& list, std::vector<std::string> args,
                         const std::string& report = "options.txt") const {
    write_file(dir_ / "files.lst", list);
    args.insert(args.begin(), {"20", "--list", "files.lst", "--output", report});
    // Answers a dialogue would take: a run with --list and --output reads none.
    return run_program(kVemrask, args, path(), "3\n1\n");
  }

 private:
  TempDir dir_;
};

// ---- options answer the questions as piped answers do ------------------------

struct SameAsPiped {
  const char* name;
  const char* list;
  const char* answers;  ///< after the list and output file names
  std::vector<std::string> options;
};

TEST(NonInteractiveRun, EqualsThePipedRunWithTheSameAnswers) {
  const std::vector<SameAsPiped> cases = {
      {"Defaults", "timedom\nstatic\n", "\n\n", {}},
      {"SortedLength", "timedom\n", "7\n\n", {"-n", "7"}},
      {"SortedAll", "timedom\n", "\n\n", {"--sorted=all"}},
      {"SortedNone", "static\n", "0\n\n", {"--sorted", "0"}},
      {"Time", "timedom\n", "\n8.25\n", {"-t", "8.25"}},
      {"LoadCase", "static\n", "\n2\n\n", {"--load-case", "2"}},
      {"LoadCaseAndLevel", "static\ntimedom\n", "5\n1\n0.5\n", {"-c1", "-L", "0.5", "-n", "5"}},
  };
  Dir dir;
  for (const SameAsPiped& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult piped = dir.piped(c.list, c.answers);
    const RunResult options = dir.with_options(c.list, c.options);
    EXPECT_EQ(piped.exit_status, 0) << piped.errors;
    EXPECT_EQ(options.exit_status, 0) << options.errors;
    EXPECT_EQ(options.screen, piped.screen);
    EXPECT_EQ(options.errors, "");
    EXPECT_EQ(dir.file("options.txt"), dir.file("piped.txt"));
  }
}

TEST(DialogueWithOptions, AnOptionAnswersItsQuestionTheOthersAreAsked) {
  Dir dir;
  write_file(dir / "files.lst", "static\n");
  const RunResult r =
      run_program(kVemrask, {"20", "-n", "4", "-c", "1"}, dir.path(), "files.lst\na.txt\n0.5\n");
  const RunResult piped = dir.piped("static\n", "4\n1\n0.5\n", "b.txt");
  EXPECT_EQ(r.exit_status, 0) << r.errors;
  EXPECT_EQ(r.screen, piped.screen);
  EXPECT_EQ(dir.file("a.txt"), dir.file("b.txt"));
}

// ---- command-line errors ----------------------------------------------------

TEST(CommandLine, ErrorsGoToStandardErrorWithStatus2) {
  const std::string hint = "Try 'vemrask --help' for more information.\n";
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"20", "-x"}, "unknown option '-x'"},
      {{"--list"}, "option '--list' needs a value"},
      {{"--keep-going=yes"}, "option '--keep-going' takes no value"},
      {{"-l", "files.lst"}, "option '--list' needs '--output' as well"},
      {{"--output", "r.txt"}, "option '--output' needs '--list' as well"},
      {{"-n", "ten"}, "option '--sorted' needs a whole number or 'all', not 'ten'"},
      {{"-n", "2.5"}, "option '--sorted' needs a whole number or 'all', not '2.5'"},
      {{"-t", "soon"}, "option '--time' needs a number, not 'soon'"},
      {{"-c", "1.5"}, "option '--load-case' needs a whole number, not '1.5'"},
      {{"-c", "1", "--load-level", "top"}, "option '--load-level' needs a number, not 'top'"},
      {{"-L", "0.5"}, "option '--load-level' needs '--load-case'"},
      {{"--fail-above", "high"}, "option '--fail-above' needs a number, not 'high'"},
      {{"20", "-w", "30"}, "the work space is given twice: '20' and '--workspace 30'"},
      {{"--history", "5"}, "option '--history' needs '--csv' or '--html'"},
      {{"--csv", "o", "--history", "-1"},
       "option '--history' needs a whole number of 0 or more, not '-1'"},
      {{"--html", "p.html", "--history", "x"},
       "option '--history' needs a whole number of 0 or more, not 'x'"},
      {{"-l", "f.lst", "--part", "p", "--history", "5", "--html", "p.html"},
       "options '--csv' and '--html' do not go with '--part' (the merge writes them)"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const RunResult r = run_program(kVemrask, c.args, dir.path(), "");
    EXPECT_EQ(r.exit_status, 2) << c.message;
    EXPECT_EQ(r.screen, "") << c.message;
    EXPECT_EQ(r.errors, "vemrask: " + c.message + "\n" + hint);
  }
}

TEST(CommandLine, HelpAndVersion) {
  TempDir dir;
  const RunResult help = run_program(kVemrask, {"--help"}, dir.path(), "");
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.errors, "");
  EXPECT_EQ(help.screen.rfind("Usage: vemrask [SIZE] [OPTION]...\n", 0), 0u) << help.screen;
  for (const char* item : {"\n  SIZE ",
                           "-l, --list FILE",
                           "-o, --output FILE",
                           "-n, --sorted N",
                           "-t, --time T",
                           "-c, --load-case C",
                           "-L, --load-level V",
                           "-w, --workspace SIZE",
                           "    --log FILE",
                           "-k, --keep-going",
                           "    --fail-above U",
                           "    --csv DIR",
                           "    --history N",
                           "    --html FILE",
                           "-h, --help",
                           "-V, --version",
                           "\n  0  ",
                           "\n  1  ",
                           "\n  2  ",
                           "\n  3  "}) {
    EXPECT_NE(help.screen.find(item), std::string::npos) << item;
  }
  EXPECT_EQ(run_program(kVemrask, {"-h"}, dir.path(), "").screen, help.screen);
  // Help wins over the size and the other options; nothing is allocated.
  EXPECT_EQ(run_program(kVemrask, {"20", "-l", "x", "--help"}, dir.path(), "").screen, help.screen);

  for (const char* option : {"--version", "-V"}) {
    const RunResult version = run_program(kVemrask, {option}, dir.path(), "");
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_EQ(version.screen, std::string("vemrask ") + VEMRASK_VERSION + "\n");
  }
}

TEST(CommandLine, StepOptionThatDoesNotFitTheFirstFile) {
  const struct {
    const char* list;
    std::vector<std::string> options;
    std::string screen_tail;
    std::string error;
  } cases[] = {
      {"static\ntimedom\n",
       {"-t", "2"},
       " Now processing: static.raf\n"
       " *** ERROR: option --time does not fit static.raf: a static simulation\n",
       "vemrask: static.raf: option '--time' does not fit a static simulation\n"},
      {"timedom\n",
       {"-c", "1"},
       " Now processing: timedom.raf\n"
       " *** ERROR: option --load-case does not fit timedom.raf: a time domain simulation\n",
       "vemrask: timedom.raf: option '--load-case' does not fit a time domain simulation\n"},
  };
  Dir dir;
  for (const auto& c : cases) {
    const RunResult r = dir.with_options(c.list, c.options);
    EXPECT_EQ(r.exit_status, 2);
    ASSERT_GE(r.screen.size(), c.screen_tail.size());
    EXPECT_EQ(r.screen.substr(r.screen.size() - c.screen_tail.size()), c.screen_tail);
    EXPECT_EQ(r.errors, c.error);
    // Nothing was checked: the output file holds the banner alone.
    const std::string report = dir.file("options.txt");
    EXPECT_EQ(report.find("P a n C a k e"), std::string::npos) << report;
    EXPECT_EQ(report.find("e o f"), std::string::npos) << report;
  }
}

// ---- --keep-going -------------------------------------------------------------

/// The skipped-files list of the report, with (position, name) per file.
std::string skipped_list(const std::vector<std::pair<int, std::string>>& files) {
  char count[16];
  std::snprintf(count, sizeof count, "%6zu", files.size());
  std::string text =
      "\n\n# ===================================================\n"
      "# Files skipped, not checked :" +
      std::string(count) +
      "\n# ---------------------------------------------------\n"
      "#  List no  Name\n";
  for (const auto& [position, name] : files) {
    char line[300];
    std::snprintf(line, sizeof line, "%10d  %s\n", position, name.c_str());
    text += line;
  }
  return text;
}

const std::string kEof = "\n#   --------  e o f --------  \n";
const std::string kLimitLine = "#    Checks Entire Load Case\n";

struct KeepGoingCase {
  const char* name;
  std::vector<std::string> list;  ///< names; "missing" and "notes" cannot be read
};

TEST(KeepGoing, ReportCoversTheCheckedFilesAndListsTheSkippedOnes) {
  const std::vector<KeepGoingCase> cases = {
      {"First", {"missing", "run-a", "run-bb"}},
      {"Middle", {"run-a", "notes", "run-bb"}},
      {"Last", {"run-a", "run-bb", "missing"}},
      {"Several", {"notes", "run-a", "missing", "run-bb"}},
  };
  Dir dir;
  dir.copy("timedom.raf", "run-a.raf");
  dir.copy("timedom.raf", "run-bb.raf");
  // The report of a run whose list held only the checked files.
  ASSERT_EQ(dir.piped("run-a\nrun-bb\n", "\n\n", "reference.txt").exit_status, 0);
  const std::string reference = dir.file("reference.txt");
  const std::string banner = reference.substr(0, reference.find(kLimitLine));
  const std::size_t tables_begin = banner.size() + kLimitLine.size();
  const std::size_t tables_end = reference.find("\n\n# File ");
  const std::string table = reference.substr(tables_begin, (tables_end - tables_begin) / 2);
  ASSERT_EQ(reference.substr(tables_begin, tables_end - tables_begin), table + table);
  const std::string rest =
      reference.substr(tables_end, reference.size() - tables_end - kEof.size());

  for (const KeepGoingCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string list;
    std::string expected = banner;
    std::string errors;
    std::vector<std::pair<int, std::string>> skipped;
    bool limit_written = false;
    for (std::size_t k = 0; k < c.list.size(); ++k) {
      const std::string& name = c.list[k];
      list += name + "\n";
      if (name == "missing" || name == "notes") {
        expected += "\n  *** SKIPPED: " + name + ".raf\n";
        errors +=
            "vemrask: " + name + ".raf: skipped: " +
            (name == "missing" ? "cannot be opened: No such file or directory" : "not a RAF file") +
            "\n";
        skipped.emplace_back(static_cast<int>(k + 1), name + ".raf");
        continue;
      }
      if (!limit_written) expected += kLimitLine;
      limit_written = true;
      expected += table;
    }
    expected += rest + skipped_list(skipped) + kEof;

    const RunResult r = dir.with_options(list, {"--keep-going"});
    EXPECT_EQ(r.exit_status, 2);
    EXPECT_EQ(dir.file("options.txt"), expected);
    EXPECT_EQ(r.errors, errors);
    for (const auto& [position, name] : skipped) {
      EXPECT_NE(r.screen.find("\n *** SKIPPED: " + name + "\n"), std::string::npos) << r.screen;
    }
    // The RAF library's messages stay in the log.
    EXPECT_NE(dir.file("raf.log").find("Error opening raf_file"), std::string::npos);
  }
}

TEST(KeepGoing, EveryFileUnreadable) {
  Dir dir;
  ASSERT_EQ(dir.piped("", "\n", "empty.txt").exit_status, 0);
  const std::string empty = dir.file("empty.txt");  // banner, summary heading, closing
  const std::size_t heading = empty.find("\n\n# File ");
  const std::string expected = empty.substr(0, heading) + "\n  *** SKIPPED: missing.raf\n" +
                               "\n  *** SKIPPED: notes.raf\n" +
                               empty.substr(heading, empty.size() - heading - kEof.size()) +
                               skipped_list({{1, "missing.raf"}, {2, "notes.raf"}}) + kEof;
  const RunResult r = dir.with_options("missing\nnotes\n", {"-k", "-t", "3"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(dir.file("options.txt"), expected);
  // No file told the kind of simulation: the step dialogue was never run.
  EXPECT_EQ(r.screen.find("Give Time"), std::string::npos);
}

TEST(KeepGoing, WithoutTheOptionTheFirstBadFileEndsTheRun) {
  Dir dir;
  const RunResult r = dir.with_options("timedom\nmissing\ntimedom\n", {});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.errors, "vemrask: missing.raf: cannot be opened: No such file or directory\n");
  const std::string report = dir.file("options.txt");
  EXPECT_TRUE(report.ends_with("\n  *** ERROR IN PEAKS   ***\n")) << report;
}

// ---- --fail-above -----------------------------------------------------------------

/// Rows of the sorted lists of a report whose utilisation is at or above `u`.
int rows_at_or_above(const std::string& report, double u) {
  static const std::regex row(R"(^ {2,}\d+ +(-?\d+\.\d{3}) +-?\d+\.\d{3}$)");
  std::istringstream in(report);
  int count = 0;
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (line.size() == 32 && std::regex_match(line, m, row) && std::stod(m[1]) >= u) ++count;
  }
  return count;
}

TEST(FailAbove, CountsElementResultsAtOrAboveTheLimit) {
  Dir dir;
  const std::string list = "timedom\nstatic\n";
  const RunResult plain = dir.with_options(list, {}, "plain.txt");
  ASSERT_EQ(plain.exit_status, 0);
  const std::string report = dir.file("plain.txt");
  const int above = rows_at_or_above(report, 0.7);
  ASSERT_GT(above, 0);
  ASSERT_EQ(rows_at_or_above(report, 0.95), 0);

  const RunResult gate = dir.with_options(list, {"--fail-above", "0.7"});
  EXPECT_EQ(gate.exit_status, 3);
  EXPECT_EQ(gate.screen, plain.screen + "\n *** " + std::to_string(above) +
                             " element results at or above 0.700\n");
  EXPECT_EQ(gate.errors, "vemrask: options.txt: " + std::to_string(above) +
                             " element results at or above 0.700\n");
  EXPECT_EQ(dir.file("options.txt"), report);

  const RunResult pass = dir.with_options(list, {"--fail-above=0.95"});
  EXPECT_EQ(pass.exit_status, 0);
  EXPECT_EQ(pass.screen, plain.screen);
  EXPECT_EQ(pass.errors, "");

  // A skipped file wins: status 2.
  const RunResult both = dir.with_options(list + "missing\n", {"-k", "--fail-above", "0.7"});
  EXPECT_EQ(both.exit_status, 2);
}

// ---- --log -----------------------------------------------------------------------

TEST(LogOption, MessagesGoToTheNamedLog) {
  Dir dir;
  fs::create_directory(dir / "logs");
  const RunResult named = dir.with_options("missing\n", {"--log", "logs/run.log"});
  EXPECT_EQ(named.exit_status, 1);
  EXPECT_FALSE(fs::exists(dir / "raf.log"));
  const std::string log = dir.file("logs/run.log");
  EXPECT_NE(log.find("Error opening raf_file         :missing.raf"), std::string::npos) << log;

  const RunResult plain = dir.with_options("missing\n", {});
  EXPECT_EQ(named.screen, plain.screen);
  EXPECT_EQ(test_support::log_without_dates(log),
            test_support::log_without_dates(dir.file("raf.log")));
}

// ---- the standard-error line of each failure -------------------------------------

TEST(StandardError, OneLineNamesTheFileAndTheReason) {
  Dir dir;
  fs::create_directory(dir / "sub");
  write_file(dir / "files.lst", "timedom\n");
  write_file(dir / "bad.lst", "timedom\nmissing\n");
  write_file(dir / "notes.lst", "notes\n");
  write_file(dir / "cut.lst", "cutfile\n");
  const std::string whole = dir.file("timedom.raf");
  write_file(dir / "cutfile.raf", whole.substr(0, whole.size() / 2));
  const struct {
    const char* name;
    std::vector<std::string> args;
    const char* input;
    int status;
    std::string error;
  } cases[] = {
      {"SizeTooLarge",
       {"99999"},
       "",
       1,
       "99999: above the largest work space (about 2147 million words)"},
      {"SizeNegative", {"-3"}, "", 1, "-3: the work space size is zero or negative"},
      {"SizeNotANumber", {"abc"}, "", 1, "abc: the work space size is not a number"},
      {"SizeLoneDash", {"-"}, "", 1, "-: the work space size is not a number"},
      {"ListMissing",
       {"-l", "none.lst", "-o", "r.txt"},
       "",
       1,
       "none.lst: cannot be opened: No such file or directory"},
      {"ListIsDirectory",
       {"-l", "sub", "-o", "r.txt"},
       "",
       1,
       "sub: cannot be opened: Is a directory"},
      {"OutputIsDirectory", {"20"}, "files.lst\nsub\n", 1, "sub: cannot be opened: Is a directory"},
      {"OutputMissingFolder",
       {"-l", "files.lst", "-o", "no/r.txt"},
       "",
       1,
       "no/r.txt: cannot be opened: No such file or directory"},
      {"OutputIsRaf",
       {"-l", "files.lst", "-o", "static.raf"},
       "",
       1,
       "static.raf: is a RAF file: it is not overwritten"},
      {"LogCannotBeOpened",
       {"-l", "files.lst", "-o", "r.txt", "--log", "no/x.log"},
       "",
       1,
       "no/x.log: cannot be opened: No such file or directory"},
      {"RafMissing",
       {"-l", "bad.lst", "-o", "r.txt"},
       "",
       1,
       "missing.raf: cannot be opened: No such file or directory"},
      {"NotARafFile", {"-l", "notes.lst", "-o", "r.txt"}, "", 1, "notes.raf: not a RAF file"},
      {"RafCutShort",
       {"-l", "cut.lst", "-o", "r.txt"},
       "",
       1,
       "cutfile.raf: cannot be read (see the output file and the log)"},
      {"AnswerNotANumber",
       {"20"},
       "files.lst\nr.txt\nthree\n",
       1,
       "standard input: The answer \"three\" is not an integer"},
      {"InputEnded",
       {"20"},
       "files.lst\n",
       1,
       "standard input: No answer to \"Give Output File Name\": the input has ended"},
  };
  for (const auto& c : cases) {
    const RunResult r = run_program(kVemrask, c.args, dir.path(), c.input);
    EXPECT_EQ(r.exit_status, c.status) << c.name;
    EXPECT_EQ(r.errors, "vemrask: " + c.error + "\n") << c.name;
  }

  write_file(dir / "long.lst", 1001 * std::string("timedom\n"));
  const RunResult many = run_program(kVemrask, {"-l", "long.lst", "-o", "r.txt"}, dir.path(), "");
  EXPECT_EQ(many.exit_status, 1);
  EXPECT_EQ(many.errors,
            "vemrask: long.lst: the list names 1001 RAF files; a run takes at most 1000\n");

  // 1000 million words (4 GB) cannot be had within a 512 MB address space.
  const RunResult big = run_program(kVemrask, {"1000"}, dir.path(), "", 512);
  if (big.screen.find("Allocating") != std::string::npos) {
    EXPECT_EQ(big.errors, "vemrask: 1000: 1000 million words could not be allocated\n");
  }
}

TEST(StandardError, ListFileThatCannotBeOpenedEndsANonInteractiveRun) {
  Dir dir;
  const RunResult r = run_program(kVemrask, {"-l", "none.lst", "-o", "r.txt"}, dir.path(), "");
  const std::string tail =
      " File containing RAF file names    :  *** ERROR Opening file: none.lst\n"
      "\n Return value from vemrask: -1 \n";
  ASSERT_GE(r.screen.size(), tail.size());
  EXPECT_EQ(r.screen.substr(r.screen.size() - tail.size()), tail);
  EXPECT_FALSE(fs::exists(dir / "r.txt"));
}

}  // namespace
