// Per-file results of a run and the part files that carry them.
//
// A FileRecord is everything one listed RAF file contributes to a run: the
// bytes its work wrote to the screen, the output file and the message log
// (collected with platform output capture), its outcome, and its result
// block with the element data the report needs when it is the last file.
// A worker process hands it to the parent as encode_record bytes; a run with
// --part writes it into a part file with PartWriter; a merge reads it back
// with PartReader.  The layout is in campaign/part_format.h.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "campaign/messages.h"
#include "campaign/part_format.h"

namespace campaign {

/// How the work on one file ended.
enum class Outcome : uint8_t {
  kChecked = 0,     ///< the result pass completed; the block holds the results
  kPassFailed = 1,  ///< the result pass failed part-way; the block holds what the
                    ///< steps before gave; the run ends after this file (its
                    ///< report is written only when it is the last file)
  kSkipped = 2,     ///< skipped under --keep-going; `reason` names why
  kRunEnded = 3,    ///< a failure before the result pass ended the run here
};

/// A tagged section of data added without a format change.
struct Section {
  std::array<char, 4> tag{};
  std::string bytes;
  bool operator==(const Section&) const = default;
};

/// A stretch of captured bytes: [offset, offset + length).
struct Stretch {
  uint64_t offset = 0;
  uint64_t length = 0;
  bool operator==(const Stretch&) const = default;
};

/// One element result record that is not all zero.
struct ElementRecord {
  int32_t element = 0;  ///< position 1..NEL
  std::array<double, format::kRecordValues> values{};
  bool operator==(const ElementRecord& o) const;  // bitwise on the values
};

struct FileRecord {
  int32_t position = 0;          ///< position in the run's list
  int32_t list_line_length = 0;  ///< trimmed length of the list line as read
  std::string name;              ///< stored name, trailing blanks cut
  Outcome outcome = Outcome::kChecked;
  std::string reason;
  std::string screen, output, log;   ///< captured bytes of the file's work
  std::string errors;                ///< its lines on standard error
  Stretch step_screen, step_output;  ///< the step settings inside screen/output
  int32_t nel = 0;
  int32_t newlty = 0;
  std::vector<ElementRecord> elements;  ///< ascending element, none all zero
  std::vector<int32_t> melex;
  std::vector<Section> sections;
  bool operator==(const FileRecord&) const = default;
};

/// Identity of the run that wrote a part.
struct RunIdentity {
  std::array<uint8_t, format::kRunIdBytes> id{};
  int64_t created = 0;  ///< seconds since 1970
  std::string host;
  std::string program_version;
  bool operator==(const RunIdentity&) const = default;
  /// A fresh identity: random id, the time now, this computer's name.
  static RunIdentity fresh(std::string program_version);
};

/// The settings a run shares with every part of the same campaign.
struct RunHeader {
  RunIdentity identity;
  int32_t load_case = 0;
  int32_t step_limit_on = 0;
  double step_limit = 0.0;
  int32_t first_kind = 0;  ///< NEWLTY of the first file; 0 = not settled
  std::string step_lines;  ///< step-limit line(s) written to the output file
  std::vector<Section> sections;
  bool operator==(const RunHeader& o) const;  // step limit compared bitwise
  /// True when both runs check the same steps of every file: the same load
  /// case and step limit (bitwise).  The kind of the first file and the
  /// step-limit lines it wrote may differ: a part that begins with a static
  /// file settles with --load-case 1 what a time-domain file settles.
  [[nodiscard]] bool same_steps(const RunHeader& o) const;
};

/// The first section of `sections` tagged `tag`, or nullptr.
const Section* find_section(const std::vector<Section>& sections, const std::array<char, 4>& tag);

/// Stores the records of a result block (`nel` records of kRecordValues
/// values, element-major) that are not all zero bits.
void set_block(FileRecord& record, std::span<const double> values, int32_t nel);

/// Writes the stored records into `values` (nel * kRecordValues, zero
/// first); records beyond the span are left out.
void fill_block(const FileRecord& record, std::span<double> values);

/// The FILE payload of `record`, and its reading.  decode_record checks
/// every length against the bytes left and every field's range; on failure
/// it returns false with `error` saying what is wrong.
std::string encode_record(const FileRecord& record);
[[nodiscard]] bool decode_record(std::string_view bytes, FileRecord& record, std::string& error);

/// The checksum of a part (see part_format.h), fed in pieces of any size.
class Checksum {
 public:
  void update(std::string_view bytes);
  /// The checksum of everything fed so far.
  [[nodiscard]] uint64_t value() const;

