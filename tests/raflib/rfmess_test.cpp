// Message blocks: RFMESS and RFTRAC on their own, and the exact blocks the
// library writes for each kind of refusal.
#include <gtest/gtest.h>

#include <functional>

#include "raf_test_support.h"
#include "textio/textio.h"

namespace {

using raf_test::Bytes;
using raf_test::kRaf;
using raf_test::Lines;
using raf_test::RafTest;

class Rfmess : public RafTest {};

TEST_F(Rfmess, SignFollowsSeverityWhateverTheCallerPassed) {
  struct Case {
    int32_t in;
    int32_t out;
  };
  for (Case c : {Case{1026, -1026}, Case{-1026, -1026}, Case{-1012, 1012}, Case{1000, 1000},
                 Case{1050, -1050}, Case{999, -999}, Case{-1080, -1080}}) {
    int32_t ierr = c.in;
    raflib::RFMESS(ierr, "TEST", 0, raflib::kUnknown, raflib::kDummy);
    EXPECT_EQ(ierr, c.out) << c.in;
  }
}

TEST_F(Rfmess, PlusAndMinusGiveTheSameBlock) {
  int32_t ierr = 1026;
  raflib::RFMESS(ierr, "RFFNFP", 0, raflib::kUnknown, raflib::kDummy);
  const Lines plus = take_log();
  ierr = -1026;
  raflib::RFMESS(ierr, "RFFNFP", 0, raflib::kUnknown, raflib::kDummy);
  EXPECT_EQ(take_log(), plus);
  EXPECT_EQ(plus, (Lines{error_header("RFFNFP"),
                         " *** File 0 / Array 0 / Address 0 / Elements 0 / Msg_no 1026:",
                         " *** Array length mismatch (too few elements specified)"}));
}

TEST_F(Rfmess, NumbersOutsideTheTableHaveNoText) {
  for (int32_t number : {999, 1080}) {
    int32_t ierr = number;
    raflib::RFMESS(ierr, "X", 0, 3, "A");
    EXPECT_EQ(take_log(),
              (Lines{error_header("X"), " *** Error no" + textio::int_field(number, 10) +
                                            " (No text defined for this error number)"}));
  }
}

TEST_F(Rfmess, ParametersAreFilledIn) {
  struct Case {
    int32_t number;
    int32_t ipar;
    std::string apar;
    std::string text;
  };
  const Case cases[] = {
      {1038, 3, "", " *** Attempt to open more than 3 RAFLIB files simultanously"},
      {1034, raflib::kUnknown, "", " *** Cannot open file - Computer's error flag = <UNKNOWN>"},
      {1034, -7, "", " *** Cannot open file - Computer's error flag = -7"},
      {1070, 0, "LINUX i386                      ",
       " *** Cannot read files generated on LINUX i386"},
      {1029, 0, "12", " *** Too new RAFLIB file (version 12) - update program"},
      {1010, 0, "", " === File converted from RAFLIB revision"},
  };
  for (const Case& c : cases) {
    int32_t ierr = c.number;
    raflib::RFMESS(ierr, "R", 0, c.ipar, c.apar);
    const Lines lines = take_log();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.text);
  }
}

TEST_F(Rfmess, WarningHeaderLabelAndCompressedContext) {
  int32_t ierr = 1012;
  raflib::RFMESS(ierr, "RAFCLS", -42, raflib::kUnknown, raflib::kDummy);
  EXPECT_EQ(ierr, 1012);
  EXPECT_EQ(take_log(),
            (Lines{" === RAFLIB WARNING - 23-06-29 10:15:00 - Routine RAFCLS - Label -42:",
                   " === File 0 / Msg_no 1012:", " === No RAFLIB file open with this number"}));
}

TEST_F(Rfmess, InfoIsNeverWrittenAndNoUnitsMeansSilence) {
  int32_t ierr = 1001;
  raflib::RFMESS(ierr, "R", 0, 0, "");
  EXPECT_TRUE(take_log().empty());
  raflib::RAFINI(0);
  ierr = 1020;
  raflib::RFMESS(ierr, "R", 0, 0, "");
  raflib::RFTRAC("R");
  EXPECT_EQ(ierr, -1020);
  EXPECT_TRUE(take_log().empty());
}

TEST_F(Rfmess, TraceIsAnEmptyLineAndTheRoutine) {
  raflib::RFTRAC("RAFOLD");
  EXPECT_EQ(take_log(), (Lines{"", " *** Error return from RAFOLD"}));
}

