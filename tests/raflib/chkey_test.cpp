// The key record's fields: decoding numbers, writing them, stamps and the
// rewrite of the numeric block.
#include <gtest/gtest.h>

#include "raflib/chkey.h"

namespace {

using raflib::decode_int_field;

TEST(Chkey, DecodesFieldsAsTheReaderDoes) {
  struct Case {
    std::string_view field;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {"       3", 3},
      {"    -12", -12},
      {"        ", 0},
      {"   +7", 7},
      {" 1 2", 12},
      {"99999999", 99'999'999},
      {"  1x", std::nullopt},
      {"   -", std::nullopt},
      {"1-2 ", std::nullopt},
      {"\t  1", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483648", INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(decode_int_field(c.field), c.value) << c.field;
}

TEST(Chkey, StampsAreZeroPadded) {
  EXPECT_EQ(raflib::stamp_text({2003, 1, 2, 3, 4, 5}), "20030102  030405");
  EXPECT_EQ(raflib::stamp_text({2023, 12, 31, 23, 59, 58}), "20231231  235958");
}

TEST(Chkey, RewriteLeavesTheRecordLengthDigits) {
  raflib::KeyValues v{3, 10, 0, 5, 0, 0, 2};
  raflib::Chkey key = raflib::new_key("PC", "  14", "20230629  101500", v);
  EXPECT_EQ(raflib::key_text(key, {116, 60}),
            "       3      10       0       5       0   0       2     512");
  v.mfpcur = 7;
  v.mfpnxt = 123'456'789;  // too wide for I8: asterisks
  raflib::put_key_int(key, raflib::format::kRecordLength, 1024);
  raflib::put_numeric_block(key, v);
  EXPECT_EQ(raflib::key_text(key, {116, 60}),
            "       3      10       7********       0   0       2    1024");
  raflib::KeyValues back;
  EXPECT_FALSE(raflib::get_numeric_block(key, back));
  v.mfpnxt = 6;
  raflib::put_numeric_block(key, v);
  ASSERT_TRUE(raflib::get_numeric_block(key, back));
  EXPECT_EQ(back.mfpnxt, 6);
  EXPECT_EQ(back.mfplen, 2);
}

}  // namespace
