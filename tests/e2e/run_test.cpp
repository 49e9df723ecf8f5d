// Whole runs of the program: RAF files written by mkraf from model texts (or
// through the model writer library where a file must lack something mkraf
// always writes), the answers on standard input, and the output file, the
// screen and raf.log compared as whole texts.
//
// The expected reports are written out record by record from the rules of
// the report and the models below.  The utilisations they show are worked
// out by hand from the pancake formulas, not taken from the program;
// PancakeFormulas has the program show each figure on an end of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/model_files.h"
#include "support/programs.h"
#include "tools/model_text.h"
#include "tools/model_writer.h"

#if defined(__SANITIZE_ADDRESS__)
#define E2E_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define E2E_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

using e2e_files::arrays_of;
using e2e_files::write_without_step;
using namespace program_test;

// ---- texts -------------------------------------------------------------------

/// Records, each followed by a line end.
std::string records(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string operator*(int count, const std::string& text) {
  std::string all;
  for (int k = 0; k < count; ++k) all += text;
  return all;
}

const std::string kBanner = records({
    "",
    "",
    "------------------------------------------------",
    "------------------------------------------------",
    "------------------------------------------------",
    "-----         V e m  R a s k              ------",
    "-----  Checks pipes for pancake buckling  ------",
    "-----   Version 0.9-03 / Jun 29, 2023     ------",
    "-----      Made by the VemRask team       ------",
    "------------------------------------------------",
    "------------------------------------------------",
});

const std::string kEof = records({"", "#   --------  e o f --------  "});
const std::string kPeaks = records({"", "  *** ERROR IN PEAKS   ***"});

/// The element table's banner and heading, before its first line.
const std::string kTableHead = records({
    "",
    "",
    "     ----      P a n C a k e    C h e c k i n g                       -----",
    "",
    "",
    "   Element_ID  End     D/T    ThickRatio  Diam      Thick      D2        T2 ",
});

/// Screen of a run with work space argument 20, up to the file count.
std::string screen_start(const std::string& length_echo, int files) {
  char count[16];
  std::snprintf(count, sizeof count, "%6d", files);
  return "\n\n 20 million words successfully allocated \n\n" + kBanner +
         " File containing RAF file names    :  " + " Give Output File Name             :  " +
         " Max elements in sorted list       :  " + length_echo +
         "\n ...Number of files found : " + count + "\n\n";
}

const std::string kPrintsAll = "\n\n Prints all elements         \n\n\n";
std::string prints(const char* n6) {
  return std::string("\n\n Prints") + n6 + " elements\n";
}

std::string processing(const std::string& name) {
  return "=============================================\n Now processing: " + name + "\n";
}

std::string checking(int steps) {
  char line[64];
  std::snprintf(line, sizeof line, "\n Checking up to step : %5d\n", steps);
  return line;
}

const std::string kTimeQuestion =
    "\n\n This is a Time Domain Simulation\n\n\n Give Time  (Default is up to max): ";
const std::string kStaticQuestion =
    "\n\n This is a Static Simulation with load case/level\n\n\n"
    " LoadCase  (Default is entire sim): ";
const std::string kLevelQuestion = " Load Level (Default is up to max): ";
const std::string kReturnFailure = "\n Return value from vemrask: -1 \n";

// ---- the models ----------------------------------------------------------------

// A vertical leg: tube 11 (1.0 x 0.020) meets the joint can 12 (30 mm wall),
// tube 13 (25 mm wall) leaves the can, tube 14 (20 mm wall) continues above,
// and a spring (type 18) stands at the foot.  Transition ends: 11 end 2
// (ratio 1.5, D/T 50), 13 end 1 (1.2, D/T 40), 14 end 1 (1.25, D/T 50).
// Ends that are not transitions carry large forces: evaluating one of them,
// or the wrong end of an element, changes the report.
const std::string kLegGeometry = R"(NODE 1  0 0 0
NODE 2  0 0 5
NODE 3  0 0 7
NODE 4  0 0 12
NODE 5  0 0 15
PIPE 1  1.0 0.020
PIPE 2  1.0 0.030
PIPE 3  1.0 0.025
GEOMETRY 6  2  1.0E8 1.0E8 1.0E9
MATERIAL 1  1  300.0E6  2.1E11  0.3
MATERIAL 2  2  0.0
ELEMENT 11  15  1 1  1 2
ELEMENT 12  15  2 1  2 3
ELEMENT 13  15  3 1  3 4
ELEMENT 14  15  1 1  4 5
ELEMENT 90  18  6 2  1
)";

// End 2 of a pipe takes the stored values 7-12 with reversed signs: a stored
// -6.0E6 at value 7 is a tension of 6 MN at that end.  Step 3 (time 1.25)
// has no stored results and must be passed over, whatever its forces.
const std::string kTimeModel = "TITLE leg, wave history\nANALYSIS TIME\n" + kLegGeometry + R"(
STEP 0.5  1  0.010
FORCE 11  50.0E6 0 0 0 0 0    -6.0E6 0 0 0 -3.0E5 0
FORCE 12  40.0E6 0 0 0 0 0    -40.0E6 0 0 0 0 0
FORCE 13  3.0E6 0 0 0 0 0     -40.0E6 0 0 0 0 0
FORCE 14  -4.5E6 0 0 0 0 1.5E5  -40.0E6 0 0 0 0 0
FORCE 90  1.0E6 1.0E6 1.0E6 0 0 0
STEP 1.0  1  0.020
FORCE 11  0 0 0 0 0 0         -9.0E6 0 0 0 -6.0E5 0
FORCE 13  7.5E6 0 0 0 3.0E5 0   0 0 0 0 0 0
FORCE 14  3.0E6 0 0 0 0 0     0 0 0 0 0 0
STEP 1.25  1  0.028  0
FORCE 11  0 0 0 0 0 0         -90.0E6 0 0 0 0 0
FORCE 13  90.0E6 0 0 0 0 0    0 0 0 0 0 0
FORCE 14  90.0E6 0 0 0 0 0    0 0 0 0 0 0
STEP 1.5  1  0.030
FORCE 11  0 0 0 0 0 0         -20.0E6 0 0 0 0 0
FORCE 13  6.0E6 0 0 0 0 0     0 0 0 0 0 0
FORCE 14  9.0E6 0 0 0 0 3.0E5   0 0 0 0 0 0
STEP 2.0  1  0.025
FORCE 11  0 0 0 0 0 0         -10.5E6 0 0 0 0 0
FORCE 13  9.0E6 0 0 0 6.0E5 0   0 0 0 0 0 0
FORCE 14  6.0E6 0 0 0 0 0     0 0 0 0 0 0
)";

