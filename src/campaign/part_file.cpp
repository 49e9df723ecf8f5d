#include "campaign/part_file.h"

#include "campaign/messages.h"
#include "layout/little_endian.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>
#include <utility>

namespace campaign {
namespace {

// ---- encoding ------------------------------------------------------------------

class Encoder : public layout::FieldWriter {
 public:
  void sections(const std::vector<Section>& list) {
    u4(static_cast<uint32_t>(list.size()));
    for (const Section& s : list) {
      bytes(std::string_view(s.tag.data(), s.tag.size()));
      text(s.bytes);
    }
  }
};

// Reads fields from a payload; the first failure sticks and every later
// read gives zero.  Every length is checked against the bytes left first.
class Decoder {
 public:
  explicit Decoder(std::string_view in) : in_(in) {}
  [[nodiscard]] bool ok() const { return error_.empty(); }
  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] std::size_t left() const { return in_.size(); }
  void fail(std::string reason) {
    if (ok()) error_ = std::move(reason);
  }

  uint64_t unsigned_of(std::size_t width, std::string_view field) {
    return take(width, field) ? layout::get_le(taken_, width) : 0;
  }
  uint8_t u1(std::string_view f) { return static_cast<uint8_t>(unsigned_of(1, f)); }
  uint32_t u4(std::string_view f) { return static_cast<uint32_t>(unsigned_of(4, f)); }
  uint64_t u8(std::string_view f) { return unsigned_of(8, f); }
  int32_t i4(std::string_view f) { return static_cast<int32_t>(u4(f)); }
  double r8(std::string_view f) { return std::bit_cast<double>(u8(f)); }
  std::string_view bytes(std::size_t n, std::string_view f) {
    return take(n, f) ? taken_ : std::string_view();
  }
  std::string text(std::string_view f) {
    const uint64_t n = u8(f);
    if (n > left()) {
      fail(message(Text::kFieldPastEnd, {f}));
      return {};
    }
    return std::string(bytes(static_cast<std::size_t>(n), f));
  }
  std::vector<Section> sections() {
    std::vector<Section> list;
    const uint32_t count = u4("section count");
    for (uint32_t k = 0; k < count && ok(); ++k) {
      Section s;
      const std::string_view tag = bytes(4, "section tag");
      if (!ok()) break;
      std::copy(tag.begin(), tag.end(), s.tag.begin());
      s.bytes = text("section");
      list.push_back(std::move(s));
    }
    return list;
  }

 private:
  bool take(std::size_t n, std::string_view field) {
    if (!ok()) return false;
    if (n > in_.size()) {
      fail(message(Text::kFieldPastEnd, {field}));
      return false;
    }
    taken_ = in_.substr(0, n);
    in_.remove_prefix(n);
    return true;
  }
  std::string_view in_, taken_;
  std::string error_;
};

bool all_zero_bits(std::span<const double> values) {
  return std::all_of(values.begin(), values.end(),
                     [](double v) { return std::bit_cast<uint64_t>(v) == 0; });
}

bool stretch_fits(const Stretch& s, const std::string& bytes) {
  return s.offset <= bytes.size() && s.length <= bytes.size() - s.offset;
}

std::string system_reason() {
  return std::strerror(errno);
}

std::string encode_header(const RunHeader& h) {
  Encoder e;
  e.bytes(
      std::string_view(reinterpret_cast<const char*>(h.identity.id.data()), h.identity.id.size()));
  e.u8(static_cast<uint64_t>(h.identity.created));
  e.text(h.identity.host);
  e.text(h.identity.program_version);
  e.i4(h.load_case);
  e.i4(h.step_limit_on);
  e.r8(h.step_limit);
  e.i4(h.first_kind);
  e.text(h.step_lines);
  e.sections(h.sections);
  return e.take();
}

bool decode_header(std::string_view bytes, RunHeader& h, std::string& error) {
  Decoder d(bytes);
  const std::string_view id = d.bytes(format::kRunIdBytes, "run identity");
  if (d.ok()) std::copy(id.begin(), id.end(), reinterpret_cast<char*>(h.identity.id.data()));
  h.identity.created = static_cast<int64_t>(d.u8("creation time"));
  h.identity.host = d.text("host name");
  h.identity.program_version = d.text("program version");
  h.load_case = d.i4("load case");
  h.step_limit_on = d.i4("step-limit flag");
  h.step_limit = d.r8("step limit");
  h.first_kind = d.i4("kind of the first file");
  h.step_lines = d.text("step-limit lines");
  h.sections = d.sections();
  if (d.ok() && d.left() != 0) d.fail(message(Text::kTrailingBytes, {"run header"}));
  error = d.error();
  return d.ok();
}

}  // namespace

