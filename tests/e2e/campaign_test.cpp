// Runs spread over worker processes (--jobs) and over part files (--part and
// merge) against the sequential run of the same list: every scenario of a
// table (the step settings, sorted lists, every kind of failure at the first,
// a middle and the last file, --keep-going, --fail-above) is run once as
// today and then in each of those ways, and everything written is compared
// byte for byte.  Then the parts a merge refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "campaign/part_file.h"
#include "e2e/model_files.h"
#include "support/case_name.h"
#include "support/programs.h"

namespace {

using namespace program_test;

/// The RAF files the lists name: timedom.raf and "wave dir 2.raf" (the
/// example's time history), static.raf (its static load cases), notes.raf
/// (text), broken.raf (its result pass fails: step 2's forces were never
/// stored); missing.raf does not exist.
class Dir {
 public:
  Dir() {
    write_example_files(path());
    fs::copy_file(dir_ / "timedom.raf", dir_ / "wave dir 2.raf");
    std::string error;
    EXPECT_TRUE(e2e_files::write_without_step(
        dir_ / "broken.raf", e2e_files::arrays_of(read_file(kExamples / "frame-time.txt")), "TFLE",
        2, error))
        << error;
  }
  [[nodiscard]] const fs::path& path() const { return dir_.path(); }
  [[nodiscard]] fs::path operator/(const std::string& name) const { return dir_ / name; }

  RunResult run(std::vector<std::string> args) const {
    args.insert(args.begin(), "20");
    return run_program(kVemrask, args, path(), "");
  }
  // A run over `list` writing report.txt, after the report and log of the
  // run before are removed.
  RunResult report_run(const std::string& list, std::vector<std::string> args) const {
    fs::remove(dir_ / "report.txt");
    fs::remove(dir_ / "raf.log");
    write_file(dir_ / "files.lst", list);
    args.insert(args.begin(), {"--list", "files.lst", "--output", "report.txt"});
    return run(args);
  }
  RunResult merge(std::vector<std::string> args) const {
    fs::remove(dir_ / "report.txt");
    args.insert(args.begin(), {"merge", "-o", "report.txt"});
    return run_program(kVemrask, args, path(), "");
  }
  [[nodiscard]] std::string file(const std::string& name) const { return read_file(dir_ / name); }

  /// The files of the outputs beside the report (kCsvDir/*, kPage with its
  /// date line cut), removed once read.
  std::map<std::string, std::string> outputs() const {
    std::map<std::string, std::string> files;
    if (fs::exists(dir_ / kCsvDir)) {
      for (const auto& entry : fs::directory_iterator(dir_ / kCsvDir)) {
        files[entry.path().filename().string()] = read_file(entry.path());
      }
    }
    if (fs::exists(dir_ / kPage)) {
      std::string page = file(kPage);
      const std::size_t date = page.find("<th>Date</th>");
      EXPECT_NE(date, std::string::npos);
      if (date != std::string::npos) page.erase(date, page.find("</tr>", date) - date);
      files[kPage] = page;
    }
    fs::remove_all(dir_ / kCsvDir);
    fs::remove(dir_ / kPage);
    return files;
  }

  static constexpr const char* kCsvDir = "csv";
  static constexpr const char* kPage = "page.html";