// The same leg in a static analysis: load case 1 (levels 0.5, 1.0), load
// case 2 (0.25, 0.5, 0.75), load case 3 (1.0, 1.2, 1.5); axial forces only.
// Step 7 has an undefined global displacement: the pass ends there, and
// step 8 is never checked.
const std::string kStaticModel = "ANALYSIS STATIC\n" + kLegGeometry + R"(
STEP 0.5   1  0.05
FORCE 11  0 0 0 0 0 0  -3.0E6 0 0 0 0 0
FORCE 13  1.0E6 0 0 0 0 0  0 0 0 0 0 0
FORCE 14  2.0E6 0 0 0 0 0  0 0 0 0 0 0
STEP 1.0   1  0.10
FORCE 11  0 0 0 0 0 0  -6.0E6 0 0 0 0 0
FORCE 13  2.0E6 0 0 0 0 0  0 0 0 0 0 0
FORCE 14  3.0E6 0 0 0 0 0  0 0 0 0 0 0
STEP 0.25  2  0.12
FORCE 11  0 0 0 0 0 0  -7.0E6 0 0 0 0 0
FORCE 13  3.0E6 0 0 0 0 0  0 0 0 0 0 0
FORCE 14  4.0E6 0 0 0 0 0  0 0 0 0 0 0
STEP 0.5   2  0.14
FORCE 11  0 0 0 0 0 0  -8.0E6 0 0 0 0 0
FORCE 13  4.0E6 0 0 0 0 0  0 0 0 0 0 0
FORCE 14  10.0E6 0 0 0 0 0  0 0 0 0 0 0
STEP 0.75  2  0.16
FORCE 11  0 0 0 0 0 0  -9.0E6 0 0 0 0 0
FORCE 13  5.0E6 0 0 0 0 0  0 0 0 0 0 0
FORCE 14  6.0E6 0 0 0 0 0  0 0 0 0 0 0
STEP 1.0   3  0.20
FORCE 11  0 0 0 0 0 0  -5.0E6 0 0 0 0 0
FORCE 13  12.0E6 0 0 0 0 0  0 0 0 0 0 0
FORCE 14  1.0E6 0 0 0 0 0  0 0 0 0 0 0
STEP 1.2   3  1.0E100
FORCE 11  0 0 0 0 0 0  -90.0E6 0 0 0 0 0
FORCE 13  90.0E6 0 0 0 0 0  0 0 0 0 0 0
FORCE 14  90.0E6 0 0 0 0 0  0 0 0 0 0 0
STEP 1.5   3  0.25
FORCE 11  0 0 0 0 0 0  -90.0E6 0 0 0 0 0
FORCE 13  90.0E6 0 0 0 0 0  0 0 0 0 0 0
FORCE 14  90.0E6 0 0 0 0 0  0 0 0 0 0 0
)";

// The leg with one wall thickness throughout: no transition end at all.
const std::string kPlainModel = R"(ANALYSIS TIME
NODE 1  0 0 0
NODE 2  0 0 5
NODE 3  0 0 7
NODE 4  0 0 12
NODE 5  0 0 15
PIPE 1  1.0 0.020
GEOMETRY 6  2  1.0E8 1.0E8 1.0E9
MATERIAL 1  1  300.0E6
MATERIAL 2  2  0.0
ELEMENT 11  15  1 1  1 2
ELEMENT 12  15  1 1  2 3
ELEMENT 13  15  1 1  3 4
ELEMENT 14  15  1 1  4 5
ELEMENT 90  18  6 2  1
STEP 0.5  1  0.010
FORCE 11  9.0E6 0 0 0 0 0  -9.0E6 0 0 0 0 0
FORCE 12  9.0E6 0 0 0 0 0  -9.0E6 0 0 0 0 0
FORCE 13  9.0E6 0 0 0 0 0  -9.0E6 0 0 0 0 0
FORCE 14  9.0E6 0 0 0 0 0  -9.0E6 0 0 0 0 0
)";

// Two equal legs of tube and can side by side; the first in the text has
// the higher element number.  Steps 1 and 2 load both equally.
const std::string kEqualModel = R"(ANALYSIS TIME
NODE 1  0 0 0
NODE 2  0 0 5
NODE 3  0 0 7
NODE 4  10 0 0
NODE 5  10 0 5
NODE 6  10 0 7
PIPE 1  1.0 0.020
PIPE 2  1.0 0.030
MATERIAL 1  1  300.0E6
ELEMENT 500  15  1 1  1 2
ELEMENT 501  15  2 1  2 3
ELEMENT 100  15  1 1  4 5
ELEMENT 101  15  2 1  5 6
STEP 0.5  1  0.010
FORCE 500  0 0 0 0 0 0  -6.0E6 0 0 0 0 0
FORCE 100  0 0 0 0 0 0  -6.0E6 0 0 0 0 0
STEP 1.0  1  0.020
FORCE 500  0 0 0 0 0 0  -6.0E6 0 0 0 0 0
FORCE 100  0 0 0 0 0 0  -6.0E6 0 0 0 0 0
STEP 1.5  1  0.030
FORCE 500  0 0 0 0 0 0  -4.0E6 0 0 0 0 0
FORCE 100  0 0 0 0 0 0  -4.0E6 0 0 0 0 0
)";

struct GridLoad {
  int line;   ///< 1-based line of the grid
  double n1;  ///< tension at the transition end in step 1
  double n2;  ///< and in step 2
};

// A grid of vertical lines 10 m apart, two elements each: element 2k-1 from
// z = 0 to 5 (tube 1.0 x 0.020), element 2k from 5 to 7 (the same tube, or a
// can of 30 mm wall on the loaded lines, which makes end 2 of element 2k-1 a
// transition end).  An odd element count ends with a spring at node 1.
// External element numbers are 100000 + position.  Two steps: time 1.0 and
// 2.0, displacement 0.1 and 0.2.
std::string grid_model(int nel, const std::vector<GridLoad>& loads) {
  const int lines = nel / 2;
  std::string text = "ANALYSIS TIME\nPIPE 1 1.0 0.020\nPIPE 2 1.0 0.030\nGEOMETRY 6 2\n";
  text += "MATERIAL 1 1 300.0E6\nMATERIAL 2 2 0.0\n";
  text.reserve(static_cast<std::size_t>(nel) * 60);
  char line[160];
  for (int k = 1; k <= lines; ++k) {
    const int x = 10 * (k - 1);
    std::snprintf(line, sizeof line, "NODE %d %d 0 0\nNODE %d %d 0 5\nNODE %d %d 0 7\n", 3 * k - 2,
                  x, 3 * k - 1, x, 3 * k, x);
    text += line;
  }
  for (int k = 1; k <= lines; ++k) {
    const bool can =
        std::any_of(loads.begin(), loads.end(), [&](const GridLoad& g) { return g.line == k; });
    std::snprintf(line, sizeof line, "ELEMENT %d 15 1 1 %d %d\nELEMENT %d 15 %d 1 %d %d\n",
                  100000 + 2 * k - 1, 3 * k - 2, 3 * k - 1, 100000 + 2 * k, can ? 2 : 1, 3 * k - 1,
                  3 * k);
    text += line;
  }
  if (nel % 2 == 1) {
    std::snprintf(line, sizeof line, "ELEMENT %d 18 6 2 1\n", 100000 + nel);
    text += line;
  }
  for (int s = 1; s <= 2; ++s) {
    text += s == 1 ? "STEP 1.0 1 0.1\n" : "STEP 2.0 1 0.2\n";
    for (const GridLoad& g : loads) {
      std::snprintf(line, sizeof line, "FORCE %d 0 0 0 0 0 0 %.6E 0 0 0 0 0\n",
                    100000 + 2 * g.line - 1, -(s == 1 ? g.n1 : g.n2));
      text += line;
    }
  }
  return text;
}

// ---- running -------------------------------------------------------------------

std::string with_line_end(const std::string& text, const std::string& line_end) {
  std::string out;
  for (const char ch : text) {
    if (ch == '\n') {
      out += line_end;
    } else {
      out += ch;
    }
  }
  return out;
}

