// The set-up and the run's recalls on RAF files of an independent writer: a
// time-domain file (little-endian, double-precision arrays) and a static one
// (big-endian, single-precision "RE" arrays).  Recalled arrays are compared
// with the same keys read straight through the RAF library.
#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "dms/dms.h"
#include "raf_writer.h"
#include "raflib/raflib.h"
#include "recall/recall.h"
#include "recall_test_support.h"

namespace {

using recall_test::kRafUnit;
using recall_test::kUnit;
using Reals = std::vector<double>;

struct Reference {
  std::string folder;
  std::string file;
  bool single_precision;
  int32_t steps;
};

class ReferenceFile : public testing::TestWithParam<Reference> {
 protected:
  void SetUp() override {
    // A copy, so that nothing can touch the tree's file.
    path_ = (dir_ / GetParam().file).string();
    std::filesystem::copy_file(
        std::filesystem::path(VEMRASK_TEST_DATA) / "fixtures" / GetParam().folder / GetParam().file,
        path_);
    ASSERT_EQ(recall_test::open_raf(path_, kRafUnit), 0);
    int32_t status = 0;
    recall::INIDMS(ws_.iw, static_cast<int32_t>(ws_.iw.size()), recall_test::names(), 50, 8,
                   kRafUnit, control_.view(), status);
    ASSERT_EQ(status, 0);
  }
  void TearDown() override { recall_test::close_raf(kRafUnit); }
  Reals direct(int32_t key, int32_t count) {
    Reals v(static_cast<std::size_t>(count));
    int32_t ierr = 0;
    if (GetParam().single_precision) {
      raflib::RAFGRD(std::span<double>(v), count, key, kRafUnit, ierr);
    } else {
      raflib::RAFGDP(std::span<double>(v), count, key, kRafUnit, ierr);
    }
    EXPECT_EQ(ierr, 0) << key;
    return v;
  }
  Reals in_core(int32_t pointer, int32_t count) {
    return Reals(&ws_.rw(pointer), &ws_.rw(pointer) + count);
  }

  test_support::TempDir dir_;
  std::string path_;
  recall_test::WorkSpace ws_{200000};
  recall_test::DirectControl control_;
};

TEST_P(ReferenceFile, SetUpAndRecallBringTheFilesArrays) {
  const auto numraf = recall_test::numraf(ws_.iw);
  EXPECT_EQ((std::vector<int32_t>{numraf(4), numraf(5), numraf(6)}),
            (std::vector<int32_t>{28, 3, 2}));
  recall_test::Output out;
  int32_t status = 0;
  for (const auto instruction : {recall::kRecallStructure, recall::kRecallControl,
                                 recall::kRecallGlobal, recall::kRecallResult}) {
    recall::ARRECL(ws_.iw, ws_.rw, instruction, 1, kRafUnit, control_.view(), status);
  }
  ASSERT_EQ(status, 0);
  int32_t counter = 0;
  const int32_t mstru = recall::ARGTIP(ws_.iw, "MSTRU   ", kUnit, counter);
  for (const char* name : {"MGLRES  ", "TGLRES  ", "ICTEXT  ", "MELTYP  ", "MNPC    ", "TGEPA   ",
                           "TCRGEO  ", "TMAPA   ", "MPMNPC  "}) {
    EXPECT_GT(recall::ARGTIP(ws_.iw, name, kUnit, counter), 0) << name;
  }
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "MSTRU", dms::kInquireLength), 140);
  EXPECT_EQ(ws_.iw(mstru + 1), 14);  // NEL
  // TCOORD: structure index 25; TFLE: result index 2 of step 1.
  EXPECT_EQ(in_core(recall::ARGTIP(ws_.iw, "TCOORD", kUnit, counter), 42), direct(125, 42));
  EXPECT_EQ(in_core(recall::ARGTIP(ws_.iw, "TFLE", kUnit, counter), 162), direct(130, 162));
  // Arrays the file lacks, and MSCRA that only the set-up used.
  for (const char* name : {"MELECC  ", "TSCRA2  ", "MSCRA   "}) {
    recall::ARGTIP(ws_.iw, name, kUnit, counter);
  }
  EXPECT_EQ(counter, -3);
  const std::string text = out.text();
  EXPECT_NE(text.find("*** Array not allocated : MELECC\n"), std::string::npos);
  EXPECT_NE(text.find("*** Array not allocated : TSCRA2\n"), std::string::npos);
  EXPECT_NE(text.find("*** Array is released   : MSCRA\n"), std::string::npos);
  EXPECT_EQ(dms::DMSNUM(ws_.iw, "MXTRA", 0), 0);
}

TEST_P(ReferenceFile, EveryResultStepIsRecalledUnderItsKey) {
  int32_t status = 0;
  for (int32_t step = 1; step <= GetParam().steps; ++step) {
    int32_t pointer = 0;
    recall::ARREC1(ws_.iw, ws_.rw, "TFLE  ", pointer, step, kRafUnit, control_.view(), status);
    ASSERT_EQ(status, 0) << step;
    // Result blocks of 3 keys and restart blocks of 2 after the 128 keys.
    EXPECT_EQ(in_core(pointer, 162), direct(128 + 5 * (step - 1) + 2, 162)) << step;
  }
  recall_test::Output out;
  int32_t pointer = 0;
  recall::ARREC1(ws_.iw, ws_.rw, "TFLE  ", pointer, GetParam().steps + 1, kRafUnit, control_.view(),
                 status);
  EXPECT_EQ(status, -1);
  EXPECT_EQ(out.text(), "*** ERROR IN ARREC1 ***\nError During Recallin Array: TFLE\n");
}

INSTANTIATE_TEST_SUITE_P(Files, ReferenceFile,
                         testing::Values(Reference{"leg-time", "legtime.raf", false, 8},
                                         Reference{"leg-static-bigendian", "legstat.raf", true, 7}),
                         [](const testing::TestParamInfo<Reference>& info) {
                           return std::string(info.param.single_precision ? "Static" : "Time");
                         });

}  // namespace
