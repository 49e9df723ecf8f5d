// rafinfo, run as a program on the independent writer's reference files, on
// a file that is not a RAF file, and on a file written by mkraf.
#include <gtest/gtest.h>

#include <regex>

#include "support/programs.h"
#include "tools/model_writer.h"

namespace {

using namespace program_test;

test_support::RunResult rafinfo(const std::vector<std::string>& args) {
  TempDir dir;
  return run_program(kRafinfo, args, dir.path(), "");
}

/// The catalogue line of `name`, split into fields; empty when absent.
std::vector<std::string> catalogue_line(const std::string& screen, const std::string& name) {
  for (const std::string& line : lines_of(screen)) {
    std::istringstream in(line);
    std::vector<std::string> f;
    for (std::string w; in >> w;) f.push_back(w);
    if (f.size() == 9 && f[1] == name) return f;
  }
  return {};
}

struct Fixture {
  const char* file;
  const char* computer;
  const char* computer_name;
};

class RafinfoOnReferenceFiles : public testing::TestWithParam<Fixture> {};

TEST_P(RafinfoOnReferenceFiles, ShowsKeyRecordMfpAndCatalogue) {
  const Fixture& f = GetParam();
  const auto run = rafinfo({(kFixtures / f.file).string()});
  ASSERT_EQ(run.exit_status, 0) << run.screen << run.errors;
  EXPECT_NE(run.screen.find(std::string("Computer type  : ") + f.computer + "   " +
                            f.computer_name + "\n"),
            std::string::npos)
      << run.screen;
  EXPECT_NE(run.screen.find("Version        : 2   revision 1"), std::string::npos);
  EXPECT_NE(run.screen.find("Title          : FRAME MODEL / TEST RUN\n"), std::string::npos);
  EXPECT_NE(run.screen.find("Created        : 20230629  101500"), std::string::npos);
  EXPECT_NE(run.screen.find("MFPADR         : 3\n"), std::string::npos);
  EXPECT_NE(run.screen.find("NUMRAF         : 22 2 0 28 3 2 10 38 8 100 100 0"), std::string::npos);
  // The MFP entry of the catalogue's first key: address, type IN, 20 elements.
  EXPECT_TRUE(std::regex_search(run.screen, std::regex("\n +101 +[0-9]+ +1 IN +20 +20\n")))
      << run.screen;

  // Name, data type, store type, length, indices and the key of step 1.
  const std::vector<std::vector<std::string>> expected = {
      {"19", "MSTRU", "IN", "STRU", "140", "13", "0", "0", "113"},
      {"28", "TFLE", f.computer == std::string("14") ? "DP" : "RE", "POST", "162", "0", "2", "0",
       "130"},
      {"11", "MGLRES", "IN", "GLOB", f.computer == std::string("14") ? "96" : "84", "17", "0", "0",
       "117"},
      {"30", "ICTEXT", "IN", "CTRL", "24", "7", "0", "0", "107"},
      {"23", "MXTRA", "IN", "STRU", "17", "6", "0", "0", "106"},
      {"38", "IARRNM", "IN", "-AR-", "76", "3", "0", "0", "103"},
  };
  for (const auto& e : expected) EXPECT_EQ(catalogue_line(run.screen, e[1]), e) << run.screen;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, RafinfoOnReferenceFiles,
    testing::Values(Fixture{"leg-time/legtime.raf", "14", "PC / DIGITAL Visual Fortran"},
                    Fixture{"leg-static-bigendian/legstat.raf", "12", "Silicon Graphics / IRIX"}),
    [](const auto& info) {
      return std::string(info.param.computer == std::string("14") ? "little" : "big");
    });

TEST(Rafinfo, StepMovesTheKeysOfResultArraysOnly) {
  const auto run = rafinfo({"--step", "3", (kFixtures / "leg-time/legtime.raf").string()});
  ASSERT_EQ(run.exit_status, 0) << run.errors;
  // Result block of step 3: 100 + 28 + 2 * 5 + index.
  EXPECT_EQ(catalogue_line(run.screen, "TFLE").back(), "140");
  EXPECT_EQ(catalogue_line(run.screen, "TDISP").back(), "139");
  EXPECT_EQ(catalogue_line(run.screen, "MSTRU").back(), "113");
}

TEST(Rafinfo, PrintsTheValuesOfAnArrayOrAKey) {
  const std::string file = (kFixtures / "leg-static-bigendian/legstat.raf").string();
  const auto by_name = rafinfo({"--array", "MELEX", file});
  ASSERT_EQ(by_name.exit_status, 0) << by_name.errors;
  EXPECT_NE(by_name.screen.find("key 124, 14 elements of type IN"), std::string::npos)
      << by_name.screen;
  EXPECT_TRUE(std::regex_search(
      by_name.screen, std::regex(" 1: +1001 +1002 +1003 +1004 +1005 +1006 +1007 +1008\n")))
      << by_name.screen;

  // 4-byte reals of a big-endian file, converted: the TGLRES words of step 1.
  const auto by_key = rafinfo({"--key", "121", file});
  ASSERT_EQ(by_key.exit_status, 0) << by_key.errors;
  EXPECT_NE(by_key.screen.find("key 121, 84 elements of type RE"), std::string::npos)
      << by_key.screen;

  const auto step2 = rafinfo({"--array", "TFLE", "--step", "2", file});
  EXPECT_NE(step2.screen.find("key 135, 162 elements"), std::string::npos) << step2.screen;
}

TEST(Rafinfo, FailuresExitWithStatusOne) {
  const auto notraf = rafinfo({(kFixtures / "not-a-raf-file/notes.raf").string()});
  EXPECT_EQ(notraf.exit_status, 1);
  // The library's reason, with the file's name, on standard error only.
  EXPECT_EQ(notraf.errors, "rafinfo: " + (kFixtures / "not-a-raf-file/notes.raf").string() +
                               ": File is not a RAFLIB file\n");
  EXPECT_EQ(notraf.screen, "");

  const std::string file = (kFixtures / "leg-time/legtime.raf").string();
  const std::vector<std::vector<std::string>> failing = {
      {"--array", "NOSUCH", file},               // not catalogued
      {"--key", "108", file},                    // a gap in the structure block
      {"--key", "0", file},                      // not a key
      {"--array", "TFLE", "--step", "0", file},  // no structure copy
      {(fs::path(kFixtures) / "missing.raf").string()},
      {},
  };
  for (const auto& args : failing) {
    const auto run = rafinfo(args);
    EXPECT_EQ(run.exit_status, 1) << (args.empty() ? "" : args[0]);
  }
}

TEST(Rafinfo, AnIndexOutsideItsBlockGivesNoKey) {
  // B's structure index is moved past the structure block, onto the first
  // key of step 1's result block, which holds R.
  TempDir dir;
  raf_tools::ModelArray a{"A", "STRU", "IN", {{1, 2, 3}, {}}, {}};
  raf_tools::ModelArray b{"B", "STRU", "IN", {{4, 5}, {}}, {}};
  raf_tools::ModelArray r{"R", "POST", "IN", {}, {{{7, 8, 9, 10}, {}}}};
  raf_tools::WriterSettings settings;
  settings.edit_catalogue = [](raf_tools::CatalogueWords& w) {
    const int32_t b_number = 12;  // numbered from 11 in the order given
    namespace numraf = recall::numraf;
    w.keyraf[(b_number - 1) * recall::kRecordLength + recall::keyraf::kStructureIndex - 1] =
        w.numraf[numraf::kStructureSize - 1] + 1;
  };
  std::string error;
  const std::vector<raf_tools::ModelArray> arrays = {a, b, r};
  ASSERT_TRUE(raf_tools::write_model(dir / "m.raf", arrays, {}, settings, error)) << error;

  const auto table = run_program(kRafinfo, {"m.raf"}, dir.path(), "");
  ASSERT_EQ(table.exit_status, 0) << table.errors;
  EXPECT_EQ(catalogue_line(table.screen, "B").back(), "0") << table.screen;
  EXPECT_EQ(catalogue_line(table.screen, "A").back(), "104") << table.screen;

  const auto values = run_program(kRafinfo, {"--array", "B", "m.raf"}, dir.path(), "");
  EXPECT_EQ(values.exit_status, 1) << values.screen;
  EXPECT_NE(values.errors.find("B has no key in step 1"), std::string::npos) << values.errors;
}

TEST(Rafinfo, ShowsAFileWrittenByMkraf) {
  TempDir dir;
  test_support::write_file(dir / "m.txt",
                           "NODE 1 0 0 0\nNODE 2 0 0 1\nPIPE 1 1 0.1\nMATERIAL 1 1 1\n"
                           "ELEMENT 7 15 1 1 1 2\nSTEP 1 1 0\nSTEP 2 1 0\n");
  ASSERT_EQ(run_program(kMkraf, {"m.txt"}, dir.path(), "").exit_status, 0);
  const auto run = run_program(kRafinfo, {"--step", "2", "m.raf"}, dir.path(), "");
  ASSERT_EQ(run.exit_status, 0) << run.errors;
  EXPECT_NE(run.screen.find("Computer type  : 14"), std::string::npos);
  // 17 structure arrays and 3 catalogue arrays, one result array: TFLE of
  // step 2 is 100 + 20 + 1 + 1.
  EXPECT_EQ(catalogue_line(run.screen, "TFLE"),
            (std::vector<std::string>{"28", "TFLE", "DP", "POST", "12", "0", "1", "0", "122"}));
  EXPECT_EQ(catalogue_line(run.screen, "MGLRES")[3], "GLOB");
}

}  // namespace
