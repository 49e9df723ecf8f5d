// mkraf, run as a program: the arrays a small model text gives, its
// options, and the messages for model texts with a fault.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/programs.h"
#include "tools/raf_reader.h"

namespace {

using namespace program_test;
using tools_test::RafReader;

// Three nodes in a line, a tube and a thicker can, a cone with per-end
// properties, a one-node spring; two steps.
constexpr std::string_view kModel = R"(# small model
TITLE  mkraf test
ANALYSIS STATIC
NODE 10  0 0 0
NODE 20  0 0 4.5
NODE 30  0 0 6
NODE 40  1 0 6
PIPE 1   1.2 0.025            # tube
PIPE 2   1.2 0.04 0 0.15 0.03 0.031
PIPE 3   1.2 0.03 1.0
PIPEEND 3 2  0.09 0.012 0.013
GEOMETRY 5 2  7.5 8.5
MATERIAL 1 1 355E6 2.1E11 0.3
MATERIAL 3 2 0
ELEMENT 1001 15 1 1  10 20
ELEMENT 1002 15 2 1  20 30
element 1003 15 3 1  30 40
ELEMENT 9001 18 5 3  10
STEP 0.5 2 0.01
FORCE 1002  1 2 3 4 5 6 7 8 9 10 11 12
FORCE 9001  -1 -2 -3 -4 -5 -6
STEP 1.0D0 3 -0.02 0
FORCE 1001  1.5 0 0 0 0 0 0 0 0 0 0 -1.5
)";

struct Written {
  TempDir dir;
  test_support::RunResult run;
  fs::path raf;
};

void make(Written& w, std::string_view text, const std::vector<std::string>& options = {}) {
  write_file(w.dir / "model.txt", std::string(text));
  std::vector<std::string> args = options;
  args.insert(args.end(), {"-o", "out.raf", "model.txt"});
  w.run = run_program(kMkraf, args, w.dir.path(), "");
  w.raf = w.dir / "out.raf";
}

double tube_area(double d, double t) {
  return std::numbers::pi / 4 * (d * d - (d - 2 * t) * (d - 2 * t));
}
double tube_inertia(double d, double t) {
  const double di = d - 2 * t;
  return std::numbers::pi / 64 * (d * d * d * d - di * di * di * di);
}

/// Word k of column c of a column array with leading dimension l.
double word(const std::vector<double>& a, int l, int c, int k) {
  return a[static_cast<std::size_t>((c - 1) * l + k - 1)];
}