/// A directory with RAF files, a list file and the run's outputs.
class RunDir {
 public:
  /// Writes `text` as a model file and has mkraf (with `options`) turn it
  /// into `raf_name`.
  void raf(const std::string& raf_name, const std::string& text,
           std::vector<std::string> options = {}) {
    write_file(dir_ / (raf_name + ".model"), text);
    options.insert(options.end(), {"-o", raf_name, raf_name + ".model"});
    const RunResult r = run_program(kMkraf, options, dir_.path(), "");
    ASSERT_EQ(r.exit_status, 0) << r.errors;
  }

  void copy(const std::string& from, const std::string& to) {
    fs::copy_file(dir_ / from, dir_ / to, fs::copy_options::overwrite_existing);
  }

  /// Runs the program on the list `list` with the answers after the list
  /// and output file names: the sorted-list length and the step dialogue.
  RunResult run(const std::string& list, const std::string& answers,
                std::vector<std::string> args = {"20"}) {
    return run_with_line_end(list, answers, "\n", std::move(args));
  }

  /// The same, with every line of the list and the answers ending in
  /// `line_end`.
  RunResult run_with_line_end(const std::string& list, const std::string& answers,
                              const std::string& line_end, std::vector<std::string> args = {"20"}) {
    write_file(dir_ / "files.lst", with_line_end(list, line_end));
    return run_program(kVemrask, args, dir_.path(),
                       with_line_end("files.lst\nreport.txt\n" + answers, line_end));
  }

  [[nodiscard]] std::string report() const { return read_file(dir_ / "report.txt"); }
  [[nodiscard]] std::string log() const { return read_file(dir_ / "raf.log"); }
  [[nodiscard]] fs::path operator/(const std::string& name) const { return dir_ / name; }

 private:
  TempDir dir_;
};

/// raf.log with the date of every RAF library message replaced by <date>.
using test_support::log_without_dates;

// ---- the reports of the leg models ------------------------------------------------

const std::string kLegTable =
    kTableHead +
    records({"         11     2      50.0     1.500     1.000     0.020     1.000     0.030",
             "         13     1      40.0     1.200     1.000     0.025     1.000     0.030",
             "         14     1      50.0     1.250     1.000     0.020     1.000     0.025"});

std::string list_head(int file, const std::string& name) {
  char number[8];
  std::snprintf(number, sizeof number, "%5d", file);
  return records({"", "", "# ===================================================",
                  std::string("# File no") + number + "        :  " + name,
                  "# ---------------------------------------------------"});
}

std::string time_list(int file, const std::string& name, const std::string& time,
                      const std::string& displacement, const std::string& rows) {
  return list_head(file, name) +
         records({"  Highest Time        :      " + time,
                  "  Global Displacement :      " + displacement, "",
                  "        Elem    pCakeUtil  Time    "}) +
         rows;
}

std::string level_list(int file, const std::string& name, const std::string& load_case10,
                       const std::string& level, const std::string& displacement,
                       const std::string& rows) {
  return list_head(file, name) +
         records({"  Load Case           : " + load_case10, "  Highest Load Level  :      " + level,
                  "  Global Displacement :      " + displacement, "",
                  "        Elem    pCakeUtil  Level   "}) +
         rows;
}

// Sorted rows of the time model over all its steps.
const std::string kTimeRowsAll = records({
    "          11     1.070     1.500",
    "          14     0.582     1.500",
    "          13     0.522     2.000",
    "          12     0.000     0.000",
    "          90     0.000     0.000",
});

// ---- the hand-derived figures of the reports, from the program ----------------

// Every transition end whose utilisation the reports below show, worked out
// by hand from the pancake formulas (D = 1.0, fy = 300 MPa), each put on a
// tube-and-can pair of its own in one model: the program must list exactly
// these figures.  Tube 1000 + 2k ends (end 2) at the can 1000 + 2k + 1; the
// forces are stored at end 2, so with reversed signs.
TEST(PancakeFormulas, ProgramShowsTheHandFiguresOfTheReports) {
  const struct {
    const char* what;
    double n, m5, m6, t, t2;
    const char* shown;
  } ends[] = {
      // time model: element 11 end 2, 13 end 1, 14 end 1 at the times of the
      // stored steps
      {"11 at 0.5", 6.0E6, 3.0E5, 0, 0.020, 0.030, "0.420"},
      {"11 at 1.0", 9.0E6, 6.0E5, 0, 0.020, 0.030, "0.666"},
      {"11 at 1.5", 20.0E6, 0, 0, 0.020, 0.030, "1.070"},  // capped at fy: 1 / 0.935
      {"11 at 2.0", 10.5E6, 0, 0, 0.020, 0.030, "0.608"},
      {"13 at 0.5", 3.0E6, 0, 0, 0.025, 0.030, "0.136"},
      {"13 at 1.0", 7.5E6, 3.0E5, 0, 0.025, 0.030, "0.397"},
      {"13 at 1.5", 6.0E6, 0, 0, 0.025, 0.030, "0.272"},
      {"13 at 2.0", 9.0E6, 6.0E5, 0, 0.025, 0.030, "0.522"},
      {"14 at 0.5", -4.5E6, 0, 1.5E5, 0.020, 0.025, "0.000"},  // compression: no utilisation
      {"14 at 1.0", 3.0E6, 0, 0, 0.020, 0.025, "0.170"},
      {"14 at 1.5", 9.0E6, 0, 3.0E5, 0.020, 0.025, "0.582"},
      {"14 at 2.0", 6.0E6, 0, 0, 0.020, 0.025, "0.341"},
      // static model: element / step
      {"s11/2", 6.0E6, 0, 0, 0.020, 0.030, "0.347"},
      {"s11/4", 8.0E6, 0, 0, 0.020, 0.030, "0.463"},
      {"s11/5", 9.0E6, 0, 0, 0.020, 0.030, "0.521"},
      {"s13/2", 2.0E6, 0, 0, 0.025, 0.030, "0.091"},
      {"s13/4", 4.0E6, 0, 0, 0.025, 0.030, "0.181"},
      {"s13/5", 5.0E6, 0, 0, 0.025, 0.030, "0.226"},
      {"s13/6", 12.0E6, 0, 0, 0.025, 0.030, "0.544"},
      {"s14/2", 3.0E6, 0, 0, 0.020, 0.025, "0.170"},
      {"s14/4", 10.0E6, 0, 0, 0.020, 0.025, "0.568"},
      // equal legs; grid
      {"equal", 6.0E6, 0, 0, 0.020, 0.030, "0.347"},
      {"grid 4 MN", 4.0E6, 0, 0, 0.020, 0.030, "0.232"},
      {"grid 10 MN", 10.0E6, 0, 0, 0.020, 0.030, "0.579"},
      {"grid 1 MN", 1.0E6, 0, 0, 0.020, 0.030, "0.058"},
  };
  std::string model =
      "ANALYSIS TIME\nPIPE 1 1.0 0.020\nPIPE 2 1.0 0.025\nPIPE 3 1.0 0.030\n"
      "MATERIAL 1 1 300.0E6\n";
  std::string forces = "STEP 1.0 1 0.1\n";
  auto pipe_of = [](double t) { return t < 0.0225 ? 1 : t < 0.0275 ? 2 : 3; };
  char line[200];
  int k = 0;
  for (const auto& e : ends) {
    const int node = 3 * k + 1;
    const int tube = 1000 + 2 * k;
    std::snprintf(line, sizeof line,
                  "NODE %d %d 0 0\nNODE %d %d 0 5\nNODE %d %d 0 7\n"
                  "ELEMENT %d 15 %d 1 %d %d\nELEMENT %d 15 %d 1 %d %d\n",
                  node, 10 * k, node + 1, 10 * k, node + 2, 10 * k, tube, pipe_of(e.t), node,
                  node + 1, tube + 1, pipe_of(e.t2), node + 1, node + 2);
    model += line;
    std::snprintf(line, sizeof line, "FORCE %d 0 0 0 0 0 0 %.6E 0 0 0 %.6E %.6E\n", tube, -e.n,
                  -e.m5, -e.m6);
    forces += line;
    ++k;
  }
  RunDir dir;
  dir.raf("ends.raf", model + forces);
  const RunResult r = dir.run("ends.raf\n", "\n\n");
  ASSERT_EQ(r.exit_status, 0) << r.screen << r.errors;
  const std::string report = dir.report();
  k = 0;
  for (const auto& e : ends) {
    // An end never utilised lists no time either.
    const bool zero = std::string(e.shown) == "0.000";
    std::snprintf(line, sizeof line, "\n%12d     %s     %s\n", 1000 + 2 * k, e.shown,
                  zero ? "0.000" : "1.000");
    EXPECT_NE(report.find(line), std::string::npos) << e.what << ": " << line << report;
    ++k;
  }
}

