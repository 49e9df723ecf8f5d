// Fixed-column fields and free-format reading of answers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/case_name.h"
#include "textio/message_table.h"
#include "textio/textio.h"

namespace {

using textio::fixed_field;
using textio::int_field;

TEST(IntField, RightAlignedSignedAndStarredWhenTooWide) {
  EXPECT_EQ(int_field(3, 6), "     3");
  EXPECT_EQ(int_field(-3, 6), "    -3");
  EXPECT_EQ(int_field(123456, 6), "123456");
  EXPECT_EQ(int_field(1234567, 6), "******");
  EXPECT_EQ(int_field(-12345, 6), "-12345");
  EXPECT_EQ(int_field(-123456, 6), "******");
  EXPECT_EQ(int_field(0, 1), "0");
  EXPECT_EQ(int_field(std::numeric_limits<int32_t>::min(), 12), " -2147483648");
}

struct FixedCase {
  double value;
  int width;
  int decimals;
  const char* expected;
};

class FixedField : public testing::TestWithParam<FixedCase> {};

TEST_P(FixedField, Formats) {
  const FixedCase& c = GetParam();
  EXPECT_EQ(fixed_field(c.value, c.width, c.decimals), c.expected)
      << c.value << " F" << c.width << "." << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FixedField,
    testing::Values(FixedCase{0.497, 10, 3, "     0.497"}, FixedCase{48.0, 10, 1, "      48.0"},
                    FixedCase{2.0, 12, 3, "       2.000"}, FixedCase{-0.5, 10, 3, "    -0.500"},
                    FixedCase{0.0, 10, 3, "     0.000"},
                    // Rounding to the nearest; an exact binary tie goes to the even last
                    // digit, down or up, with or without a sign, carrying into the integer.
                    FixedCase{0.0625, 10, 3, "     0.062"}, FixedCase{-0.0625, 10, 3, "    -0.062"},
                    FixedCase{215.0625, 10, 3, "   215.062"}, FixedCase{-229.25, 6, 1, "-229.2"},
                    FixedCase{0.1875, 10, 3, "     0.188"}, FixedCase{-0.375, 6, 2, " -0.38"},
                    FixedCase{2.5, 4, 0, "  2."}, FixedCase{9.5, 4, 0, " 10."},
                    FixedCase{0.1235, 6, 3, " 0.123"},  // 0.1235 is below
                    FixedCase{0.0626, 6, 3, " 0.063"}, FixedCase{0.2346, 6, 3, " 0.235"},  // above
                    FixedCase{0.9996, 6, 3, " 1.000"}, FixedCase{9.9996, 5, 3, "*****"},
                    FixedCase{99.9999, 7, 3, "100.000"},
                    // A negative value that rounds to zero keeps its sign.
                    FixedCase{-0.0001, 10, 3, "    -0.000"},
                    // No room for the leading zero: it is dropped; no room at all: asterisks.
                    FixedCase{0.5, 4, 3, ".500"}, FixedCase{-0.5, 5, 3, "-.500"},
                    FixedCase{-0.5, 4, 3, "****"}, FixedCase{12345678.0, 10, 3, "**********"},
                    FixedCase{1.0e300, 10, 3, "**********"},
                    FixedCase{std::numeric_limits<double>::quiet_NaN(), 10, 3, "       NaN"},
                    FixedCase{std::numeric_limits<double>::infinity(), 10, 3, "  Infinity"},
                    FixedCase{-std::numeric_limits<double>::infinity(), 10, 3, " -Infinity"},
                    FixedCase{std::numeric_limits<double>::infinity(), 5, 3, "  Inf"},
                    FixedCase{std::numeric_limits<double>::quiet_NaN(), 2, 1, "**"}),
    [](const auto& info) {
      const FixedCase& c = info.param;
      return test_support::case_name("F" + std::to_string(c.width), c.decimals, c.value);
    });

TEST(TextField, PadsAndCuts) {
  std::string out;
  textio::put_text(out, " Name ", 4);
  textio::put_text(out, "ab", 4);
  textio::put_text(out, "x", 0);
  EXPECT_EQ(out, " Namab  ");
}

TEST(ReadInt, FreeFormat) {
  EXPECT_EQ(textio::read_int("3"), 3);
  EXPECT_EQ(textio::read_int("   -12   "), -12);
  EXPECT_EQ(textio::read_int("\t+7,8"), 7);
  EXPECT_EQ(textio::read_int("5 6"), 5);
  EXPECT_EQ(textio::read_int("2*9"), 9);
  EXPECT_EQ(textio::read_int("2147483647"), 2147483647);
  EXPECT_EQ(textio::read_int("-2147483648"), std::numeric_limits<int32_t>::min());
  for (const char* bad : {"", "   ", "three", "3.5", "1e3", "2147483648", "99999999999999999999",
                          "-", "+", ",3", "/"}) {
    EXPECT_FALSE(textio::read_int(bad).has_value()) << bad;
  }
}

TEST(ReadReal, FreeFormat) {
  EXPECT_EQ(textio::read_real("0.6"), 0.6);
  EXPECT_EQ(textio::read_real("  2  "), 2.0);
  EXPECT_EQ(textio::read_real("1.5e2"), 150.0);
  EXPECT_EQ(textio::read_real("1.5D2"), 150.0);
  EXPECT_EQ(textio::read_real("1.5d-2"), 0.015);
  EXPECT_EQ(textio::read_real("-.5"), -0.5);
  EXPECT_EQ(textio::read_real("3."), 3.0);
  EXPECT_EQ(textio::read_real("7,8"), 7.0);
  EXPECT_TRUE(std::isnan(*textio::read_real("NaN")));
  EXPECT_EQ(textio::read_real("-Infinity"), -std::numeric_limits<double>::infinity());
  for (const char* bad : {"", "x", "1.2.3", "e5", ".", "1e", "1e+", "1e999", "12abc", "0x10"}) {
    EXPECT_FALSE(textio::read_real(bad).has_value()) << bad;
  }
}

// Message fields: arguments by number in any order, numbers in their width
// (asterisks when too wide), texts right-aligned, fields without an argument
// left out, and braces that open no field written as they stand.
TEST(MessageFields, Fill) {
  using textio::fill;
  EXPECT_EQ(fill("{2} of {1} is {3}", {"MELGEO", 7, -4}), "7 of MELGEO is -4");
  EXPECT_EQ(fill("no.{1:5} and{2:6}", {17, -230}), "no.   17 and  -230");
  EXPECT_EQ(fill("by{1:7} words", {int64_t{123456789}}), "by******* words");
  EXPECT_EQ(fill("NEL ={1:12}.", {int32_t{-2147483647} - 1}), "NEL = -2147483648.");
  EXPECT_EQ(fill("[{1:4}]", {"ab"}), "[  ab]");
  EXPECT_EQ(fill("({1}) ({2})", {"x"}), "(x) ()");
  EXPECT_EQ(fill("{0} {x} {1 {1:} {", {"a"}), "{0} {x} {1 {1:} {");
  EXPECT_EQ(fill("{1}", {"{2}", "b"}), "{2}");
}

TEST(MessageFields, OnlyWellFormedFieldsAreValid) {
  using textio::fields_are_valid;
  for (const char* form : {"", "a {1} b {2:10} c", "{3}{1:5}{2}"}) {
    EXPECT_TRUE(fields_are_valid(form, 3)) << form;
  }
  for (const char* form : {"{4}", "{0}", "{1:}", "{1:0}", "{1:100}", "{1", "1}", "{a}", "{1x}"}) {
    EXPECT_FALSE(fields_are_valid(form, 3)) << form;
  }
}

}  // namespace
