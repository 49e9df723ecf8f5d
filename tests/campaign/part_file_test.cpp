// Part files: what is written reads back field for field, and a part that
// is cut short, altered or of another kind or version is refused with a
// message naming it.
#include "campaign/part_file.h"

#include <gtest/gtest.h>

#include <ostream>

#include <bit>
#include <cmath>
#include <functional>

#include "support/run_program.h"

namespace {

using campaign::FileRecord;
using campaign::Outcome;
using campaign::RunHeader;
namespace format = campaign::format;

RunHeader sample_header() {
  RunHeader h;
  h.identity = campaign::RunIdentity::fresh("0.9-03");
  h.load_case = 1;
  h.step_limit_on = 1;
  h.step_limit = 0.1;
  h.first_kind = 1;
  h.step_lines = "#    Up to Time         :        0.100\n";
  h.sections.push_back({{'T', 'E', 'S', 'T'}, std::string("a\0b", 3)});
  return h;
}

std::vector<FileRecord> sample_records() {
  FileRecord checked;
  checked.position = 1;
  checked.list_line_length = 9;
  checked.name = "dir a/one.raf";
  checked.screen = "=====\n Now processing: dir a/one.raf\nGive Time  : ";
  checked.output = "#    Up to Time         :        0.100\nends\n";
  checked.log = "log line\n";
  checked.errors = "vemrask: one.raf: note\n";
  checked.step_output = {0, 39};
  checked.step_screen = {37, 13};
  checked.newlty = 1;
  checked.melex = {101, 102, 103, 104};
  std::vector<double> block(4 * 10, 0.0);
  block[10] = 0.75;  // element 2
  block[39] = -0.0;  // element 4: not all zero bits, kept
  campaign::set_block(checked, block, 4);
  checked.sections.push_back({{'E', 'N', 'D', 'S'}, "rows"});

  FileRecord skipped;
  skipped.position = 2;
  skipped.name = "two.raf";
  skipped.outcome = Outcome::kSkipped;
  skipped.reason = "two.raf: No such file or directory";

  FileRecord failed = checked;
  failed.position = 3;
  failed.outcome = Outcome::kPassFailed;
  failed.step_output = {};
  return {checked, skipped, failed};
}

std::string write_part(const std::filesystem::path& path, const RunHeader& h,
                       const std::vector<FileRecord>& records) {
  campaign::PartWriter writer;
  std::string error;
  EXPECT_TRUE(writer.open(path.string(), h, error)) << error;
  for (const FileRecord& r : records) EXPECT_TRUE(writer.add(r, error)) << error;
  EXPECT_TRUE(writer.commit(error)) << error;
  return test_support::read_file(path);
}

TEST(PartFile, RoundTripKeepsEveryField) {
  test_support::TempDir dir;
  const RunHeader h = sample_header();
  const auto records = sample_records();
  ASSERT_EQ(records[0].elements.size(), 2U) << "only records not all zero are stored";
  write_part(dir / "p.part", h, records);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
      << "no temporary file is left";

  campaign::PartReader reader;
  std::string error;
  ASSERT_TRUE(reader.open((dir / "p.part").string(), error)) << error;
  EXPECT_EQ(reader.header(), h);
  EXPECT_EQ(reader.file_count(), 3U);
  for (int pass = 0; pass < 2; ++pass) {
    FileRecord r;
    for (const FileRecord& expected : records) {
      ASSERT_TRUE(reader.next(r, error)) << error;
      EXPECT_EQ(r, expected);
    }
    EXPECT_FALSE(reader.next(r, error));
    EXPECT_EQ(error, "");
    ASSERT_TRUE(reader.rewind(error));
  }
  // Opened again without the whole-file check, it yields the same records.
  ASSERT_TRUE(reader.open((dir / "p.part").string(), error, false)) << error;
  FileRecord r;
  for (const FileRecord& expected : records) {
    ASSERT_TRUE(reader.next(r, error)) << error;
    EXPECT_EQ(r, expected);
  }
  EXPECT_FALSE(reader.next(r, error));
  EXPECT_EQ(reader.file_count(), 3U);
  std::vector<double> block(40, 9.0);
  campaign::fill_block(records[0], block);
  EXPECT_EQ(block[10], 0.75);
  EXPECT_TRUE(std::signbit(block[39]));
  EXPECT_EQ(std::count(block.begin(), block.end(), 0.0), 39);
}

// Records added before the step settings are known are written after the
// header; a part whose run never settled them has an unsettled header.
TEST(PartFile, RecordsBeforeTheSettingsFollowTheHeader) {
  test_support::TempDir dir;
  const RunHeader h = sample_header();
  const auto records = sample_records();
  for (const bool settles : {true, false}) {
    const std::string path = (dir / (settles ? "settled" : "unsettled")).string();
    campaign::PartWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path, h.identity, error)) << error;
    ASSERT_TRUE(writer.add(records[1], error)) << error;
    if (settles) {
      ASSERT_TRUE(writer.settle(h, error)) << error;
    }
    ASSERT_TRUE(writer.add(records[0], error)) << error;
    ASSERT_TRUE(writer.commit(error)) << error;

    campaign::PartReader reader;
    ASSERT_TRUE(reader.open(path, error)) << error;
    EXPECT_EQ(reader.header().identity, h.identity);
    EXPECT_EQ(reader.header().first_kind, settles ? 1 : 0);
    EXPECT_EQ(reader.header().step_lines, settles ? h.step_lines : "");
    FileRecord r;
    ASSERT_TRUE(reader.next(r, error));
    EXPECT_EQ(r, records[1]);
    ASSERT_TRUE(reader.next(r, error));
    EXPECT_EQ(r, records[0]);
  }
}