/// Names parameterised cases after their `name`.
struct ByName {
  template <class Case>
  std::string operator()(const testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }
};

// ---- one time-domain file --------------------------------------------------------

struct TimeCase {
  const char* name;
  const char* answer;
  std::string screen_dialogue;
  std::string limit_line;
  int steps;
  std::string summary_line;
  std::string time, displacement, rows;
};

void PrintTo(const TimeCase& c, std::ostream* os) {
  *os << c.name;
}

class TimeLimit : public testing::TestWithParam<TimeCase> {};

TEST_P(TimeLimit, ReportAndScreen) {
  const TimeCase& c = GetParam();
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("frame.raf", kTimeModel));
  const RunResult r = dir.run("frame\n", std::string("\n") + c.answer + "\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 1) + processing("frame.raf") + kTimeQuestion +
                          c.screen_dialogue + checking(c.steps));
  EXPECT_EQ(dir.report(),
            kBanner + c.limit_line + kLegTable +
                records({"", "", "# File  Name  pCakeUtil       Elem    Time     GlbDisp",
                         c.summary_line}) +
                time_list(1, "frame.raf", c.time, c.displacement, c.rows) + kEof);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, TimeLimit,
    testing::Values(
        // No limit: every step (step 3 has no results and is passed over).
        TimeCase{"NoLimit", "", " Checks entire simulation\n\n\n", "#    Checks Entire Load Case\n",
                 5, "   1  frame     1.070          11     1.500     0.030", "1.500", "0.030",
                 kTimeRowsAll},
        // A limit beyond the last step: every step.
        TimeCase{"BeyondLastStep", "9", " Checks to Time  :     9.000\n",
                 "#    Up to Time         :        9.000\n", 5,
                 "   1  frame     1.070          11     1.500     0.030", "1.500", "0.030",
                 kTimeRowsAll},
        // 1.2 lies between steps 2 and 4; step 3 (1.25) has no results, so
        // step 4 (1.5) is the first to reach it, and it is checked.
        TimeCase{"BetweenSteps", "1.2", " Checks to Time  :     1.200\n",
                 "#    Up to Time         :        1.200\n", 4,
                 "   1  frame     1.070          11     1.500     0.030", "1.500", "0.030",
                 records({"          11     1.070     1.500", "          14     0.582     1.500",
                          "          13     0.397     1.000", "          12     0.000     0.000",
                          "          90     0.000     0.000"})},
        // The limit equals the time of step 2: step 2 is still checked.
        TimeCase{"EqualToAStep", "1.0", " Checks to Time  :     1.000\n",
                 "#    Up to Time         :        1.000\n", 2,
                 "   1  frame     0.666          11     1.000     0.020", "1.000", "0.020",
                 records({"          11     0.666     1.000", "          13     0.397     1.000",
                          "          14     0.170     1.000", "          12     0.000     0.000",
                          "          90     0.000     0.000"})},
        // Only step 1: element 14 is in compression there and keeps a zero
        // record, so the heading takes element 13, the last with a step.
        TimeCase{"FirstStepOnly", " 0.2 ", " Checks to Time  :     0.200\n",
                 "#    Up to Time         :        0.200\n", 1,
                 "   1  frame     0.420          11     0.500     0.010", "0.500", "0.010",
                 records({"          11     0.420     0.500", "          13     0.136     0.500",
                          "          12     0.000     0.000", "          14     0.000     0.000",
                          "          90     0.000     0.000"})}),
    ByName());

// The same time model in every layout mkraf writes: 4-byte reals, the
// indexed structure parameters, the other byte order.
class FileLayout : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(FileLayout, GivesTheSameReport) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("frame.raf", kTimeModel, GetParam()));
  const RunResult r = dir.run("frame\n", "\n\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(dir.report(),
            kBanner + "#    Checks Entire Load Case\n" + kLegTable +
                records({"", "", "# File  Name  pCakeUtil       Elem    Time     GlbDisp",
                         "   1  frame     1.070          11     1.500     0.030"}) +
                time_list(1, "frame.raf", "1.500", "0.030", kTimeRowsAll) + kEof);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FileLayout,
    testing::Values(std::vector<std::string>{"--re"}, std::vector<std::string>{"--indexed"},
                    std::vector<std::string>{"--big-endian"},
                    std::vector<std::string>{"--re", "--indexed", "--big-endian"}),
    [](const auto& info) {
      std::string name;
      for (const std::string& option : info.param) {
        if (!name.empty()) name += '_';
        for (const char ch : option.substr(2)) name += ch == '-' ? '_' : ch;
      }
      return name;
    });

// ---- one static file -------------------------------------------------------------

struct StaticCase {
  const char* name;
  const char* answers;
  std::string screen_dialogue;
  std::string limit_lines;
  int steps;
  std::string summary_line;
  std::string load_case10, level, displacement, rows;
};

void PrintTo(const StaticCase& c, std::ostream* os) {
  *os << c.name;
}

class StaticLimit : public testing::TestWithParam<StaticCase> {};

TEST_P(StaticLimit, ReportAndScreen) {
  const StaticCase& c = GetParam();
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("static.raf", kStaticModel));
  const RunResult r = dir.run("static\n", std::string("\n") + c.answers);
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 1) + processing("static.raf") + kStaticQuestion +
                          c.screen_dialogue + checking(c.steps));
  EXPECT_EQ(dir.report(),
            kBanner + c.limit_lines + kLegTable +
                records({"", "", "# File  Name   pCakeUtil       Elem    Level    GlbDisp",
                         c.summary_line}) +
                level_list(1, "static.raf", c.load_case10, c.level, c.displacement, c.rows) + kEof);
}

// Over steps 1 to 6: 11 peaks in step 5, 13 in step 6 (load case 3), 14 in
// step 4 (load case 2).
const std::string kStaticRowsAll = records({
    "          14     0.568     0.500",
    "          13     0.544     1.000",
    "          11     0.521     0.750",
    "          12     0.000     0.000",
    "          90     0.000     0.000",
});
const std::string kStaticSummaryAll = "   1  static     0.568          14     0.500     0.140";
const std::string kChecksLoadCase2 = " Checks Load Case :     2\n" + kLevelQuestion;