bool ElementRecord::operator==(const ElementRecord& o) const {
  return element == o.element &&
         std::equal(values.begin(), values.end(), o.values.begin(), [](double a, double b) {
           return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
         });
}

bool RunHeader::same_steps(const RunHeader& o) const {
  return load_case == o.load_case && step_limit_on == o.step_limit_on &&
         std::bit_cast<uint64_t>(step_limit) == std::bit_cast<uint64_t>(o.step_limit);
}

bool RunHeader::operator==(const RunHeader& o) const {
  return identity == o.identity && same_steps(o) && step_lines == o.step_lines &&
         first_kind == o.first_kind && sections == o.sections;
}

RunIdentity RunIdentity::fresh(std::string program_version) {
  RunIdentity r;
  std::random_device device;
  for (std::size_t k = 0; k < r.id.size(); k += 4) {
    const uint32_t word = device();
    for (std::size_t b = 0; b < 4; ++b) r.id[k + b] = static_cast<uint8_t>(word >> (8 * b));
  }
  r.created = static_cast<int64_t>(std::time(nullptr));
  std::array<char, 256> host{};
  if (::gethostname(host.data(), host.size() - 1) == 0) r.host = host.data();
  r.program_version = std::move(program_version);
  return r;
}

const Section* find_section(const std::vector<Section>& sections, const std::array<char, 4>& tag) {
  for (const Section& s : sections) {
    if (s.tag == tag) return &s;
  }
  return nullptr;
}

void set_block(FileRecord& record, std::span<const double> values, int32_t nel) {
  record.nel = nel;
  record.elements.clear();
  constexpr auto kWidth = static_cast<std::size_t>(format::kRecordValues);
  const std::size_t held =
      std::min(values.size() / kWidth, static_cast<std::size_t>(std::max(nel, 0)));
  for (std::size_t j = 0; j < held; ++j) {
    const std::span<const double> r = values.subspan(j * kWidth, kWidth);
    if (all_zero_bits(r)) continue;
    ElementRecord e;
    e.element = static_cast<int32_t>(j + 1);
    std::copy(r.begin(), r.end(), e.values.begin());
    record.elements.push_back(e);
  }
}

