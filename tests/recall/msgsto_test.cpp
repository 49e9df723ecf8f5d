// The message store: direct writing to a unit, and the store mode's chain of
// messages in the caller's control array.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/units.h"
#include "recall/recall.h"
#include "support/run_program.h"

namespace {

using recall::MessageControl;
using recall::MSGSTO;

constexpr int kUnit = 31;

std::string padded(const std::string& text) {
  std::string s = text;
  s.resize(256, ' ');
  return s;
}

// Runs `body` with kUnit connected to a fresh file and returns what it holds.
template <class Body>
std::string written_by(Body body) {
  test_support::TempDir dir;
  const auto file = dir / "out.txt";
  EXPECT_EQ(platform::open_text(kUnit, file.string(), platform::OpenStatus::kUnknown), 0);
  body();
  platform::close_unit(kUnit);
  return test_support::read_file(file);
}

// A store-mode control of `capacity` words, set up as its user must.
std::vector<int32_t> store_control(int32_t capacity) {
  std::vector<int32_t> c(static_cast<std::size_t>(capacity), -7);
  c[0] = -321;
  c[1] = capacity;
  c[2] = 0;
  c[3] = 11;
  c[4] = 11;
  return c;
}

void store(std::vector<int32_t>& c, int32_t status, const std::string& text) {
  std::string buffer = padded(text);
  MSGSTO(MessageControl(c.data(), static_cast<int64_t>(c.size())), status, buffer, "Store");
}

std::string codes_to_text(const std::vector<int32_t>& c, int first, int last) {
  std::string s;
  for (int k = first; k <= last; ++k) s += static_cast<char>(c[static_cast<std::size_t>(k - 1)]);
  return s;
}

TEST(MsgstoDirect, WritesTrimmedTextAsOneRecord) {
  const std::string out = written_by([] {
    int32_t unit = kUnit;
    std::string text = padded("*** ERROR IN ARBOOK ***\nInsufficient space for array MELTYP  ");
    MSGSTO(MessageControl(&unit, 1), -101, text, "Store");
    // A routine that added nothing still hands over its blank buffer.
    std::string blank = padded("");
    MSGSTO(MessageControl(&unit, 1), 0, blank, "anything");
  });
  EXPECT_EQ(out, "*** ERROR IN ARBOOK ***\nInsufficient space for array MELTYP\n\n");
}

TEST(MsgstoDirect, NonPositiveUnitWithoutStoreModeDropsTheMessage) {
  // Word 1 = 0 with a short control: nothing written, nothing read beyond it.
  const std::string out = written_by([] {
    int32_t word = 0;
    std::string text = padded("*** ERROR IN ARRECL ***");
    MSGSTO(MessageControl(&word, 1), -1, text, "Store");
    EXPECT_EQ(word, 0);
  });
  EXPECT_EQ(out, "");
  // A full control whose word 1 is 0 stays untouched.
  auto c = store_control(200);
  c[0] = 0;
  const auto before = c;
  store(c, -1, "*** ERROR IN ARRECL ***");
  EXPECT_EQ(c, before);
}

TEST(MsgstoStore, NeedsACapacityAbove100) {
  auto small = store_control(100);
  const auto before = small;
  store(small, -1, "*** ERROR IN ARRECL ***");
  EXPECT_EQ(small, before);

  auto enough = store_control(101);
  store(enough, -1, "x");
  EXPECT_EQ(enough[2], -1);
  EXPECT_EQ(enough[4], 13);
}

TEST(MsgstoStore, ChainsErrorsInnermostFirst) {
  auto c = store_control(200);
  const std::string first = "*** ERROR IN ARREC1 ***";  // 23 characters
  store(c, -1, first);
  EXPECT_EQ(codes_to_text(c, 11, 33), first);
  EXPECT_EQ(c[33], 0);  // word 34
  EXPECT_EQ(c[4], 35);
  EXPECT_EQ(c[2], -1);
  EXPECT_EQ(c[3], 11);
  EXPECT_EQ(c[34], ' ');  // the rest of the text area is blank
  EXPECT_EQ(c[199], -7);  // the last word is not part of the blanking

  store(c, -1, "0123456789");
  EXPECT_EQ(c[33], 10);  // the terminating 0 became a line feed
  EXPECT_EQ(codes_to_text(c, 35, 44), "0123456789");
  EXPECT_EQ(c[44], 0);
  EXPECT_EQ(c[4], 46);
  EXPECT_EQ(c[2], -1);

  // Non-error messages never disturb an error chain.
  const auto chain = c;
  store(c, 1, "warning");
  store(c, 0, "nothing");
  EXPECT_EQ(c, chain);

  // Fetch gives the whole chain, up to and including its closing 0 word.
  std::string fetched(10, '#');
  MSGSTO(MessageControl(c.data(), 200), 0, fetched, "fetch");
  EXPECT_EQ(fetched, first + "\n0123456789" + std::string(1, '\0'));
}

TEST(MsgstoStore, StatusTableOfAFittingText) {
  struct Case {
    int32_t stored;
    int32_t passed;
    const char* expect;  // "append", "new" or "nothing"
  };
  const Case cases[] = {
      {-1, -1, "append"}, {-1, 0, "nothing"}, {-1, 2, "nothing"},
      {0, -1, "new"},     {0, 0, "nothing"},  {0, 3, "new"},
      {2, -1, "new"},     {2, 0, "nothing"},  {2, 5, "append"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.stored) + " / " + std::to_string(k.passed));
    auto c = store_control(150);
    if (k.stored != 0) {
      store(c, k.stored, "held");
    }
    const auto before = c;
    store(c, k.passed, "abc");
    const std::string expect = k.expect;
    if (expect == "nothing") {
      EXPECT_EQ(c, before);
    } else if (expect == "append") {
      EXPECT_EQ(codes_to_text(c, 11, 18), "held\nabc");
      EXPECT_EQ(c[18], 0);
      EXPECT_EQ(c[4], 20);
      EXPECT_EQ(c[2], k.stored);
    } else {
      EXPECT_EQ(codes_to_text(c, 11, 13), "abc");
      EXPECT_EQ(c[13], 0);
      EXPECT_EQ(c[14], ' ');  // the older chain was blanked
      EXPECT_EQ(c[4], 15);
      EXPECT_EQ(c[2], k.passed);
    }
  }
}