INSTANTIATE_TEST_SUITE_P(
    Runs, StaticLimit,
    testing::Values(
        // No load case: every step, no level question.
        StaticCase{"NoLoadCase", "\n", "\n\n Checks entire simulation    \n\n\n",
                   "# Checks Entire Simulation\n", 8, kStaticSummaryAll, "         2", "0.500",
                   "0.140", kStaticRowsAll},
        // Load case 0 asks for the level but still checks every step.
        StaticCase{
            "LoadCaseZero", "0\n\n",
            "\n\n Checks Load Case :     0\n" + kLevelQuestion + " Checks entire load case \n\n\n",
            "# Checks Entire Simulation\n", 8, kStaticSummaryAll, "         2", "0.500", "0.140",
            kStaticRowsAll},
        // A load case that no step has: every step up to the last.
        StaticCase{
            "LoadCaseNotInFile", "7\n\n",
            "\n\n Checks Load Case :     7\n" + kLevelQuestion + " Checks entire load case \n\n\n",
            "# Checks Load Case      :      7\n#    Checks Entire Load Case\n", 8,
            kStaticSummaryAll, "         2", "0.500", "0.140", kStaticRowsAll},
        // Load case 2 alone: up to its last step (5), load case 3 is left out.
        StaticCase{"LoadCaseAlone", "2\n\n",
                   "\n\n" + kChecksLoadCase2 + " Checks entire load case \n\n\n",
                   "# Checks Load Case      :      2\n#    Checks Entire Load Case\n", 5,
                   kStaticSummaryAll, "         2", "0.500", "0.140",
                   records({"          14     0.568     0.500", "          11     0.521     0.750",
                            "          13     0.226     0.750", "          12     0.000     0.000",
                            "          90     0.000     0.000"})},
        // Load case 2 up to level 0.5: step 4 reaches it and is checked, with
        // the steps of load case 1 before it.
        StaticCase{"LoadCaseAndLevel", "2\n0.5\n",
                   "\n\n" + kChecksLoadCase2 + " Checks to Level :     0.500\n",
                   "# Checks Load Case      :      2\n#    Up to Load Level   :        0.500\n", 4,
                   kStaticSummaryAll, "         2", "0.500", "0.140",
                   records({"          14     0.568     0.500", "          11     0.463     0.500",
                            "          13     0.181     0.500", "          12     0.000     0.000",
                            "          90     0.000     0.000"})},
        // Load case 1 up to level 0.6: step 2 (level 1.0) is the first to reach it.
        StaticCase{
            "FirstLoadCaseAndLevel", "1\n0.6\n",
            "\n\n Checks Load Case :     1\n" + kLevelQuestion + " Checks to Level :     0.600\n",
            "# Checks Load Case      :      1\n#    Up to Load Level   :        0.600\n", 2,
            "   1  static     0.347          11     1.000     0.100", "         1", "1.000",
            "0.100",
            records({"          11     0.347     1.000", "          14     0.170     1.000",
                     "          13     0.091     1.000", "          12     0.000     0.000",
                     "          90     0.000     0.000"})}),
    ByName());

// ---- an answer of the step dialogue that cannot be used ------------------------

struct StopCase {
  const char* name;
  bool time_domain;
  const char* answers;
  std::string dialogue;  ///< screen after " Now processing: "
  std::string reason;
};

void PrintTo(const StopCase& c, std::ostream* os) {
  *os << c.name;
}

class StepDialogueStop : public testing::TestWithParam<StopCase> {};

TEST_P(StepDialogueStop, EndsTheRunWithoutAReport) {
  const StopCase& c = GetParam();
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("leg.raf", c.time_domain ? kTimeModel : kStaticModel));
  const RunResult r = dir.run("leg.raf\n", std::string("\n") + c.answers);
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 1) + processing("leg.raf") + c.dialogue +
                          "\n\n *** STOP: " + c.reason + "\n *** The run ends without a report.\n");
  EXPECT_EQ(dir.report(), kBanner);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, StepDialogueStop,
    testing::Values(
        StopCase{"TimeNotANumber", true, "soon\n", kTimeQuestion,
                 "The answer \"soon\" is not a number"},
        StopCase{"TimeInputEnded", true, "", kTimeQuestion,
                 "No answer to \"Give Time  (Default is up to max)\": the input has ended"},
        StopCase{"LoadCaseNotAnInteger", false, " two \n", kStaticQuestion,
                 "The answer \"two\" is not an integer"},
        StopCase{"LevelNotANumber", false, "2\nhalf\n",
                 kStaticQuestion + "\n\n Checks Load Case :     2\n" + kLevelQuestion,
                 "The answer \"half\" is not a number"},
        StopCase{"LevelInputEnded", false, "2\n",
                 kStaticQuestion + "\n\n Checks Load Case :     2\n" + kLevelQuestion,
                 "No answer to \"Load Level (Default is up to max)\": the input has ended"}),
    ByName());

// ---- several files in one list -------------------------------------------------------

// Lines of the list and answers may end in a carriage return and a line
// feed, as files written on other computers do.
class TimeFileFirst : public testing::TestWithParam<const char*> {};

TEST_P(TimeFileFirst, StaticFileLast) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("frame.raf", kTimeModel));
  ASSERT_NO_FATAL_FAILURE(dir.raf("static.raf", kStaticModel));
  // The time limit of the first file (load case 1, up to 1.0) holds for the
  // static file too: its load case 1 reaches level 1.0 in step 2.
  const RunResult r = dir.run_with_line_end("\nframe\n\n   \nstatic.raf\n", "\n1.0\n", GetParam());
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 2) + processing("frame.raf") + kTimeQuestion +
                          " Checks to Time  :     1.000\n" + checking(2) +
                          processing("static.raf") + checking(2));
  // Headings in the level form of the last file; name field of 10 ("static.raf").
  EXPECT_EQ(dir.report(),
            kBanner + "#    Up to Time         :        1.000\n" + kLegTable + kLegTable +
                records({"", "", "# File  Name       pCakeUtil       Elem    Level    GlbDisp",
                         "   1  frame          0.666          11     1.000     0.020",
                         "   2  static         0.347          11     1.000     0.100"}) +
                level_list(
                    1, "frame.raf", "         1", "1.000", "0.020",
                    records({"          11     0.666     1.000", "          13     0.397     1.000",
                             "          14     0.170     1.000", "          12     0.000     0.000",
                             "          90     0.000     0.000"})) +
                level_list(
                    2, "static.raf", "         1", "1.000", "0.100",
                    records({"          11     0.347     1.000", "          14     0.170     1.000",
                             "          13     0.091     1.000", "          12     0.000     0.000",
                             "          90     0.000     0.000"})) +
                kEof);
}

INSTANTIATE_TEST_SUITE_P(FileList, TimeFileFirst, testing::Values("\n", "\r\n"),
                         [](const auto& info) {
                           return std::string(info.index == 0 ? "LineFeed" : "CarriageReturn");
                         });