TEST_F(Rfmess, FfileStatusesBecomeMessages) {
  struct Case {
    int32_t status;
    int32_t iop;
    int32_t ierr;
    std::string text;
  };
  const Case cases[] = {
      {-991, 2, -1041, " *** Illegal file no in FFILE"},
      {-993, 2, -1043, " *** Negative file address in FFILE"},
      {-995, 1, -1045, " *** Negative word count in FFILE"},
      {-5002, 2, -1036, " *** Cannot read from file - Computer's error flag = 5002"},
      {-28, 1, -1035, " *** Cannot write to file - Computer's error flag = 28"},
  };
  for (const Case& c : cases) {
    int32_t ierr = c.status;
    raflib::RFFERR(ierr, "FFTEST", 0, c.iop);
    EXPECT_EQ(ierr, c.ierr);
    EXPECT_EQ(take_log().back(), c.text);
  }
}

// ---- the blocks of the library's refusals -----------------------------------------

struct BlockCase {
  const char* name;
  std::function<void(RafTest&, int32_t&)> run;
  int32_t ierr;
  std::function<Lines()> expected;
};

void PrintTo(const BlockCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusalBlocks : public RafTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(RefusalBlocks, ExactBlock) {
  int32_t ierr = 0;
  GetParam().run(*this, ierr);
  EXPECT_EQ(ierr, GetParam().ierr);
  EXPECT_EQ(take_log(), GetParam().expected());
}

void read_ints(int32_t nel, int32_t iarr, int32_t& ierr) {
  std::vector<int32_t> a(20, 0);
  raflib::RAFGIN(std::span<int32_t>(a), nel, iarr, kRaf, ierr);
}

// The small file opened; the log of writing and opening dropped.
void open_small(RafTest& t) {
  t.make_small_file();
  ASSERT_EQ(t.open("small.raf"), 0);
  t.take_log();
}

void open_patched(RafTest& t, std::size_t offset, std::string_view text, int32_t& ierr) {
  t.make_small_file();
  Bytes image = raf_test::read_bytes(t.path("small.raf"));
  raf_test::patch_key(image, offset, text);
  raf_test::write_bytes(t.path("small.raf"), image);
  t.take_log();
  ierr = t.open("small.raf");
}

std::string header(std::string_view routine) {
  return RafTest::error_header(routine);
}
const std::string kTraceLine = " *** Error return from ";

const BlockCase kBlockCases[] = {
    {"NotARafFile",
     [](RafTest& t, int32_t& ierr) {
       ierr = t.open(t.fixture("not-a-raf-file/notes.raf").filename().string());
     },
     -1020,
     [] {
       return Lines{header("RFIOLD"),
                    " *** File 0 / Msg_no 1020:", " *** File is not a RAFLIB file", "",
                    kTraceLine + "RAFOLD"};
     }},
    {"TooNew", [](RafTest& t, int32_t& ierr) { open_patched(t, 8, "   3", ierr); }, -1029,
     [] {
       return Lines{header("RFIOLD"), " *** File 0 / Msg_no 1029:",
                    " *** Too new RAFLIB file (version 3) - update program", "",
                    kTraceLine + "RAFOLD"};
     }},
    {"ReadLocked",
     [](RafTest& t, int32_t& ierr) {
       open_patched(t, 108, "   1   0", ierr);
       ASSERT_EQ(ierr, 0);
       read_ints(10, 2, ierr);
     },
     -1023,
     [] {
       return Lines{header("RAFGIN"), " *** File 22 / Msg_no 1023:", " *** File is read locked"};
     }},
    {"Unallocated",
     [](RafTest& t, int32_t& ierr) {
       open_small(t);
       read_ints(1, 5, ierr);
     },
     -1048,
     [] {
       return Lines{header("RFFNFP"),
                    " *** File 22 / Array 5 / Address 0 / Elements 0 / Msg_no 1048:",
                    " *** Attempt to read a non-allocated array", "", kTraceLine + "RAFGIN"};
     }},
    {"TypeMismatch",
     [](RafTest& t, int32_t& ierr) {
       open_small(t);
       read_ints(5, 3, ierr);
     },
     -1025,
     [] {
       return Lines{header("RFFNFP"),
                    " *** File 22 / Array 3 / Address 6 / Elements 5 / Msg_no 1025:",
                    " *** Array type mismatch", "", kTraceLine + "RAFGIN"};
     }},
    {"TooFew",
     [](RafTest& t, int32_t& ierr) {
       open_small(t);
       read_ints(9, 2, ierr);
     },
     -1026,
     [] {
       return Lines{
           header("RFFNFP"), " *** File 22 / Array 2 / Address 5 / Elements 10 / Msg_no 1026:",
           " *** Array length mismatch (too few elements specified)", "", kTraceLine + "RAFGIN"};
     }},
    {"TooMany",
     [](RafTest& t, int32_t& ierr) {
       open_small(t);
       read_ints(12, 2, ierr);
     },
     -1027,
     [] {
       return Lines{
           header("RFFNFP"), " *** File 22 / Array 2 / Address 5 / Elements 10 / Msg_no 1027:",
           " *** Array length mismatch (too many elements specified)", "", kTraceLine + "RAFGIN"};
     }},
    {"ArrayOutsideMfp",
     [](RafTest& t, int32_t& ierr) {
       open_small(t);
       read_ints(1, 11, ierr);
     },
     -1069,
     [] {
       return Lines{header("RFMFPB"),
                    " *** File 22 / Array 11 / Address 0 / Elements 0 / Msg_no 1069:",
                    " *** Attempt to access an array outside allocated MFP range",
                    "",
                    kTraceLine + "RFFNFP",
                    "",
                    kTraceLine + "RAFGIN"};
     }},
    {"CannotOpen", [](RafTest& t, int32_t& ierr) { ierr = t.open("missing.raf"); }, -1034,
     [] {
       return Lines{header("RFFIOP"), " *** File 0 / Msg_no 1034:",
                    " *** Cannot open file - Computer's error flag = 2", "", kTraceLine + "RAFOLD"};
     }},
    {"ReadPastTheEnd",
     [](RafTest& t, int32_t& ierr) {
       t.make_small_file();
       Bytes image = raf_test::read_bytes(t.path("small.raf"));
       image.resize(4 * 512 + 20);  // array 2 (record 5) cut after five words
       raf_test::write_bytes(t.path("small.raf"), image);
       ASSERT_EQ(t.open("small.raf"), 0);
       t.take_log();
       read_ints(10, 2, ierr);
     },
     -1036,
     [] {
       return Lines{header("RAFGIN"),
                    " *** File 22 / Array 2 / Address 5 / Elements 10 / Msg_no 1036:",
                    " *** Cannot read from file - Computer's error flag = 5002"};
     }},
    {"ElevenFiles",
     [](RafTest& t, int32_t& ierr) {
       t.make_small_file();
       for (int unit = 30; unit < 40; ++unit) ASSERT_EQ(t.open("small.raf", unit), 0);
       t.take_log();
       ierr = t.open("small.raf", 40);
     },
     -1038,
     [] {
       return Lines{header("RFFIOP"),
                    " *** Attempt to open more than 10 RAFLIB files simultanously", "",
                    kTraceLine + "RAFOLD"};
     }},
    {"FileNumberInUse",
     [](RafTest& t, int32_t& ierr) {
       open_small(t);
       ierr = t.open("small.raf");
     },
     -1037,
     [] {
       return Lines{header("RFFIOP"), " *** File no already in use for another RAFLIB file", "",
                    kTraceLine + "RAFOLD"};
     }},
    {"ComputerTypeThatCannotBeRead",
     [](RafTest& t, int32_t& ierr) { open_patched(t, 56, "  11", ierr); }, -1070,
     [] {
       return Lines{header("RFCNVD"),
                    " *** File 22 / Msg_no 1070:",
                    " *** Cannot read files generated on Sun SPARC / SunOS",
                    "",
                    kTraceLine + "RFIOLD",
                    "",
                    kTraceLine + "RAFOLD"};
     }},
    {"FileNotOpen", [](RafTest&, int32_t& ierr) { read_ints(1, 1, ierr); }, -1022,
     [] {
       return Lines{header("RFFINO"),
                    " *** File 0 / Msg_no 1022:",
                    " *** No RAFLIB open/initialize routine called for this file",
                    "",
                    kTraceLine + "RFFINO",
                    "",
                    kTraceLine + "RFFNFP",
                    "",
                    kTraceLine + "RAFGIN"};
     }},
};

INSTANTIATE_TEST_SUITE_P(Raflib, RefusalBlocks, testing::ValuesIn(kBlockCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