TEST(MsgstoStore, OverflowCutsTheErrorTextToTheRoom) {
  auto c = store_control(120);
  store(c, -1, std::string(100, 'a'));  // words 11..110, 0 in 111, next 112
  ASSERT_EQ(c[4], 112);
  store(c, -1, std::string(30, 'b'));  // room 8
  EXPECT_EQ(c[2], -103);
  EXPECT_EQ(c[110], 10);
  EXPECT_EQ(codes_to_text(c, 112, 119), std::string(8, 'b'));
  EXPECT_EQ(c[119], 0);  // the last word of the control
  EXPECT_EQ(c[4], 121);

  // A full store takes nothing more and writes nothing outside itself.
  const auto full = c;
  store(c, -1, "more");
  EXPECT_EQ(c, full);
}

TEST(MsgstoStore, OverflowOfANonErrorMarksTheStoreFull) {
  auto c = store_control(120);
  store(c, 1, std::string(105, 'w'));  // room 109: fits
  ASSERT_EQ(c[2], 1);
  ASSERT_EQ(c[4], 117);
  const int32_t last_text = c[110];
  store(c, 1, std::string(10, 'x'));  // room 3
  EXPECT_EQ(c[2], -103);
  EXPECT_EQ(c[4], 120);
  EXPECT_EQ(c[110], last_text);  // nothing written
}

TEST(MsgstoStore, ZeroCodesLeaveTheirWord) {
  auto c = store_control(150);
  std::string text = padded("ab");
  text[1] = '\0';
  text[2] = 'c';
  MSGSTO(MessageControl(c.data(), 150), -1, text, "S");
  EXPECT_EQ(c[10], 'a');
  EXPECT_EQ(c[11], ' ');  // blanked by the new chain, not overwritten by 0
  EXPECT_EQ(c[12], 'c');
  EXPECT_EQ(c[13], 0);
}

TEST(MsgstoStore, DamagedControlIsNeverWrittenOutside) {
  // A stated capacity beyond the words lent: the store keeps to the words it
  // has (the sanitizer build catches any write past the vector).
  std::vector<int32_t> c = store_control(120);
  c[1] = 5000;
  store(c, -1, std::string(200, 'z'));
  EXPECT_EQ(c[2], -103);
  EXPECT_EQ(c[119], 0);

  // A next-free word below the text area is not a store: left alone.
  auto bad = store_control(150);
  bad[4] = 3;
  const auto before = bad;
  store(bad, -1, "abc");
  EXPECT_EQ(bad, before);
  std::string fetched = "unchanged";
  MSGSTO(MessageControl(bad.data(), 150), 0, fetched, "F");
  EXPECT_EQ(fetched, "unchanged");

  // Other modes do nothing in store mode.
  auto other = store_control(150);
  const auto kept = other;
  std::string text = padded("abc");
  MSGSTO(MessageControl(other.data(), 150), -1, text, "Xstore");
  MSGSTO(MessageControl(other.data(), 150), -1, text, "");
  EXPECT_EQ(other, kept);
}

}  // namespace