TEST(FileList, StaticFileFirstTimeFileLast) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("frame.raf", kTimeModel));
  ASSERT_NO_FATAL_FAILURE(dir.raf("static.raf", kStaticModel));
  // No load case for the first file: every step of both files.
  const RunResult r = dir.run("static.raf\n\nframe\n", "\n\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 2) + processing("static.raf") + kStaticQuestion +
                          "\n\n Checks entire simulation    \n\n\n" + checking(8) +
                          processing("frame.raf") + checking(5));
  EXPECT_EQ(dir.report(),
            kBanner + "# Checks Entire Simulation\n" + kLegTable + kLegTable +
                records({"", "", "# File  Name       pCakeUtil       Elem    Time     GlbDisp",
                         "   1  static         0.568          14     0.500     0.140",
                         "   2  frame          1.070          11     1.500     0.030"}) +
                time_list(1, "static.raf", "0.500", "0.140", kStaticRowsAll) +
                time_list(2, "frame.raf", "1.500", "0.030", kTimeRowsAll) + kEof);
}

// ---- sorted-list lengths ------------------------------------------------------------

struct LengthCase {
  const char* name;
  const char* answer;
  std::string echo;
  std::string lists;  ///< the sorted lists of the report
};

void PrintTo(const LengthCase& c, std::ostream* os) {
  *os << c.name;
}

class SortedListLength : public testing::TestWithParam<LengthCase> {};

TEST_P(SortedListLength, ListsThatManyElements) {
  const LengthCase& c = GetParam();
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("frame.raf", kTimeModel));
  const RunResult r = dir.run("frame.raf\n", std::string(c.answer) + "\n\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(r.screen.substr(0, screen_start(c.echo, 1).size()), screen_start(c.echo, 1));
  EXPECT_EQ(dir.report(),
            kBanner + "#    Checks Entire Load Case\n" + kLegTable +
                records({"", "", "# File  Name      pCakeUtil       Elem    Time     GlbDisp",
                         "   1  frame         1.070          11     1.500     0.030"}) +
                c.lists + kEof);
}

const std::string kAllListed = time_list(1, "frame.raf", "1.500", "0.030", kTimeRowsAll);

INSTANTIATE_TEST_SUITE_P(
    Runs, SortedListLength,
    testing::Values(LengthCase{"Blank", "", kPrintsAll, kAllListed},
                    LengthCase{"Zero", "0", prints("     0"), ""},
                    LengthCase{"Three", "3", prints("     3"),
                               time_list(1, "frame.raf", "1.500", "0.030",
                                         records({"          11     1.070     1.500",
                                                  "          14     0.582     1.500",
                                                  "          13     0.522     2.000"}))},
                    LengthCase{"AboveElementCount", "7", prints("     7"), kAllListed},
                    LengthCase{"BelowMinusOne", "-4", prints("    -4"), kAllListed}),
    ByName());

// ---- equal utilisations ----------------------------------------------------------------

TEST(EqualUtilisations, LowerPositionFirstEarlierStepKept) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("equal.raf", kEqualModel));
  const RunResult r = dir.run("equal\n", "\n\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  // 500 comes first in the text: the summary names it and the list puts it
  // before 100.  Steps 1 and 2 give the same value: step 1 (time 0.5, global
  // displacement 0.010) stays in the records.
  EXPECT_EQ(
      dir.report(),
      kBanner + "#    Checks Entire Load Case\n" + kTableHead +
          records({"        500     2      50.0     1.500     1.000     0.020     1.000     0.030",
                   "        100     2      50.0     1.500     1.000     0.020     1.000     0.030",
                   "", "", "# File  Name  pCakeUtil       Elem    Time     GlbDisp",
                   "   1  equal     0.347         500     0.500     0.010"}) +
          time_list(
              1, "equal.raf", "0.500", "0.010",
              records({"         500     0.347     0.500", "         100     0.347     0.500",
                       "         501     0.000     0.000", "         101     0.000     0.000"})) +
          kEof);
}

// ---- a file without any transition end ---------------------------------------------

TEST(NoTransitionEnd, AllZeroBlockNamesTheFirstElement) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("plain.raf", kPlainModel));
  const RunResult r = dir.run("plain\n", "\n\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  const std::string zero_rows = records({
      "          11     0.000     0.000",
      "          12     0.000     0.000",
      "          13     0.000     0.000",
      "          14     0.000     0.000",
      "          90     0.000     0.000",
  });
  // No element table at all; the summary names the first element.
  EXPECT_EQ(dir.report(),
            kBanner + "#    Checks Entire Load Case\n" +
                records({"", "", "# File  Name  pCakeUtil       Elem    Time     GlbDisp",
                         "   1  plain     0.000          11     0.000     0.000"}) +
                time_list(1, "plain.raf", "0.000", "0.000", zero_rows) + kEof);
}

TEST(NoTransitionEnd, HeadingCarriesOverFromThePreviousFile) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("frame.raf", kTimeModel));
  ASSERT_NO_FATAL_FAILURE(dir.raf("plain.raf", kPlainModel));
  const RunResult r = dir.run("frame\nplain\n", "3\n\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  // The second file's heading keeps the displacement of the first file's
  // last element with a step (14) and the time of the last element listed
  // there (13).
  EXPECT_EQ(
      dir.report(),
      kBanner + "#    Checks Entire Load Case\n" + kLegTable +
          records({"", "", "# File  Name  pCakeUtil       Elem    Time     GlbDisp",
                   "   1  frame     1.070          11     1.500     0.030",
                   "   2  plain     0.000          11     0.000     0.000"}) +
          time_list(1, "frame.raf", "1.500", "0.030",
                    records({"          11     1.070     1.500", "          14     0.582     1.500",
                             "          13     0.522     2.000"})) +
          time_list(2, "plain.raf", "2.000", "0.030",
                    records({"          11     0.000     0.000", "          12     0.000     0.000",
                             "          13     0.000     0.000"})) +
          kEof);
}

// ---- files the run refuses: the PEAKS exit ----------------------------------------------