TEST(Mkraf, SmallModelGivesTheModelArrays) {
  Written w;
  make(w, kModel);
  ASSERT_EQ(w.run.exit_status, 0) << w.run.errors;
  RafReader r(w.raf);
  ASSERT_TRUE(r.ok()) << r.ierr();

  EXPECT_EQ(r.ints("MELTYP"), (std::vector<int32_t>{15, 15, 15, 18}));
  EXPECT_EQ(r.ints("MELGEO"), (std::vector<int32_t>{1, 2, 3, 5}));
  EXPECT_EQ(r.ints("MELMAT"), (std::vector<int32_t>{1, 1, 1, 3}));
  EXPECT_EQ(r.ints("MELEX"), (std::vector<int32_t>{1001, 1002, 1003, 9001}));
  EXPECT_EQ(r.ints("MNPC"), (std::vector<int32_t>{1, 2, 2, 3, 3, 4, 1}));
  EXPECT_EQ(r.ints("MPMNPC"), (std::vector<int32_t>{1, 3, 5, 7, 8}));
  EXPECT_EQ(r.ints("MNPEX"), (std::vector<int32_t>{10, 20, 30, 40}));
  EXPECT_EQ(r.ints("MPEVEC"), (std::vector<int32_t>{1, 13, 25, 37}));
  EXPECT_EQ(r.ints("MGETYP"), (std::vector<int32_t>{1, 1, 1, 0, 2}));
  EXPECT_EQ(r.ints("MATYP"), (std::vector<int32_t>{1, 0, 2}));
  EXPECT_EQ(r.reals("TCOORD"), (std::vector<double>{0, 0, 0, 0, 0, 4.5, 0, 0, 6, 1, 0, 6}));
  const std::string title = "mkraf test";
  EXPECT_EQ(r.ints("ICTEXT"), std::vector<int32_t>(title.begin(), title.end()));
  EXPECT_EQ(r.rec(r.number("ICTEXT"), 4), 11);

  const std::vector<int32_t> mstru = r.ints("MSTRU");
  ASSERT_EQ(mstru.size(), 200U);
  const std::vector<std::pair<int, int32_t>> params = {
      {1, 4}, {2, 4}, {9, 3}, {11, 5}, {36, 3}, {37, 44}, {42, 10}, {50, 2}, {97, 2}};
  for (const auto& [pos, value] : params) EXPECT_EQ(mstru[pos - 1], value) << "word " << pos;

  const std::vector<double> cr = r.reals("TCRGEO");
  const std::vector<double> gp = r.reals("TGEPA");
  ASSERT_EQ(cr.size(), 44U * 5);
  ASSERT_EQ(gp.size(), 44U * 5);
  EXPECT_DOUBLE_EQ(word(cr, 44, 1, 1), 1.15);
  EXPECT_EQ(word(cr, 44, 1, 2), 1.2);
  EXPECT_EQ(word(cr, 44, 1, 3), 0.025);
  EXPECT_EQ(word(cr, 44, 1, 6), 0.0);
  EXPECT_EQ(word(cr, 44, 3, 6), 1.0);  // cone: end-2 diameter
  EXPECT_EQ(word(cr, 44, 5, 1), 7.5);
  EXPECT_EQ(word(cr, 44, 5, 2), 8.5);
  // Computed from D and T, or as given.
  EXPECT_DOUBLE_EQ(word(gp, 44, 1, 1), tube_area(1.2, 0.025));
  EXPECT_DOUBLE_EQ(word(gp, 44, 1, 3), tube_inertia(1.2, 0.025));
  EXPECT_DOUBLE_EQ(word(gp, 44, 1, 4), tube_inertia(1.2, 0.025));
  EXPECT_NEAR(word(gp, 44, 1, 1), 0.0922842841992003, 1e-15);  // the reference file's value
  EXPECT_EQ(word(gp, 44, 2, 1), 0.15);
  EXPECT_EQ(word(gp, 44, 2, 3), 0.03);
  EXPECT_EQ(word(gp, 44, 2, 4), 0.031);
  EXPECT_EQ(word(gp, 44, 2, 20), 0.0);
  // Per-end properties: end 2 as given, end 1 the section's.
  EXPECT_EQ(word(gp, 44, 3, 20), 1.0);
  EXPECT_DOUBLE_EQ(word(gp, 44, 3, 21), tube_area(1.2, 0.03));
  EXPECT_DOUBLE_EQ(word(gp, 44, 3, 23), tube_inertia(1.2, 0.03));
  EXPECT_EQ(word(gp, 44, 3, 41), 0.09);
  EXPECT_EQ(word(gp, 44, 3, 43), 0.012);
  EXPECT_EQ(word(gp, 44, 3, 44), 0.013);

  const std::vector<double> ma = r.reals("TMAPA");
  ASSERT_EQ(ma.size(), 9U);
  EXPECT_EQ(ma[0], 2.1e11);
  EXPECT_EQ(ma[2], 355e6);

  EXPECT_EQ(r.ints("MGLRES"),
            (std::vector<int32_t>{1, 2, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0}));
  const std::vector<double> gl = r.reals("TGLRES");
  EXPECT_EQ(gl[0], 0.5);
  EXPECT_EQ(gl[2], 0.01);
  EXPECT_EQ(gl[10], 1.0);
  EXPECT_EQ(gl[12], -0.02);

  std::vector<double> step1(42, 0.0);
  for (int k = 0; k < 12; ++k) step1[static_cast<std::size_t>(12 + k)] = k + 1;
  for (int k = 0; k < 6; ++k) step1[static_cast<std::size_t>(36 + k)] = -(k + 1);
  EXPECT_EQ(r.reals("TFLE", 1), step1);
  std::vector<double> step2(42, 0.0);
  step2[0] = 1.5;
  step2[11] = -1.5;
  EXPECT_EQ(r.reals("TFLE", 2), step2);
  EXPECT_EQ(r.key(r.number("TFLE"), 2), r.key(r.number("TFLE"), 1) + 1);
}

