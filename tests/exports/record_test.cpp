// The byte form of a file's share of the outputs: what is encoded decodes to
// the same data, and bytes cut short, run on or with a count past their end
// are refused with a reason.
#include <gtest/gtest.h>

#include <string>

#include "exports/record.h"

namespace {

exports::Contribution sample() {
  exports::Contribution c;
  exports::FileResult& f = c.file;
  f.position = 7;
  f.name = "wave dir, 2.raf";
  f.time_domain = true;
  f.checked = true;
  f.steps_checked = 3;
  f.ends = {{301, 2, 25.5, 0.75, 0.61, 0.024, 0.6, 0.018}, {-4, 1, -0.0, 1e-300, 1, 2, 3, 4}};
  f.elements = {{12, 301, 2, 0.787, 3, 8.5, -0.25, 1}};
  f.checked_ends = {{12, 301, 1, 0.5}, {12, 301, 2, 0.787}};
  f.steps = {1, 2, 3};
  f.step_values = {0.5, 1.0, 8.5};
  f.displacements = {0.0, -0.125, 3.0};
  f.history = {{{12, 301, 2, 0.787}, {0.1, 0.2, 0.787}}, {{12, 301, 1, 0.5}, {0.5, 0.4, 0.3}}};
  c.history_failed = true;
  return c;
}

exports::FrameModel sample_frame() {
  exports::FrameModel m;
  m.nodes = {{0, 0, 0}, {1.5, -2, 3}, {4, 5, 6}};
  m.elements = {{301, {1, 2}}, {302, {2, 3, 1}}};
  m.ends = sample().file.checked_ends;
  return m;
}

// Encodes the decoded data of `bytes` again: equal bytes mean every field
// came through (the encoding writes every field).
template <class Data>
void expect_round_trip_and_refusals(const std::string& bytes) {
  Data data;
  std::string error;
  ASSERT_TRUE(exports::decode(bytes, data, error)) << error;
  EXPECT_EQ(exports::encode(data), bytes);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(exports::decode(bytes.substr(0, cut), data, error)) << cut;
    EXPECT_FALSE(error.empty()) << cut;
  }
  EXPECT_FALSE(exports::decode(bytes + '\0', data, error));
  EXPECT_NE(error.find("left over"), std::string::npos) << error;
}

TEST(ExportRecord, ContributionRoundTripsAndDamageIsRefused) {
  const std::string bytes = exports::encode(sample());
  expect_round_trip_and_refusals<exports::Contribution>(bytes);
  exports::Contribution c;
  std::string error;
  ASSERT_TRUE(exports::decode(bytes, c, error));
  EXPECT_TRUE(c.history_failed && c.file.checked && c.file.time_domain);
  EXPECT_EQ(c.file.name, "wave dir, 2.raf");
  EXPECT_EQ(c.file.history.at(1).utilisation.at(2), 0.3);
  // A count of ends rows of 2^56 must be refused before anything is made.
  std::string huge = bytes;
  const std::size_t ends_count = 1 + 4 + 8 + c.file.name.size() + 4;
  huge[ends_count + 7] = 1;
  EXPECT_FALSE(exports::decode(huge, c, error));
  EXPECT_NE(error.find("count of ends rows runs past the end"), std::string::npos) << error;
}

TEST(ExportRecord, FrameRoundTripsAndDamageIsRefused) {
  expect_round_trip_and_refusals<exports::FrameModel>(exports::encode(sample_frame()));
}

}  // namespace