// Every prefix of a record is refused by the decoder, which never reads past
// what it was given.
TEST(PartFile, EveryShortRecordIsRefused) {
  const std::string bytes = campaign::encode_record(sample_records()[0]);
  FileRecord r;
  std::string error;
  ASSERT_TRUE(campaign::decode_record(bytes, r, error)) << error;
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_FALSE(campaign::decode_record(std::string_view(bytes).substr(0, n), r, error)) << n;
  }
}

// The checksum does not depend on how the bytes are cut into pieces, and a
// flipped bit anywhere changes it.
TEST(PartFile, ChecksumOfPiecesIsTheChecksumOfTheWhole) {
  std::string bytes;
  for (int k = 0; k < 61; ++k) bytes.push_back(static_cast<char>(k * 37));
  const uint64_t whole = campaign::checksum(bytes);
  for (std::size_t piece : {1, 3, 7, 8, 9, 16, 60}) {
    campaign::Checksum sum;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
      sum.update(std::string_view(bytes).substr(at, piece));
    }
    EXPECT_EQ(sum.value(), whole) << piece;
  }
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    std::string flipped = bytes;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x80);
    EXPECT_NE(campaign::checksum(flipped), whole) << at;
  }
  EXPECT_NE(campaign::checksum(bytes.substr(0, 56)), whole);
}

void put_u8(std::string& bytes, std::size_t at, uint64_t v) {
  for (int k = 0; k < 8; ++k) bytes[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}
// The checksum made to fit again, so that the check behind it is reached.
void reseal(std::string& bytes) {
  const std::size_t body = bytes.size() - 8;
  put_u8(bytes, body, campaign::checksum(std::string_view(bytes).substr(0, body)));
}

struct DamageCase {
  const char* name;
  std::function<void(std::string&, std::size_t first_record)> damage;
  const char* message;  // part of the refusal after "part <path>: "
};
void PrintTo(const DamageCase& c, std::ostream* os) {
  *os << c.name;
}

const DamageCase kDamage[] = {
    {"wrong_magic", [](std::string& b, std::size_t) { b[0] = 'X'; }, "is not a part file"},
    {"other_kind_of_file", [](std::string& b, std::size_t) { b = "RAFLIB  " + b; },
     "is not a part file"},
    {"empty", [](std::string& b, std::size_t) { b.clear(); }, "is not a part file"},
    {"other_version",
     [](std::string& b, std::size_t) {
       b[16] = 2;
       reseal(b);
     },
     "is of part format version 2; this program reads version 1"},
    {"flipped_byte_in_header", [](std::string& b, std::size_t) { b[30] ^= 0x20; },
     "is damaged or truncated: its checksum does not match"},
    {"flipped_byte_in_record", [](std::string& b, std::size_t at) { b[at + 40] ^= 0x01; },
     "is damaged or truncated: its checksum does not match"},
    {"flipped_checksum", [](std::string& b, std::size_t) { b.back() ^= 0x01; },
     "is damaged or truncated: its checksum does not match"},
    {"name_length_past_end",
     [](std::string& b, std::size_t at) {
       put_u8(b, at + 12 + 8, uint64_t{1} << 40);
       reseal(b);
     },
     "is damaged: file record 1: file name runs past the end of its chunk"},
    {"position_zero",
     [](std::string& b, std::size_t at) {
       b[at + 12] = 0;
       reseal(b);
     },
     "is damaged: file record 1: list position, list-line length or NEL out of range"},
    {"chunk_length_past_end",
     [](std::string& b, std::size_t at) {
       put_u8(b, at + 4, uint64_t{1} << 62);
       reseal(b);
     },
     "is truncated: a chunk runs past the end of the file"},
};

class PartDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(PartDamage, IsRefusedNamingThePart) {
  test_support::TempDir dir;
  const auto path = dir / "share 7.part";
  const RunHeader h = sample_header();
  std::string bytes = write_part(path, h, sample_records());
  // Offset of the first FILE chunk (its tag).
  const std::size_t first_record = bytes.find("FILE", format::kHeaderBytes);
  GetParam().damage(bytes, first_record);
  test_support::write_file(path, bytes);
  campaign::PartReader reader;
  std::string error;
  EXPECT_FALSE(reader.open(path.string(), error));
  EXPECT_EQ(error.rfind("part " + path.string() + ": " + GetParam().message, 0), 0U) << error;
}

INSTANTIATE_TEST_SUITE_P(Cases, PartDamage, testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.name); });

// A part cut at any boundary of its layout (header, chunk frames, payloads,
// checksum) is refused as truncated.
TEST(PartFile, CutAtEveryBoundaryIsRefused) {
  test_support::TempDir dir;
  const auto path = dir / "p.part";
  const std::string bytes = write_part(path, sample_header(), sample_records());
  std::vector<std::size_t> cuts = {1, 15, 16, 20, static_cast<std::size_t>(format::kHeaderBytes)};
  for (std::size_t at = format::kHeaderBytes; at + 8 < bytes.size();) {
    uint64_t length = 0;
    for (int k = 0; k < 8; ++k)
      length |= uint64_t{static_cast<unsigned char>(bytes[at + 4 + k])} << (8 * k);
    cuts.push_back(at + 4);
    cuts.push_back(at + 12);
    at += 12 + length;
    cuts.push_back(at);
  }
  cuts.push_back(bytes.size() - 1);
  for (std::size_t cut : cuts) {
    test_support::write_file(path, bytes.substr(0, cut));
    campaign::PartReader reader;
    std::string error;
    EXPECT_FALSE(reader.open(path.string(), error)) << cut;
    EXPECT_NE(error.find("truncated"), std::string::npos) << cut << ": " << error;
  }
}

}  // namespace