TEST(Mkraf, RealStorageAndMstruLayoutOptions) {
  Written w;
  make(w, kModel, {"--re", "--indexed"});
  ASSERT_EQ(w.run.exit_status, 0) << w.run.errors;
  RafReader r(w.raf);
  ASSERT_TRUE(r.ok()) << r.ierr();
  for (const char* name : {"TCOORD", "TCRGEO", "TGEPA", "TMAPA", "TGLRES", "TFLE"}) {
    EXPECT_EQ(r.rec(r.number(name), 8), 1) << name;
  }
  EXPECT_EQ(r.reals("TCRGEO")[1], static_cast<double>(1.2F));

  // Indexed layout: each parameter found through the table at word c+1.
  const std::vector<int32_t> m = r.ints("MSTRU");
  ASSERT_LT(m[0], 0);
  const int32_t c = m[1];
  const int32_t count = m[static_cast<std::size_t>(c + 2)];
  EXPECT_EQ(m.size(), static_cast<std::size_t>(c + 5 + 2 * count));
  const auto param = [&](const char* name) {
    int32_t first = 0;
    int32_t second = 0;
    EXPECT_TRUE(raf_tools::name_code(name, first, second));
    for (int32_t i = 1; i <= count; ++i) {
      if (m[static_cast<std::size_t>(c + 2 * i + 3)] == first &&
          m[static_cast<std::size_t>(c + 2 * i + 4)] == second) {
        return m[static_cast<std::size_t>(i - 1)];
      }
    }
    ADD_FAILURE() << name << " not in the table";
    return -1;
  };
  EXPECT_EQ(param("NEL"), 4);
  EXPECT_EQ(param("MXGEPR"), 44);
  EXPECT_EQ(param("MXMAPR"), 3);
  EXPECT_EQ(param("MXGLPR"), 10);
  EXPECT_EQ(param("LSTSTO"), 2);
  EXPECT_EQ(param("NEWLTY"), 2);
}

TEST(Mkraf, BigEndianFileReadsTheSame) {
  Written little;
  make(little, kModel);
  Written big;
  make(big, kModel, {"--big-endian"});
  ASSERT_EQ(big.run.exit_status, 0) << big.run.errors;
  const std::string key = read_file(big.raf).substr(0, 60);
  EXPECT_EQ(key.substr(56, 4), "  12") << key;

  std::vector<double> tfle_little;
  std::vector<int32_t> mpevec_little;
  {
    RafReader r(little.raf);
    tfle_little = r.reals("TFLE", 1);
    mpevec_little = r.ints("MPEVEC");
  }
  RafReader r(big.raf);
  ASSERT_TRUE(r.ok()) << r.ierr();
  EXPECT_EQ(r.reals("TFLE", 1), tfle_little);
  EXPECT_EQ(r.ints("MPEVEC"), mpevec_little);
}