TEST(PeaksExit, FileWithoutForces) {
  RunDir dir;
  auto arrays = arrays_of(kTimeModel);
  std::erase_if(arrays, [](const raf_tools::ModelArray& a) { return a.name == "TFLE"; });
  std::string error;
  ASSERT_TRUE(raf_tools::write_model(dir / "noforce.raf", arrays, {}, {}, error)) << error;

  const RunResult r = dir.run("noforce\n", "\n\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 1) + processing("noforce.raf") + kReturnFailure);
  EXPECT_EQ(dir.report(), kBanner +
                              records({"", "  *** ERROR IN ARGTIP ***", "",
                                       "  *** Array not allocated : TFLE", "", ""}) +
                              kPeaks);
}

// An array stored with another element size than the check reads it with.
TEST(PeaksExit, ArrayOfTheWrongElementSize) {
  struct Case {
    const char* name;
    const char* data_type;
    const char* detail;
  };
  for (const Case& c : {Case{"MELTYP", "DP", "holds elements of 2 words; 1 expected"},
                        Case{"TCOORD", "IN", "holds elements of 1 words; 2 expected"}}) {
    RunDir dir;
    auto arrays = arrays_of(kTimeModel);
    for (raf_tools::ModelArray& a : arrays) {
      if (a.name != c.name) continue;
      a.data_type = c.data_type;
      if (a.values.ints.empty()) {
        a.values.ints.assign(a.values.reals.begin(), a.values.reals.end());
        a.values.reals.clear();
      } else {
        a.values.reals.assign(a.values.ints.begin(), a.values.ints.end());
        a.values.ints.clear();
      }
    }
    std::string error;
    ASSERT_TRUE(raf_tools::write_model(dir / "odd.raf", arrays, {}, {}, error)) << error;

    const RunResult r = dir.run("odd.raf\n", "\n\n");
    EXPECT_EQ(r.exit_status, 1) << c.name;
    EXPECT_EQ(r.errors, "vemrask: odd.raf: cannot be read (see the output file and the log)\n");
    EXPECT_EQ(dir.report(), kBanner +
                                records({"", "  *** ERROR IN ARGTIP ***",
                                         "      Array " + std::string(c.name) + " " + c.detail}) +
                                kPeaks)
        << c.name;
  }
}

const std::string kOpenFailureTail =
    records({"", " *** Error return from RAFOLD", "", "  *** ERROR IN INIRAF_0 ***"});

TEST(PeaksExit, ListedFileDoesNotExist) {
  RunDir dir;
  const RunResult r = dir.run("missing\n", "\n\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 1) + kReturnFailure);
  EXPECT_EQ(dir.report(), kBanner + kPeaks);
  EXPECT_EQ(log_without_dates(dir.log()),
            records({" *** RAFLIB ERROR - <date> - Routine RFFIOP:", " *** File 0 / Msg_no 1034:",
                     " *** Cannot open file - Computer's error flag = 2"}) +
                kOpenFailureTail +
                records({"      Error opening raf_file         :missing.raf", ""}));
}

TEST(PeaksExit, ListedFileIsNotARafFile) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("frame.raf", kTimeModel));
  // Two records' worth of text, so that the key record can be read.
  write_file(dir / "notes.raf", 40 * std::string("Notes of the analysis, not a result file.\n"));
  const RunResult r = dir.run("frame\nnotes\n", "\n\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 2) + processing("frame.raf") + kTimeQuestion +
                          " Checks entire simulation\n\n\n" + checking(5) + kReturnFailure);
  // The first file's table is written; the second file ends the run
  // without a report.
  EXPECT_EQ(dir.report(), kBanner + "#    Checks Entire Load Case\n" + kLegTable + kPeaks);
  EXPECT_EQ(log_without_dates(dir.log()),
            records({" *** RAFLIB ERROR - <date> - Routine RFIOLD:", " *** File 0 / Msg_no 1020:",
                     " *** File is not a RAFLIB file"}) +
                kOpenFailureTail +
                records({"      Error opening raf_file         :notes.raf", ""}));
}

// ---- a result pass that fails --------------------------------------------------------

const std::string kForcesLost =
    records({"*** ERROR IN ARREC1 ***", "Error During Recallin Array: TFLE", "",
             "  *** ERROR IN VemRask_01  ***"});

class ResultPassFailure : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(dir.raf("frame.raf", kTimeModel));
    std::string error;
    // The forces of step 2 are catalogued but were never stored.
    ASSERT_TRUE(write_without_step(dir / "broken.raf", arrays_of(kTimeModel), "TFLE", 2, error))
        << error;
  }
  RunDir dir;
};

TEST_F(ResultPassFailure, OnAMiddleFileEndsTheRunAtTheNextFile) {
  const RunResult r = dir.run("frame\nbroken\nframe\n", "\n\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 3) + processing("frame.raf") + kTimeQuestion +
                          " Checks entire simulation\n\n\n" + checking(5) +
                          processing("broken.raf") + checking(5) + kReturnFailure);
  EXPECT_EQ(dir.report(),
            kBanner + "#    Checks Entire Load Case\n" + kLegTable + kLegTable + kForcesLost);
  EXPECT_NE(dir.log().find(" *** Attempt to read a non-allocated array"), std::string::npos)
      << dir.log();
}

TEST_F(ResultPassFailure, OnTheLastFileStillWritesTheReport) {
  const RunResult r = dir.run("frame\nbroken\n", "\n\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 2) + processing("frame.raf") + kTimeQuestion +
                          " Checks entire simulation\n\n\n" + checking(5) +
                          processing("broken.raf") + checking(5) + kReturnFailure);
  // The broken file keeps what step 1 gave.
  EXPECT_EQ(
      dir.report(),
      kBanner + "#    Checks Entire Load Case\n" + kLegTable + kLegTable + kForcesLost +
          records({"", "", "# File  Name   pCakeUtil       Elem    Time     GlbDisp",
                   "   1  frame      1.070          11     1.500     0.030",
                   "   2  broken     0.420          11     0.500     0.010"}) +
          time_list(1, "frame.raf", "1.500", "0.030", kTimeRowsAll) +
          time_list(2, "broken.raf", "0.500", "0.010",
                    records({"          11     0.420     0.500", "          13     0.136     0.500",
                             "          12     0.000     0.000", "          14     0.000     0.000",
                             "          90     0.000     0.000"})) +
          kEof);
}

// With --keep-going the broken file is skipped: the report is that of the
// two other files, and names the skipped one at its list position.
TEST_F(ResultPassFailure, KeepGoingSkipsTheFile) {
  const RunResult r = dir.run("frame\nbroken\nframe\n", "\n\n", {"20", "--keep-going"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.errors,
            "vemrask: broken.raf: skipped: the result pass failed (see the output file)\n");
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 3) + processing("frame.raf") + kTimeQuestion +
                          " Checks entire simulation\n\n\n" + checking(5) +
                          processing("broken.raf") + checking(5) + " *** SKIPPED: broken.raf\n" +
                          processing("frame.raf") + checking(5));
  const std::string summary = "   1  frame     1.070          11     1.500     0.030";
  EXPECT_EQ(dir.report(),
            kBanner + "#    Checks Entire Load Case\n" + kLegTable + kLegTable + kForcesLost +
                records({"", "  *** SKIPPED: broken.raf"}) + kLegTable +
                records({"", "", "# File  Name  pCakeUtil       Elem    Time     GlbDisp", summary,
                         "   2  frame     1.070          11     1.500     0.030"}) +
                time_list(1, "frame.raf", "1.500", "0.030", kTimeRowsAll) +
                time_list(2, "frame.raf", "1.500", "0.030", kTimeRowsAll) +
                records({"", "", "# ===================================================",
                         "# Files skipped, not checked :     1",
                         "# ---------------------------------------------------",
                         "#  List no  Name", "         2  broken.raf"}) +
                kEof);

  // Without the option the run ends, with the reason on standard error.
  const RunResult ends = dir.run("frame\nbroken\nframe\n", "\n\n");
  EXPECT_EQ(ends.exit_status, 1);
  EXPECT_EQ(ends.errors, "vemrask: broken.raf: the result pass failed (see the output file)\n");
}

// A file of another model skipped after the last checked one: the report
// keeps the element numbers of the checked file, though the skipped file's
// arrays took its place in the work space.
TEST_F(ResultPassFailure, SkippedFileAfterTheLastCheckedOne) {
  std::string error;
  ASSERT_TRUE(write_without_step(dir / "other.raf", arrays_of(kEqualModel), "TFLE", 2, error))
      << error;
  ASSERT_EQ(dir.run("frame\n", "\n\n").exit_status, 0);
  const std::string alone = dir.report();
  const RunResult r = dir.run("frame\nother\n", "\n\n", {"20", "-k"});
  EXPECT_EQ(r.exit_status, 2);
  const std::string report = dir.report();
  const std::size_t summary = report.find("\n\n# File ");
  ASSERT_NE(summary, std::string::npos) << report;
  EXPECT_EQ(report.substr(summary),
            alone.substr(alone.find("\n\n# File "),
                         alone.size() - alone.find("\n\n# File ") - kEof.size()) +
                records({"", "", "# ===================================================",
                         "# Files skipped, not checked :     1",
                         "# ---------------------------------------------------",
                         "#  List no  Name", "         2  other.raf"}) +
                kEof);
}

