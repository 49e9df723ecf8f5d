// The in-core store set up for a RAF file: the file's catalogue read through
// MSCRA and merged, and the refusal of catalogues the store cannot take.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "dms/dms.h"
#include "raf_writer.h"
#include "raflib/raflib.h"
#include "recall/recall.h"
#include "recall_test_support.h"
#include "support/case_name.h"

namespace {

using recall_test::kRafUnit;
using recall_test::Output;
using recall_test::RafFile;
using recall_test::RafModel;
using recall_test::WorkSpace;
using Words = std::vector<int32_t>;

// File numbers MSTRU 11, MXTRA 12, TFLE 13, catalogue 14..16; structure
// block 5 keys (catalogue 1-3, MSTRU 4, MXTRA 5), result block 1.
RafModel small_model() {
  RafModel m;
  m.arrays = {recall_test::raf_array("MSTRU", "STRU", "IN", 3, {{1, 14, 3}, {}}),
              recall_test::raf_array("MXTRA", "STRU", "IN", 2, {{5, 6}, {}}),
              recall_test::raf_array("TFLE", "POST", "DP", 2, {}, {{{}, {1.5, 2.5}}})};
  return m;
}

int32_t set_up(WorkSpace& ws, int32_t nwiwa = 0) {
  recall_test::DirectControl control;
  int32_t status = 0;
  recall::INIDMS(ws.iw, nwiwa > 0 ? nwiwa : static_cast<int32_t>(ws.iw.size()),
                 recall_test::names(), 50, 8, kRafUnit, control.view(), status);
  return status;
}

TEST(Inidms, MergesTheFileCatalogue) {
  WorkSpace ws(5000);
  auto file = std::make_unique<RafFile>(small_model());
  ASSERT_TRUE(file->ok());
  Output out;
  ASSERT_EQ(set_up(ws), 0);
  EXPECT_EQ(out.text(), "");
  const auto numraf = recall_test::numraf(ws.iw);
  EXPECT_EQ(Words(numraf.data(), numraf.data() + 6), (Words{3, 0, 0, 5, 1, 0}));
  for (int32_t n = 1; n <= 50; ++n) {
    const Words expected = n == 11   ? Words{1, 1, 3, 1, 4, 0, 0, 0, 0, 0}
                           : n == 31 ? Words{3, 2, 2, 3, 0, 1, 0, 0, 0, 0}
                                     : Words(10, 0);  // MXTRA nowhere, MSCRA's gone
    EXPECT_EQ(recall_test::record(ws.iw, n), expected) << n;
  }
  // MSCRA: (10 + 2) x 16 words, released again.
  EXPECT_EQ(dms::DMSINQ(ws.iw, "MSCRA", dms::kInquireLength), 12 * 16);
  EXPECT_EQ(dms::DMSINQ(ws.iw, "MSCRA", dms::kInquireStart), 0);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 922);
  // The next file finds nothing of this one.
  file.reset();
  RafModel other;
  other.arrays = {recall_test::raf_array("TCOORD", "STRU", "DP", 1, {{}, {4.0}})};
  RafFile next(other);
  ASSERT_EQ(set_up(ws), 0);
  EXPECT_EQ(recall_test::record(ws.iw, 11), Words(10, 0));
  EXPECT_EQ(recall_test::record(ws.iw, 29), (Words{3, 2, 1, 1, 4, 0, 0, 0, 0, 0}));
}

TEST(Inidms, ScratchOfHighestNumber53Is636Words) {
  RafModel model = small_model();
  model.highest = 53;
  RafFile file(model);
  ASSERT_TRUE(file.ok());
  WorkSpace ws(921 + 636);
  ASSERT_EQ(set_up(ws), 0);
  EXPECT_EQ(dms::DMSINQ(ws.iw, "MSCRA", dms::kInquireLength), 636);
  EXPECT_EQ(recall_test::record(ws.iw, 31), (Words{3, 2, 2, 3, 0, 1, 0, 0, 0, 0}));
  Output out;
  EXPECT_EQ(set_up(ws, 921 + 635), -1);  // one word short of it
  EXPECT_EQ(out.text(),
            "*** ERROR IN ARBOOK ***\nInsufficient space for array MSCRA\n"
            "*** ERROR IN ARINI1 ***\n*** ERROR IN INIDMS ***\n");
}

struct BadCatalogue {
  std::optional<int32_t> key_base;
  std::optional<int32_t> record_length;
  std::optional<int32_t> highest;
  std::string detail;
};

class Refused : public testing::TestWithParam<BadCatalogue> {};

TEST_P(Refused, EndsTheSetUpCleanly) {
  RafModel model = small_model();
  model.key_base = GetParam().key_base;
  model.record_length = GetParam().record_length;
  model.highest = GetParam().highest;
  RafFile file(model);
  ASSERT_TRUE(file.ok());
  WorkSpace ws(5000);
  Output out;
  EXPECT_EQ(set_up(ws), -1);
  EXPECT_EQ(out.text(), GetParam().detail + "*** ERROR IN INIDMS ***\n");
  EXPECT_LE(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 922);  // nothing booked
}

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
const std::string kArini1 = "*** ERROR IN ARINI1 ***\n";

INSTANTIATE_TEST_SUITE_P(
    Catalogues, Refused,
    testing::Values(
        BadCatalogue{101, {}, {}, kArini1},
        BadCatalogue{{}, 12, {}, kArini1 + "Illegal record length in catalogue:          12\n"},
        BadCatalogue{{}, 8, {}, kArini1 + "Illegal record length in catalogue:           8\n"},
        BadCatalogue{{}, {}, 0, kArini1 + "Illegal highest array number      :           0\n"},
        BadCatalogue{{}, {}, -7, kArini1 + "Illegal highest array number      :          -7\n"},
        BadCatalogue{{}, {}, kMax, kArini1 + "Illegal highest array number      :  2147483647\n"},
        BadCatalogue{{},
                     {},
                     100'000'000,
                     "*** ERROR IN ARBOOK ***\nInsufficient space for array MSCRA\n" + kArini1}),
    [](const auto& info) {
      const BadCatalogue& c = info.param;
      if (c.key_base) return test_support::case_name("KeyBase", c.key_base.value_or(0));
      if (c.record_length)
        return test_support::case_name("RecordLength", c.record_length.value_or(0));
      return test_support::case_name("Highest", c.highest.value_or(0));
    });

TEST(Inidms, OtherFailures) {
  test_support::TempDir dir;
  std::string name = (dir / "empty.raf").string();
  int32_t ierr = 0;
  raflib::RFRSET(ierr);
  raflib::RAFINI(0);
  raflib::RAFNEW(41, name, "NEW", 200, ierr);
  raflib::RAFCLS(41, ierr);
  ASSERT_EQ(recall_test::open_raf(name, kRafUnit), 0);
  WorkSpace ws(5000);
  Output out;
  EXPECT_EQ(set_up(ws), -1);       // a file without catalogue
  EXPECT_EQ(set_up(ws, 100), -1);  // a work array too small for the store
  recall_test::close_raf(kRafUnit);
  const std::string text = out.text();
  const std::string no_catalogue =
      "*** ERROR IN GTARAF ***\n*** ERROR IN ARINI1 ***\n*** ERROR IN INIDMS ***\n";
  EXPECT_EQ(text.substr(0, no_catalogue.size()), no_catalogue);
  EXPECT_NE(text.find("ILLEGAL PARAMETER(S) : NWIWA, NLA  =     100     -53\n"
                      "*** ERROR IN INIDMS ***\n"),
            std::string::npos);
}

}  // namespace