TEST(Mkraf, FaultyModelTextNamesTheLine) {
  struct Case {
    const char* text;
    int line;
    const char* fragment;
  };
  const std::string nodes = "NODE 1 0 0 0\nNODE 2 0 0 1\nPIPE 1 1 0.1\nMATERIAL 1 1 1\n";
  const std::vector<Case> cases = {
      {"NODE 1 0 0 0\nNODES 2 0 0 1\n", 2, "unknown keyword 'NODES'"},
      {"NODE 1 0 0\n", 1, "NODE has 4 fields"},
      {"NODE 1 0 zero 0\n", 1, "'zero' is not a number"},
      {"NODE 1.5 0 0 0\n", 1, "'1.5' is not an integer"},
      {"NODE 1 0 0 0\nNODE 1 0 0 1\n", 2, "node 1 is defined twice"},
      {"ELEMENT 5 15 1 1 1 2\nNODE 1 0 0 0\nPIPE 1 1 0.1\nMATERIAL 1 1 1\n", 1, "unknown node 2"},
      {"ELEMENT 5 15 1 1 1\n", 1, "a pipe element has 2"},
      {"ELEMENT 5 15 1 1\n", 1, "ELEMENT has 5 fields"},
      {"PIPE 1 1.0 0.6\n", 1, "0 < T <= D/2"},
      {"GEOMETRY 1 1\n", 1, "use PIPE"},
      {"MATERIAL 100001 1 1\n", 1, "material number 100001 is above 100000"},
      {"FORCE 5 1 2 3\n", 1, "FORCE before the first STEP"},
      {"ANALYSIS DYNAMIC\n", 1, "neither TIME nor STATIC"},
  };
  for (const Case& c : cases) {
    Written w;
    make(w, c.text);
    EXPECT_EQ(w.run.exit_status, 1) << c.text;
    EXPECT_NE(w.run.errors.find("model.txt:" + std::to_string(c.line) + ": "), std::string::npos)
        << w.run.errors;
    EXPECT_NE(w.run.errors.find(c.fragment), std::string::npos) << w.run.errors;
    EXPECT_FALSE(fs::exists(w.raf)) << c.text;
  }

  // References resolved after the whole text: the line of the item that
  // refers, not the end of the file.
  const std::vector<Case> late = {
      {"ELEMENT 5 15 7 1 1 2\n", 5, "unknown geometry 7"},
      {"ELEMENT 5 15 1 1 1 2\nSTEP 1 1 0\nFORCE 6 1 2 3 4 5 6 7 8 9 10 11 12\n", 7,
       "FORCE for unknown element 6"},
      {"ELEMENT 5 15 1 1 1 2\nSTEP 1 1 0\nFORCE 5 1 2 3\n", 7, "has 3 values; expected 12"},
      {"ELEMENT 5 15 1 1 1 2\nPIPEEND 2 1 1 1 1\n", 6, "not a PIPE"},
  };
  for (const Case& c : late) {
    Written w;
    make(w, nodes + c.text);
    EXPECT_EQ(w.run.exit_status, 1) << c.text;
    EXPECT_NE(w.run.errors.find("model.txt:" + std::to_string(c.line) + ": "), std::string::npos)
        << w.run.errors;
    EXPECT_NE(w.run.errors.find(c.fragment), std::string::npos) << w.run.errors;
  }
}

TEST(Mkraf, FailedWriteLeavesNoFile) {
  Written w;
  fs::create_directory(w.dir / "out.raf");
  make(w, kModel);
  EXPECT_EQ(w.run.exit_status, 1);
  EXPECT_NE(w.run.errors.find("out.raf is a directory"), std::string::npos) << w.run.errors;
  EXPECT_TRUE(fs::is_directory(w.raf));

  write_file(w.dir / "model.txt", std::string(kModel));
  const auto run = run_program(kMkraf, {"-o", "no/such/dir/x.raf", "model.txt"}, w.dir.path(), "");
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.errors.find("cannot create"), std::string::npos) << run.errors;
  EXPECT_FALSE(fs::exists(w.dir / "no"));
}

TEST(Mkraf, CommandLineErrors) {
  TempDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"--bogus", "m.txt"}, {"-o"}, {"missing.txt"}}) {
    const auto run = run_program(kMkraf, args, dir.path(), "");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.errors.find("mkraf: "), std::string::npos);
  }
}

}  // namespace