// ---- names of the list ---------------------------------------------------------------------

TEST(FileList, RafIsAddedToLongerNamesOnly) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("run1", kTimeModel));
  dir.copy("run1", "case12.raf");
  dir.copy("run1", "case12.RAF.raf");
  const RunResult r = dir.run("run1\n\ncase12\n   \ncase12.raf\ncase12.RAF\n", "1\n\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(r.screen, screen_start(prints("     1"), 4) + processing("run1") + kTimeQuestion +
                          " Checks entire simulation\n\n\n" + checking(5) +
                          processing("case12.raf") + checking(5) + processing("case12.raf") +
                          checking(5) + processing("case12.RAF.raf") + checking(5));
  const std::string top = records({"          11     1.070     1.500"});
  // Name field of 10 (case12.raf and case12.RAF as read); run1 has no ".raf"
  // to take off and shows no name.
  EXPECT_EQ(dir.report(),
            kBanner + "#    Checks Entire Load Case\n" + 4 * kLegTable +
                records({"", "", "# File  Name       pCakeUtil       Elem    Time     GlbDisp",
                         "   1                 1.070          11     1.500     0.030",
                         "   2  case12         1.070          11     1.500     0.030",
                         "   3  case12         1.070          11     1.500     0.030",
                         "   4  case12.RAF     1.070          11     1.500     0.030"}) +
                time_list(1, "run1", "1.500", "0.030", top) +
                time_list(2, "case12.raf", "1.500", "0.030", top) +
                time_list(3, "case12.raf", "1.500", "0.030", top) +
                time_list(4, "case12.RAF.raf", "1.500", "0.030", top) + kEof);
}

// ---- large files -------------------------------------------------------------------------------

TEST(LargeFile, TwentyThousandElements) {
  RunDir dir;
  // Transition ends at positions 5, 11999 and 19997; the highest value lies
  // beyond position 10,000.
  ASSERT_NO_FATAL_FAILURE(
      dir.raf("grid20k.raf",
              grid_model(20000, {{3, 3.0E6, 4.0E6}, {6000, 6.0E6, 5.0E6}, {9999, 9.0E6, 10.0E6}})));
  const RunResult r = dir.run("grid20k\n", "4\n\n");
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(r.screen, screen_start(prints("     4"), 1) + processing("grid20k.raf") +
                          kTimeQuestion + " Checks entire simulation\n\n\n" + checking(2));
  EXPECT_EQ(
      dir.report(),
      kBanner + "#    Checks Entire Load Case\n" + kTableHead +
          records({"     100005     2      50.0     1.500     1.000     0.020     1.000     0.030",
                   "     111999     2      50.0     1.500     1.000     0.020     1.000     0.030",
                   "     119997     2      50.0     1.500     1.000     0.020     1.000     0.030",
                   "", "", "# File  Name    pCakeUtil       Elem    Time     GlbDisp",
                   "   1  grid20k     0.579      119997     2.000     0.200"}) +
          time_list(
              1, "grid20k.raf", "2.000", "0.200",
              records({"      119997     0.579     2.000", "      111999     0.347     1.000",
                       "      100005     0.232     2.000", "      100001     0.000     0.000"})) +
          kEof);
}

// A 10,000-element grid with one transition end (element 100001, loaded
// with 1 MN in step 2).
std::string grid10k() {
  return grid_model(10000, {{1, 0.0, 1.0E6}});
}

const std::string kGrid10kTable =
    kTableHead +
    records({"     100001     2      50.0     1.500     1.000     0.020     1.000     0.030"});

TEST(LargeFile, PeakMemoryWithTheDefaultWorkSpace) {
#ifdef E2E_ADDRESS_SANITIZER
  GTEST_SKIP() << "the sanitizer's shadow memory inflates the resident set";
#endif
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("grid10k.raf", grid10k()));
  // No size argument: 400 million words are reserved, but only what the
  // file needs is touched.
  const RunResult r = dir.run("grid10k\n", "3\n\n", {});
  EXPECT_EQ(r.exit_status, 0) << r.screen;
  EXPECT_EQ(r.screen.rfind("\n\n 400 million words successfully allocated \n\n", 0), 0u);
  EXPECT_GT(r.max_rss_kb, 0);
  EXPECT_LT(r.max_rss_kb, 100 * 1024) << "peak resident set " << r.max_rss_kb << " kB";
  EXPECT_NE(dir.report().find(records({"      100001     0.058     2.000"})), std::string::npos)
      << dir.report();
}

// ---- capacity of a run ------------------------------------------------------------------------

std::string repeated(const std::string& line, int count) {
  std::string text;
  for (int k = 0; k < count; ++k) text += line + "\n";
  return text;
}

TEST(Capacity, FileTooLargeForTheListIsRefusedAtOnce) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("grid10001.raf", grid_model(10001, {{1, 1.0E6, 1.0E6}})));
  const RunResult r = dir.run(repeated("grid10001", 1000), "\n\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen,
            screen_start(kPrintsAll, 1000) + processing("grid10001.raf") + kReturnFailure);
  EXPECT_EQ(dir.report(), kBanner + kPeaks +
                              records({"      1000 files x 10 x 10001 elements = 100010000 result "
                                       "values exceed the capacity of 100000000"}));
}

TEST(Capacity, EachFileIsCheckedWithItsOwnElementCount) {
  RunDir dir;
  ASSERT_NO_FATAL_FAILURE(dir.raf("grid10k.raf", grid10k()));
  ASSERT_NO_FATAL_FAILURE(dir.raf("grid10001.raf", grid_model(10001, {{1, 1.0E6, 1.0E6}})));
  // 1000 files of 10,000 elements fill the capacity exactly: the first file
  // is checked; the second, of 10,001 elements, is refused.
  const RunResult r = dir.run("grid10k\n" + repeated("grid10001", 999), "\n\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen, screen_start(kPrintsAll, 1000) + processing("grid10k.raf") + kTimeQuestion +
                          " Checks entire simulation\n\n\n" + checking(2) +
                          processing("grid10001.raf") + kReturnFailure);
  EXPECT_EQ(dir.report(), kBanner + "#    Checks Entire Load Case\n" + kGrid10kTable + kPeaks +
                              records({"      1000 files x 10 x 10001 elements = 100010000 result "
                                       "values exceed the capacity of 100000000"}));
}

TEST(Capacity, ListOfMoreThanAThousandNames) {
  RunDir dir;
  const RunResult over = dir.run(repeated("absent", 1001), "\n\n");
  EXPECT_EQ(over.exit_status, 1);
  EXPECT_EQ(over.screen, screen_start(kPrintsAll, 1001) + kReturnFailure);
  EXPECT_EQ(dir.report(),
            kBanner + kPeaks +
                records({"      The list names 1001 RAF files; a run takes at most 1000"}));
  EXPECT_FALSE(fs::exists(dir / "raf.log"));  // no RAF file was opened

  // A thousand names are taken: the run goes on to open the first file.
  const RunResult full = dir.run(repeated("absent", 1000), "\n\n");
  EXPECT_EQ(full.exit_status, 1);
  EXPECT_EQ(full.screen, screen_start(kPrintsAll, 1000) + kReturnFailure);
  EXPECT_EQ(dir.report(), kBanner + kPeaks);
  EXPECT_NE(dir.log().find("      Error opening raf_file         :absent.raf\n"),
            std::string::npos);
}

}  // namespace