void fill_block(const FileRecord& record, std::span<double> values) {
  std::fill(values.begin(), values.end(), 0.0);
  constexpr auto kWidth = static_cast<std::size_t>(format::kRecordValues);
  for (const ElementRecord& e : record.elements) {
    const std::size_t at = static_cast<std::size_t>(e.element - 1) * kWidth;
    if (e.element < 1 || at + kWidth > values.size()) continue;
    std::copy(e.values.begin(), e.values.end(), values.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

std::string encode_record(const FileRecord& r) {
  Encoder e;
  e.i4(r.position);
  e.i4(r.list_line_length);
  e.text(r.name);
  e.u1(static_cast<uint8_t>(r.outcome));
  e.text(r.reason);
  e.text(r.screen);
  e.text(r.output);
  e.text(r.log);
  e.text(r.errors);
  for (const Stretch& s : {r.step_screen, r.step_output}) {
    e.u8(s.offset);
    e.u8(s.length);
  }
  e.i4(r.nel);
  e.i4(r.newlty);
  e.i4(static_cast<int32_t>(r.elements.size()));
  for (const ElementRecord& el : r.elements) {
    e.i4(el.element);
    for (double v : el.values) e.r8(v);
  }
  e.i4(static_cast<int32_t>(r.melex.size()));
  for (int32_t m : r.melex) e.i4(m);
  e.sections(r.sections);
  return e.take();
}

bool decode_record(std::string_view bytes, FileRecord& r, std::string& error) {
  Decoder d(bytes);
  r.position = d.i4("list position");
  r.list_line_length = d.i4("list-line length");
  r.name = d.text("file name");
  const uint8_t outcome = d.u1("outcome");
  if (outcome > static_cast<uint8_t>(Outcome::kRunEnded)) {
    d.fail(message(Text::kUnknownOutcome, {std::to_string(outcome)}));
  }
  r.outcome = static_cast<Outcome>(outcome);
  r.reason = d.text("reason");
  r.screen = d.text("screen text");
  r.output = d.text("output-file text");
  r.log = d.text("log text");
  r.errors = d.text("standard-error text");
  for (Stretch* s : {&r.step_screen, &r.step_output}) {
    s->offset = d.u8("step settings offset");
    s->length = d.u8("step settings length");
  }
  if (d.ok() &&
      (!stretch_fits(r.step_screen, r.screen) || !stretch_fits(r.step_output, r.output))) {
    d.fail(message(Text::kStepsOutside));
  }
  r.nel = d.i4("NEL");
  r.newlty = d.i4("NEWLTY");
  const int32_t stored = d.i4("element record count");
  constexpr std::size_t kRecordBytes = 4 + 8 * format::kRecordValues;
  if (d.ok() && (r.position < 1 || r.list_line_length < 0 || r.nel < 0)) {
    d.fail(message(Text::kFieldsOutOfRange));
  }
  if (d.ok() && (stored < 0 || stored > r.nel ||
                 static_cast<std::size_t>(stored) > d.left() / kRecordBytes)) {
    d.fail(message(Text::kCountMisfit, {"element record", std::to_string(stored)}));
  }
  r.elements.clear();
  for (int32_t k = 0; k < stored && d.ok(); ++k) {
    ElementRecord e;
    e.element = d.i4("element position");
    for (double& v : e.values) v = d.r8("element record");
    const int32_t before = r.elements.empty() ? 0 : r.elements.back().element;
    if (d.ok() && (e.element <= before || e.element > r.nel)) {
      d.fail(message(Text::kElementOrder, {std::to_string(e.element)}));
    }
    r.elements.push_back(e);
  }
  const int32_t melex = d.i4("MELEX count");
  if (d.ok() && (melex < 0 || static_cast<std::size_t>(melex) > d.left() / 4)) {
    d.fail(message(Text::kCountMisfit, {"MELEX", std::to_string(melex)}));
  }
  r.melex.assign(static_cast<std::size_t>(d.ok() ? melex : 0), 0);
  for (int32_t& m : r.melex) m = d.i4("MELEX");
  r.sections = d.sections();
  if (d.ok() && d.left() != 0) d.fail(message(Text::kTrailingBytes, {"file record"}));
  error = d.error();
  return d.ok();
}

namespace {

constexpr uint64_t kFnvPrime = 0x100000001b3ULL;

uint64_t word_of(const char* p) {
  uint64_t w = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&w, p, sizeof w);
  } else {
    for (std::size_t k = 0; k < 8; ++k) w |= uint64_t{static_cast<unsigned char>(p[k])} << (8 * k);
  }
  return w;
}

}  // namespace

void Checksum::update(std::string_view bytes) {
  while (pending_size_ > 0 && pending_size_ < 8 && !bytes.empty()) {
    pending_[pending_size_++] = bytes.front();
    bytes.remove_prefix(1);
  }
  if (pending_size_ == 8) {
    hash_ = (hash_ ^ word_of(pending_.data())) * kFnvPrime;
    pending_size_ = 0;
  }
  const std::size_t words = bytes.size() / 8;
  for (std::size_t k = 0; k < words; ++k)
    hash_ = (hash_ ^ word_of(bytes.data() + 8 * k)) * kFnvPrime;
  bytes.remove_prefix(8 * words);
  std::copy(bytes.begin(), bytes.end(),
            pending_.begin() + static_cast<std::ptrdiff_t>(pending_size_));
  pending_size_ += bytes.size();
}

uint64_t Checksum::value() const {
  uint64_t hash = hash_;
  for (std::size_t k = 0; k < pending_size_; ++k) {
    hash = (hash ^ static_cast<unsigned char>(pending_[k])) * kFnvPrime;
  }
  return hash;
}

uint64_t checksum(std::string_view bytes) {
  Checksum sum;
  sum.update(bytes);
  return sum.value();
}

// ---- writer ---------------------------------------------------------------------

PartWriter::~PartWriter() {
  if (file_ != nullptr) {
    std::fclose(file_);
    std::remove(temp_.c_str());
  }
}

bool PartWriter::put(std::string_view bytes) {
  hash_.update(bytes);
  return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

bool PartWriter::put_chunk(std::string_view tag, std::string_view payload) {
  Encoder e;
  e.bytes(tag);
  e.u8(payload.size());
  return put(e.take()) && put(payload);
}

bool PartWriter::failed(std::string& error) const {
  error = message(Text::kCannotWrite, {path_, system_reason()});
  return false;
}

bool PartWriter::open(const std::string& path, const RunIdentity& identity, std::string& error) {
  path_ = path;
  temp_ = path + ".tmp" + std::to_string(::getpid());
  identity_ = identity;
  settled_ = false;
  held_.clear();
  files_ = 0;
  file_ = std::fopen(temp_.c_str(), "wb");
  if (file_ == nullptr) return failed(error);
  hash_ = Checksum{};
  Encoder e;
  e.bytes(format::kMagic);
  e.u4(format::kFormatVersion);
  e.u4(0);
  return put(e.take()) || failed(error);
}

bool PartWriter::settle(const RunHeader& header, std::string& error) {
  if (file_ == nullptr || settled_) return failed(error);
  RunHeader h = header;
  h.identity = identity_;
  settled_ = true;
  if (!put_chunk(format::kHeadTag, encode_header(h))) return failed(error);
  for (const std::string& record : held_) {
    if (!put_chunk(format::kFileTag, record)) return failed(error);
  }
  held_.clear();
  return true;
}

bool PartWriter::open(const std::string& path, const RunHeader& header, std::string& error) {
  return open(path, header.identity, error) && settle(header, error);
}

bool PartWriter::add(const FileRecord& record, std::string& error) {
  if (file_ == nullptr) return failed(error);
  ++files_;
  if (!settled_) {
    held_.push_back(encode_record(record));
    return true;
  }
  return put_chunk(format::kFileTag, encode_record(record)) || failed(error);
}

bool PartWriter::commit(std::string& error) {
  if (file_ == nullptr) return failed(error);
  if (!settled_) {
    RunHeader unsettled;
    if (!settle(unsettled, error)) return false;
  }
  Encoder end;
  end.u8(files_);
  bool ok = put_chunk(format::kEndTag, end.take());
  Encoder sum;
  sum.u8(hash_.value());
  const std::string trailer = sum.take();
  ok = ok && std::fwrite(trailer.data(), 1, trailer.size(), file_) == trailer.size();
  ok = ok && std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
  std::FILE* f = std::exchange(file_, nullptr);
  ok = std::fclose(f) == 0 && ok;
  ok = ok && std::rename(temp_.c_str(), path_.c_str()) == 0;
  if (ok) return true;
  failed(error);
  std::remove(temp_.c_str());
  return false;
}

// ---- reader ---------------------------------------------------------------------

PartReader::~PartReader() {
  close();
}

void PartReader::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool PartReader::fail(std::string& error, Text text, std::string_view detail,
                      std::string_view more) const {
  error = message(text, {path_, detail, more});
  return false;
}

bool PartReader::read_chunk(std::string& tag, std::string& payload, std::string& error) {
  std::array<char, format::kChunkFrameBytes> frame{};
  if (size_ - position_ < format::kChunkFrameBytes ||
      std::fread(frame.data(), 1, frame.size(), file_) != frame.size()) {
    return fail(error, Text::kChunkCut);
  }
  tag.assign(frame.data(), 4);
  Decoder d(std::string_view(frame.data() + 4, 8));
  const uint64_t length = d.u8("chunk length");
  position_ += format::kChunkFrameBytes;
  if (length > static_cast<uint64_t>(size_ - position_)) {
    return fail(error, Text::kChunkPastEnd);
  }
  payload.resize(static_cast<std::size_t>(length));
  if (std::fread(payload.data(), 1, payload.size(), file_) != payload.size()) {
    return fail(error, Text::kCannotRead, system_reason());
  }
  position_ += static_cast<int64_t>(length);
  return true;
}

bool PartReader::open(const std::string& path, std::string& error, bool verify) {
  close();
  path_ = path;
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return fail(error, Text::kCannotOpen, system_reason());
  struct stat st {};
  if (::fstat(::fileno(file_), &st) != 0 || !S_ISREG(st.st_mode)) {
    return fail(error, Text::kNotRegular);
  }
  // The magic text and version first: a file of another kind or version
  // is named as such rather than as damaged.
  std::array<char, format::kHeaderBytes> head{};
  const std::size_t got = std::fread(head.data(), 1, head.size(), file_);
  const std::size_t magic_got = std::min(got, format::kMagic.size());
  if (got == 0 || std::string_view(head.data(), magic_got) != format::kMagic.substr(0, magic_got)) {
    return fail(error, Text::kNotAPart);
  }
  if (got < head.size() || st.st_size < format::kHeaderBytes + format::kChecksumBytes) {
    return fail(error, Text::kShortHeader);
  }
  Decoder version(std::string_view(head.data() + 16, 4));
  const uint32_t v = version.u4("version");
  if (v != format::kFormatVersion) {
    return fail(error, Text::kOtherVersion, std::to_string(v),
                std::to_string(format::kFormatVersion));
  }

  // The checksum over the whole content, before any field is trusted.
  size_ = static_cast<int64_t>(st.st_size) - format::kChecksumBytes;
  if (verify && !checksum_matches(head, error)) return false;

  // Every chunk and record once, so that a merge never stops half-way.
  position_ = format::kHeaderBytes;
  if (std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0) {
    return fail(error, Text::kCannotRead, system_reason());
  }
  std::string tag, payload, reason;
  if (!read_chunk(tag, payload, error)) return false;
  if (tag != format::kHeadTag) return fail(error, Text::kNoRunHeader);
  if (!decode_header(payload, header_, reason)) return fail(error, Text::kBadRunHeader, reason);
  first_file_ = position_;
  if (!verify) {
    files_ = std::numeric_limits<uint64_t>::max();  // next() ends at the END chunk
    return true;
  }
  uint64_t files = 0;
  FileRecord record;
  for (;;) {
    if (!read_chunk(tag, payload, error)) return false;
    if (tag == format::kEndTag) break;
    if (tag != format::kFileTag) return fail(error, Text::kUnknownChunk);
    if (!decode_record(payload, record, reason)) {
      return fail(error, Text::kBadRecord, std::to_string(files + 1), reason);
    }
    ++files;
  }
  Decoder end(payload);
  const uint64_t count = end.u8("file count");
  if (!end.ok() || end.left() != 0 || count != files || position_ != size_) {
    return fail(error, Text::kBadEnd);
  }
  files_ = files;
  return rewind(error);
}

bool PartReader::checksum_matches(std::span<const char> head, std::string& error) {
  Checksum hash;
  hash.update(std::string_view(head.data(), head.size()));
  std::vector<char> buffer(std::size_t{1} << 18);
  for (int64_t at = format::kHeaderBytes; at < size_;) {
    const auto want = static_cast<std::size_t>(
        std::min<int64_t>(size_ - at, static_cast<int64_t>(buffer.size())));
    if (std::fread(buffer.data(), 1, want, file_) != want) {
      return fail(error, Text::kCannotRead, system_reason());
    }
    hash.update(std::string_view(buffer.data(), want));
    at += static_cast<int64_t>(want);
  }
  std::array<char, format::kChecksumBytes> trailer{};
  if (std::fread(trailer.data(), 1, trailer.size(), file_) != trailer.size()) {
    return fail(error, Text::kCannotRead, system_reason());
  }
  if (Decoder(std::string_view(trailer.data(), trailer.size())).u8("checksum") != hash.value()) {
    return fail(error, Text::kChecksum);
  }
  return true;
}

bool PartReader::rewind(std::string& error) {
  position_ = first_file_;
  read_ = 0;
  if (file_ == nullptr || std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0) {
    return fail(error, Text::kCannotRead, system_reason());
  }
  return true;
}

bool PartReader::next(FileRecord& record, std::string& error) {
  error.clear();
  if (file_ == nullptr || read_ == files_) return false;
  std::string tag, payload, reason;
  if (!read_chunk(tag, payload, error)) return false;
  if (tag == format::kEndTag) {
    files_ = read_;
    return false;
  }
  if (tag != format::kFileTag || !decode_record(payload, record, reason)) {
    return fail(error, Text::kChanged);
  }
  ++read_;
  return true;
}

}  // namespace campaign