 private:
  uint64_t hash_ = 0xcbf29ce484222325ULL;
  std::array<char, 8> pending_{};
  std::size_t pending_size_ = 0;
};

/// The checksum of `bytes` in one piece.
uint64_t checksum(std::string_view bytes);

/// Writes a part file.  The file is written under a temporary name next to
/// `path` and renamed at commit, so a part either exists whole or not at
/// all; a writer destroyed without commit removes its temporary file.
///
/// The run header holds the step settings, which the first file's work
/// settles: open() takes the run's identity, settle() the settings once
/// known.  Records added before settle() are held in memory until then
/// (files that failed before their kind was known: small records); a part
/// committed without settle() has no step settings (first_kind 0).
class PartWriter {
 public:
  PartWriter() = default;
  ~PartWriter();
  PartWriter(const PartWriter&) = delete;
  PartWriter& operator=(const PartWriter&) = delete;

  [[nodiscard]] bool open(const std::string& path, const RunIdentity& identity, std::string& error);
  /// The step settings, sections and first file's kind of `header` (its
  /// identity is the one given to open).
  [[nodiscard]] bool settle(const RunHeader& header, std::string& error);
  /// open() and settle() at once.
  [[nodiscard]] bool open(const std::string& path, const RunHeader& header, std::string& error);
  [[nodiscard]] bool add(const FileRecord& record, std::string& error);
  [[nodiscard]] bool commit(std::string& error);

 private:
  bool put(std::string_view bytes);
  bool put_chunk(std::string_view tag, std::string_view payload);
  bool failed(std::string& error) const;
  std::FILE* file_ = nullptr;
  std::string path_, temp_;
  Checksum hash_;
  uint64_t files_ = 0;
  RunIdentity identity_;
  bool settled_ = false;
  std::vector<std::string> held_;  // records added before settle()
};

/// Reads a part file.  open() checks it whole (magic, version, checksum,
/// every chunk and record) before anything is used: a damaged, truncated or
/// other-version part is refused with a message that names it.  After open,
/// next() yields the records in order; rewind() starts again.  A part checked
/// once can be opened again with `verify` false (magic, version and run
/// header only; every record is still decoded with its checks): a merge reads
/// its parts more than once instead of holding them.
class PartReader {
 public:
  PartReader() = default;
  ~PartReader();
  PartReader(const PartReader&) = delete;
  PartReader& operator=(const PartReader&) = delete;

  [[nodiscard]] bool open(const std::string& path, std::string& error, bool verify = true);
  [[nodiscard]] const RunHeader& header() const { return header_; }
  [[nodiscard]] uint64_t file_count() const { return files_; }
  /// The next record; false at the end or on a read failure (`error` set).
  [[nodiscard]] bool next(FileRecord& record, std::string& error);
  [[nodiscard]] bool rewind(std::string& error);
  void close();

 private:
  bool checksum_matches(std::span<const char> head, std::string& error);
  bool read_chunk(std::string& tag, std::string& payload, std::string& error);
  bool fail(std::string& error, Text text, std::string_view detail = {},
            std::string_view more = {}) const;
  std::FILE* file_ = nullptr;
  std::string path_;
  int64_t size_ = 0;      // bytes before the checksum
  int64_t position_ = 0;  // offset of the next chunk
  int64_t first_file_ = 0;
  uint64_t files_ = 0;
  uint64_t read_ = 0;
  RunHeader header_;
};

}  // namespace campaign