 private:
  TempDir dir_;
};

using test_support::log_without_dates;

struct Scenario {
  const char* name;
  std::string list;
  std::vector<std::string> run_args;    ///< every run: the sequential one, workers, parts
  std::vector<std::string> merge_args;  ///< the merge's own
  /// The list split into parts gives the sequential report (not so where a
  /// part's first file settles other step settings than the run's first).
  bool parts = true;
  /// Options of a part run whose first file is of the other kind than the
  /// list's first (static.raf against the time histories), settling the
  /// same steps; none: the run's options.
  std::optional<std::vector<std::string>> other_kind_part_args = {};
};
std::ostream& operator<<(std::ostream& out, const Scenario& s) {
  return out << s.name;
}

const std::string kFive = "timedom\ntimedom\nwave dir 2\ntimedom\ntimedom\n";

const Scenario kScenarios[] = {
    {"TimeFiles", kFive, {}, {}},
    {"TimeLimitSortedThree", kFive, {"--time", "0.5", "-n", "3"}, {"-n", "3"}},
    {"SortedNone", kFive, {"-n", "0"}, {"-n", "0"}},
    {"StaticLoadCase", "static\nstatic\nstatic\n", {"--load-case", "2"}, {}},
    {"StaticLoadLevel",
     "static\nstatic\n",
     {"--load-case", "2", "--load-level", "0.5", "-n", "2"},
     {"-n", "2"}},
    {"TimeThenStatic", "timedom\nstatic\ntimedom\n", {}, {}, true, {{"--load-case", "1"}}},
    {"TimeLimitThenStatic",
     "timedom\nstatic\n",
     {"--time", "0.5"},
     {},
     true,
     {{"--load-case", "1", "--load-level", "0.5"}}},
    {"StaticCaseOneThenTime", "static\ntimedom\n", {"--load-case", "1"}, {}, true, {{}}},
    {"StaticEntireThenTime", "static\ntimedom\n", {}, {}, false},
    {"StepOptionMisfit", "static\ntimedom\ntimedom\n", {"--time", "1"}, {}},
    {"EmptyList", "\n", {}, {}},
    {"MissingFirst", "missing\ntimedom\ntimedom\n", {}, {}},
    {"MissingMiddle", "timedom\ntimedom\nmissing\ntimedom\n", {}, {}},
    {"MissingLast", "timedom\ntimedom\nmissing\n", {}, {}},
    {"NotRafMiddle", "timedom\nnotes\ntimedom\n", {}, {}},
    {"ResultPassMiddle", "timedom\nbroken\ntimedom\ntimedom\n", {}, {}},
    {"ResultPassLast", "timedom\ntimedom\nbroken\n", {}, {}},
    {"KeepGoing", "missing\ntimedom\nnotes\nbroken\nwave dir 2\nmissing\n", {"--keep-going"}, {}},
    {"KeepGoingFirstOnly", "missing\ntimedom\ntimedom\n", {"-k"}, {}},
    {"FailAbove", kFive, {"--fail-above", "0.7"}, {"--fail-above", "0.7"}},
    {"FailAboveNone", kFive, {"--fail-above", "0.95"}, {"--fail-above", "0.95"}},
    {"FailAboveKeepGoing",
     "timedom\nmissing\ntimedom\n",
     {"-k", "--fail-above", "0.7"},
     {"--fail-above", "0.7"}},
};

std::vector<std::string> list_lines(const std::string& list) {
  std::vector<std::string> lines;
  for (const std::string& line : test_support::lines_of(list)) {
    if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
  }
  return lines;
}

/// Options added to every run of a scenario: `run` to the sequential run
/// and the workers', `part` to the part runs, `merge` to the merge.
struct Extra {
  std::vector<std::string> run, part, merge;
};

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Records of a part that carry a frame for the page's drawing.
int frames_in(const std::string& part) {
  campaign::PartReader reader;
  std::string error;
  EXPECT_TRUE(reader.open(part, error)) << error;
  int frames = 0;
  campaign::FileRecord record;
  while (reader.next(record, error)) {
    frames += campaign::find_section(record.sections, campaign::format::kFrameSection) ? 1 : 0;
  }
  return frames;
}

void expect_equivalent(const Scenario& s, const Extra& extra) {
  const Dir dir;
  const RunResult one = dir.report_run(s.list, joined(s.run_args, extra.run));
  const std::string report = dir.file("report.txt");
  const std::string log = log_without_dates(dir.file("raf.log"));
  const auto outputs = dir.outputs();
  if (!extra.run.empty()) {
    EXPECT_TRUE(outputs.contains("files.csv"));
  }

  for (const char* jobs : {"2", "4"}) {
    SCOPED_TRACE(std::string("--jobs ") + jobs);
    const RunResult r =
        dir.report_run(s.list, joined(joined(s.run_args, extra.run), {"--jobs", jobs}));
    EXPECT_EQ(r.exit_status, one.exit_status);
    EXPECT_EQ(r.screen, one.screen);
    EXPECT_EQ(r.errors, one.errors);
    EXPECT_EQ(dir.file("report.txt"), report);
    EXPECT_EQ(log_without_dates(dir.file("raf.log")), log);
    EXPECT_EQ(dir.outputs(), outputs);
  }

  if (!s.parts) return;
  const std::vector<std::string> names = list_lines(s.list);
  for (const std::size_t per_part : {std::size_t{1}, std::size_t{2}}) {
    SCOPED_TRACE("parts of " + std::to_string(per_part) + " files");
    std::vector<std::string> merge_args = joined(s.merge_args, extra.merge);
    std::string parts_list;
    for (std::size_t first = 0; first < std::max<std::size_t>(names.size(), 1); first += per_part) {
      const std::string k = std::to_string(first);
      std::string list;
      for (std::size_t n = first; n < std::min(names.size(), first + per_part); ++n) {
        list += names[n] + "\n";
      }
      // Under the name the sequential run's list had: the page names it.
      write_file(dir / "files.lst", list);
      const bool other_kind =
          first < names.size() && (names[first] == "static") != (names.front() == "static");
      std::vector<std::string> args = joined(
          other_kind && s.other_kind_part_args ? *s.other_kind_part_args : s.run_args, extra.part);
      args.insert(args.end(), {"--list", "files.lst", "--part", "part" + k, "--log", "part.log"});
      (void)dir.run(args);
      ASSERT_TRUE(fs::exists(dir / ("part" + k)));
      EXPECT_LE(frames_in((dir / ("part" + k)).string()), 1) << "part" << k;
      // The parts of files 1 and 2 by name, the others through a list.
      if (first < 2) {
        merge_args.push_back("part" + k);
      } else {
        parts_list += "part" + k + "\n";
      }
    }
    write_file(dir / "parts.lst", parts_list);
    merge_args.insert(merge_args.end(), {"--parts-list", "parts.lst"});
    const RunResult m = dir.merge(merge_args);
    EXPECT_EQ(dir.file("report.txt"), report);
    EXPECT_EQ(m.errors, one.errors);
    EXPECT_EQ(m.exit_status, one.exit_status);
    EXPECT_EQ(dir.outputs(), outputs);
  }
}

class Equivalence : public testing::TestWithParam<Scenario> {};

TEST_P(Equivalence, WorkersAndPartsWriteWhatTheSequentialRunWrites) {
  expect_equivalent(GetParam(), {});
}

INSTANTIATE_TEST_SUITE_P(Campaign, Equivalence, testing::ValuesIn(kScenarios),
                         [](const auto& info) { return test_support::case_name(info.param.name); });

// The same with the CSV files, five ends' histories and the page: the parts
// record the histories, the merge writes the files.
const Scenario kExportScenarios[] = {
    {"TimeFiles", kFive, {}, {}},
    {"StaticLoadCase", "static\nstatic\n", {"--load-case", "2"}, {}},
    {"KeepGoing", "missing\ntimedom\nnotes\nbroken\nwave dir 2\nmissing\n", {"--keep-going"}, {}},
    {"ResultPassMiddle", "timedom\nbroken\ntimedom\n", {}, {}},
    {"ResultPassLast", "timedom\nwave dir 2\nbroken\n", {}, {}},
    {"MissingMiddle", "timedom\nmissing\ntimedom\n", {}, {}},
};

class ExportEquivalence : public testing::TestWithParam<Scenario> {};

TEST_P(ExportEquivalence, WorkersAndPartsWriteTheSequentialRunsCsvFilesAndPage) {
  const std::vector<std::string> exports = {"--csv",    Dir::kCsvDir, "--html",
                                            Dir::kPage, "--history",  "5"};
  expect_equivalent(GetParam(), {exports, {"--history", "5"}, exports});
}

// Parts that hold more histories than the merge asks for: the page's 10 of
// the 12 recorded, no history.csv.
TEST(ExportMerge, TakesFewerHistoriesThanThePartsHold) {
  const std::vector<std::string> exports = {"--csv", Dir::kCsvDir, "--html", Dir::kPage};
  expect_equivalent(kExportScenarios[0], {exports, {"--history", "12"}, exports});
}

INSTANTIATE_TEST_SUITE_P(Campaign, ExportEquivalence, testing::ValuesIn(kExportScenarios),
                         [](const auto& info) { return test_support::case_name(info.param.name); });

// ---- parts a merge refuses ----------------------------------------------------

struct Refusal {
  const char* name;
  std::vector<std::string> parts;         ///< merged in this order
  void (*spoil)(const fs::path& part);    ///< applied to part "b"
  const char* says;                       ///< in the merge's message
  std::vector<std::string> options = {};  ///< the merge's
};
std::ostream& operator<<(std::ostream& out, const Refusal& r) {
  return out << r.name;
}

void cut_half(const fs::path& part) {
  const std::string bytes = read_file(part);
  write_file(part, bytes.substr(0, bytes.size() / 2));
}
void flip_byte(const fs::path& part) {
  std::string bytes = read_file(part);
  bytes[bytes.size() / 2] ^= 0x20;
  write_file(part, bytes);
}
void other_version(const fs::path& part) {
  std::string bytes = read_file(part);
  bytes[16] = 2;  // the format version after the magic text
  write_file(part, bytes);
}
void untouched(const fs::path& /*part*/) {}

// Damage inside the CSV and page data of the first file record that the
// part's checksum does not see (it is made to fit again).
void put_u8(std::string& bytes, std::size_t at, uint64_t value) {
  for (std::size_t k = 0; k < 8; ++k) bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}
uint64_t get_u8(const std::string& bytes, std::size_t at) {
  uint64_t value = 0;
  for (std::size_t k = 0; k < 8; ++k) {
    value |= uint64_t{static_cast<unsigned char>(bytes[at + k])} << (8 * k);
  }
  return value;
}
template <class Damage>
void spoil_export_data(const fs::path& part, Damage damage) {
  std::string bytes = read_file(part);
  const std::size_t record = bytes.find("FILE", 24);
  const std::size_t section = bytes.find("EXPO", record);
  ASSERT_NE(section, std::string::npos);
  damage(bytes, record, section);
  const std::size_t body = bytes.size() - 8;
  put_u8(bytes, body, campaign::checksum(std::string_view(bytes).substr(0, body)));
  write_file(part, bytes);
}
void export_count_past_end(const fs::path& part) {
  spoil_export_data(part, [](std::string& b, std::size_t, std::size_t section) {
    // The count of ends rows: after the flags, position, name and steps.
    const std::size_t name = section + 12 + 1 + 4;
    b[name + 8 + get_u8(b, name) + 4 + 7] = 0x40;
  });
}
void export_data_cut(const fs::path& part) {
  spoil_export_data(part, [](std::string& b, std::size_t record, std::size_t section) {
    const uint64_t length = get_u8(b, section + 4);
    b.erase(section + 12 + length - 8, 8);
    put_u8(b, section + 4, length - 8);
    put_u8(b, record + 4, get_u8(b, record + 4) - 8);
  });
}

const Refusal kRefusals[] = {
    {"Truncated", {"a", "b"}, cut_half, "part b: is damaged or truncated"},
    {"FlippedByte", {"a", "b"}, flip_byte, "part b: is damaged"},
    {"OtherVersion", {"a", "b"}, other_version, "part b: "},
    {"SamePartTwice", {"a", "b", "a"}, untouched, "part a: "},
    {"OtherStepLimit", {"a", "other"}, untouched, "part other: was checked with other step"},
    {"ExportCountPastEnd",
     {"a", "b"},
     export_count_past_end,
     "part b: is damaged: file record 1: export data: the count of ends rows runs past the end",
     {"--csv", Dir::kCsvDir}},
    {"ExportDataCut",
     {"a", "b"},
     export_data_cut,
     "part b: is damaged: file record 1: export data: ",
     {"--html", Dir::kPage, "--history", "5"}},
    {"MoreHistoriesThanRecorded",
     {"a", "b"},
     untouched,
     "part a: holds the utilisation histories of 5 ends per file, 6 are asked for; write the "
     "parts with '--history 6'",
     {"--csv", Dir::kCsvDir, "--history", "6"}},
    {"PageHistoriesNotRecorded",
     {"a", "b"},
     untouched,
     "part a: holds the utilisation histories of 5 ends per file, 10 are asked for",
     {"--html", Dir::kPage}},
};

class MergeRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(MergeRefuses, NamesThePartAndWritesNoReport) {
  const Refusal& c = GetParam();
  const Dir dir;
  write_file(dir / "one.lst", "timedom\n");
  for (const auto& [part, time] : {std::pair{"a", "0.5"}, {"b", "0.5"}, {"other", "0.7"}}) {
    const RunResult r =
        dir.run({"--list", "one.lst", "--part", part, "--time", time, "--history", "5"});
    ASSERT_EQ(r.exit_status, 0) << r.errors;
  }
  c.spoil(dir / "b");
  const RunResult m = dir.merge(joined(c.options, c.parts));
  EXPECT_EQ(m.exit_status, 1);
  EXPECT_NE(m.errors.find(c.says), std::string::npos) << m.errors;
  EXPECT_EQ(m.screen, "");
  EXPECT_FALSE(fs::exists(dir / "report.txt"));
  EXPECT_TRUE(dir.outputs().empty());
}

// The merge reads --csv, --html and --history as a run does.
TEST(MergeUsage, ExportOptionsAreCheckedAsForARun) {
  const Dir dir;
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--history", "5", "p"}, "option '--history' needs '--csv' or '--html'"},
      {{"--csv", "d", "--history", "-1", "p"},
       "option '--history' needs a whole number of 0 or more, not '-1'"},
  };
  for (const auto& c : cases) {
    const RunResult m = dir.merge(c.args);
    EXPECT_EQ(m.exit_status, 2) << c.says;
    EXPECT_EQ(m.errors.rfind(std::string("vemrask merge: ") + c.says + "\n", 0), 0U) << m.errors;
  }
}

INSTANTIATE_TEST_SUITE_P(Campaign, MergeRefuses, testing::ValuesIn(kRefusals),
                         [](const auto& info) { return test_support::case_name(info.param.name); });

}  // namespace
