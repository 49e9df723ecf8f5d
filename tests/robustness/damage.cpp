#include "robustness/damage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "layout/model_arrays.h"
#include "raflib/format.h"
#include "recall/catalogue.h"
#include "support/run_program.h"
#include "tools/raf_byte_order.h"

namespace robustness {
namespace {

using raf_tools::ModelArray;
namespace format = raflib::format;
using Word = format::EntryWord;
namespace numraf = recall::numraf;
namespace keyraf = recall::keyraf;
namespace tcrgeo = layout::tcrgeo;
namespace tgepa = layout::tgepa;
namespace mglres = layout::mglres;
namespace tglres = layout::tglres;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

/// 0-based position of word k of column c of an array of `words` a column.
constexpr std::size_t word_at(int32_t words, int32_t c, int32_t k) {
  return static_cast<std::size_t>(words) * static_cast<std::size_t>(c - 1) +
         static_cast<std::size_t>(k - 1);
}
constexpr std::size_t kRecord = raflib::format::kRecordBytes;

// Keys of the catalogue arrays in every file of the model writer.
using recall::kIarrnmKey;
using recall::kKeyrafKey;
using recall::kNumrafKey;

// A pipe line of four tubes (a tube, a joint can with its own end
// properties, a cone and a tube) and a spring: three thickness transitions.
constexpr std::string_view kFrame = R"(
NODE 1  0 0 0
NODE 2  0 0 4
NODE 3  0 0 6
NODE 4  0 0 9
NODE 5  0 0 12
NODE 6  3 0 12
PIPE 1  1.2 0.025
PIPEEND 1 2  0.0930 0.0160 0.0161
PIPE 2  1.2 0.040
PIPE 3  1.2 0.030 1.0
GEOMETRY 4 2  1.0E8 1.0E8 1.0E9
MATERIAL 1  1  355.0E6  2.1E11  0.3
MATERIAL 2  2  0.0
ELEMENT 1001  15  1 1  1 2
ELEMENT 1002  15  2 1  2 3
ELEMENT 1003  15  3 1  3 4
ELEMENT 1004  15  1 1  4 5
ELEMENT 1005  18  4 2  5 6
)";

std::string steps_text(bool time_domain) {
  // Step values, load cases, displacements and stored flags; the forces
  // grow from step to step so that every step can govern some element.
  struct Step {
    double value;
    int load_case;
    double displacement;
    int stored;
  };
  const Step time_steps[] = {
      {0.5, 1, 0.01, 1}, {1.0, 1, 0.02, 1}, {1.5, 1, 0.03, 0}, {2.0, 1, -0.04, 1}};
  const Step static_steps[] = {
      {0.5, 1, 0.01, 1}, {1.0, 1, 0.02, 1}, {0.25, 2, 0.03, 1}, {0.75, 2, 0.05, 1}};
  std::string text;
  int s = 0;
  for (const Step& st : time_domain ? time_steps : static_steps) {
    ++s;
    text += "STEP " + std::to_string(st.value) + " " + std::to_string(st.load_case) + " " +
            std::to_string(st.displacement) + " " + std::to_string(st.stored) + "\n";
    for (int e = 1; e <= 5; ++e) {
      const double n = 1.0E6 * (s + e);
      const double m = 1.0E5 * (3 * s + e);
      text += "FORCE " + std::to_string(1000 + e) + "  " + std::to_string(n) + " 0 0 0 " +
              std::to_string(m) + " " + std::to_string(0.5 * m) + "  " + std::to_string(-n) +
              " 0 0 0 " + std::to_string(-1.1 * m) + " " + std::to_string(-0.6 * m) + "\n";
    }
  }
  return text;
}

std::string model_text(bool time_domain) {
  return std::string("TITLE robustness base\nANALYSIS ") + (time_domain ? "TIME" : "STATIC") +
         "\n" + std::string(kFrame) + steps_text(time_domain);
}

// The one scratch directory of the generator.
const test_support::TempDir& scratch() {
  static const test_support::TempDir dir;
  return dir;
}

Bytes write_arrays(const std::vector<ModelArray>& arrays,
                   const raf_tools::CatalogueOptions& options,
                   const std::function<void(raf_tools::CatalogueWords&)>& edit_catalogue) {
  const auto file = scratch() / "image.raf";
  raf_tools::WriterSettings settings;
  settings.edit_catalogue = edit_catalogue;
  std::string error;
  if (!raf_tools::write_model(file, arrays, options, settings, error)) {
    throw std::runtime_error("cannot write a model image: " + error);
  }
  return test_support::read_file(file);
}

raf_tools::Model parsed(std::string_view text) {
  raf_tools::Model model;
  raf_tools::ParseError error;
  if (!raf_tools::parse_model_text(text, model, error)) {
    throw std::runtime_error("base model text: line " + std::to_string(error.line) + ": " +
                             error.message);
  }
  return model;
}

Bytes base_image(bool time_domain, const raf_tools::ArrayOptions& options) {
  return write_arrays(raf_tools::derive_arrays(parsed(model_text(time_domain)), options), {}, {});
}

Bytes big_endian(Bytes image) {
  std::vector<std::byte> bytes(image.size());
  std::memcpy(bytes.data(), image.data(), image.size());
  std::string error;
  if (!raf_tools::swap_byte_order(bytes, error)) throw std::runtime_error(error);
  std::memcpy(image.data(), bytes.data(), image.size());
  return image;
}

std::string list_of(std::initializer_list<std::string_view> names) {
  std::string text;
  for (std::string_view n : names) text.append(n).append("\n");
  return text;
}

std::string str(int64_t v) {
  return std::to_string(v);
}

}  // namespace

// ---- support ------------------------------------------------------------------------

uint64_t Random::next() {
  // splitmix64
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// ---- bases --------------------------------------------------------------------------

const std::vector<Base>& bases() {
  static const std::vector<Base> all = [] {
    raf_tools::ArrayOptions dp;
    raf_tools::ArrayOptions re;
    re.real_type = "RE";
    raf_tools::ArrayOptions indexed;
    indexed.indexed_mstru = true;
    const std::string time_answers = "\n";
    const std::string static_answers = "2\n0.5\n";
    std::vector<Base> b;
    b.push_back({"time", base_image(true, dp), time_answers});
    b.push_back({"static", base_image(false, dp), static_answers});
    b.push_back({"static-be", big_endian(base_image(false, dp)), static_answers});
    b.push_back({"re", base_image(true, re), time_answers});
    b.push_back({"indexed", base_image(true, indexed), time_answers});
    return b;
  }();
  return all;
}

const Base& base(std::string_view label) {
  for (const Base& b : bases()) {
    if (b.label == label) return b;
  }
  throw std::invalid_argument("no base model " + std::string(label));
}

std::string answers_for(const Base& b, std::string_view list, std::string_view output) {
  return std::string(list) + "\n" + std::string(output) + "\n5\n" + b.step_answers;
}

Case raf_case(std::string name, Bytes image, const Base& b) {
  Case c;
  c.name = std::move(name);
  c.files = {{"case.raf", std::move(image)}, {"files.lst", "case.raf\n"}};
  c.answers = answers_for(b);
  c.subject = "case.raf";
  return c;
}

raf_tools::ModelArray& array(std::vector<ModelArray>& arrays, std::string_view name) {
  for (ModelArray& a : arrays) {
    if (a.name == name) return a;
  }
  throw std::invalid_argument("no model array " + std::string(name));
}

Bytes model_image(const ArrayEdit& edit, const raf_tools::CatalogueOptions& options,
                  const std::function<void(raf_tools::CatalogueWords&)>& edit_catalogue,
                  std::string_view model) {
  raf_tools::ArrayOptions array_options;
  if (model == "re") array_options.real_type = "RE";
  if (model == "indexed") array_options.indexed_mstru = true;
  const bool time_domain = model != "static";
  std::vector<ModelArray> arrays =
      raf_tools::derive_arrays(parsed(model_text(time_domain)), array_options);
  if (edit) edit(arrays);
  return write_arrays(arrays, options, edit_catalogue);
}

// ---- truncation -----------------------------------------------------------------------

std::vector<Case> truncation_cases() {
  std::vector<Case> cases;
  // The time model at every record boundary and inside every record; the
  // file of the other byte order at every boundary.
  for (const char* label : {"time", "static-be"}) {
    const Base& b = base(label);
    const std::size_t records = b.image.size() / kRecord;
    const bool inside = std::string_view(label) == "time";
    // The key and the MFP of both files (of either byte order) end here.
    const RafImage sound(base("time").image);
    const std::size_t mfp_end =
        (static_cast<std::size_t>(sound.mfpadr()) - 1 + static_cast<std::size_t>(sound.mfplen())) *
        kRecord;
    for (std::size_t k = 0; k < records; ++k) {
      std::vector<std::size_t> cuts = {k * kRecord};
      if (inside) cuts.insert(cuts.end(), {k * kRecord + (k % 2 == 0 ? 4 : 300)});
      for (const std::size_t cut : cuts) {
        Case c = raf_case(std::string(label) + "/cut-at-" + str(static_cast<int64_t>(cut)),
                          b.image.substr(0, cut), b);
        // A cut can only remove data: the run fails, or it did not need
        // what was cut and reports exactly what the whole file gives.
        c.same_report_as = label;
        if (cut < 2 * kRecord) {
          // The key is cut: the file is refused when it is opened.
          c.expect = Expect::kFailure;
          c.needles = {"*** ERROR IN INIRAF_0 ***", "Error opening raf_file"};
        } else if (cut < mfp_end) {
          // The MFP is cut: the first read fails.
          c.expect = Expect::kFailure;
          c.needles = {"Cannot read from file"};
        }
        cases.push_back(std::move(c));
      }
    }
  }
  return cases;
}

// ---- the key record -----------------------------------------------------------------

std::vector<Case> key_record_cases() {
  // The two lock flags and the three stamps, each patched as one field.
  constexpr format::KeyField kLocks{format::kFirstLock.offset, 2 * format::kFirstLock.width};
  constexpr format::KeyField kStamps{format::kCreatedStamp.offset, 3 * format::kStampWidth};
  struct Patch {
    const char* name;
    format::KeyField field;
    const char* text;
    Expect expect;
    std::vector<std::string> needles;
  };
  const std::vector<Patch> patches = {
      {"magic", format::kMagic, "RAFLIX  ", Expect::kFailure, {"File is not a RAFLIB file"}},
      {"magic-lower", format::kMagic, "raflib  ", Expect::kFailure, {"File is not a RAFLIB file"}},
      {"magic-no-blanks",
       format::kMagic,
       "RAFLIBXX",
       Expect::kFailure,
       {"File is not a RAFLIB file"}},
      {"version-3", format::kVersion, "3", Expect::kFailure, {"Too new RAFLIB file (version 3)"}},
      {"version-huge",
       format::kVersion,
       "9999",
       Expect::kFailure,
       {"Too new RAFLIB file (version 9999)"}},
      {"version-text", format::kVersion, "v2", Expect::kFailure, {"Decode error"}},
      {"version-blank", format::kVersion, "", Expect::kSuccess, {}},
      {"version-1", format::kVersion, "1", Expect::kSuccess, {}},
      {"revision-text", format::kRevision, "x", Expect::kFailure, {"Decode error"}},
      {"revision-huge", format::kRevision, "9999", Expect::kSuccess, {}},
      {"read-locked", kLocks, "   1   0", Expect::kFailure, {"File is read locked"}},
      {"both-locks", kLocks, "   1   1", Expect::kSuccess, {}},
      {"write-locked", kLocks, "   0   7", Expect::kSuccess, {}},
      {"lock-text", format::kFirstLock, "**", Expect::kFailure, {"Decode error"}},
      {"mfpadr-1", format::kMfpadr, "1", Expect::kFailure, {"MFPADR = 1 is illegal"}},
      {"mfpadr-0", format::kMfpadr, "0", Expect::kFailure, {"MFPADR = 0 is illegal"}},
      {"mfpadr-negative", format::kMfpadr, "-99", Expect::kFailure, {"MFPADR = -99 is illegal"}},
      {"mfpadr-beyond", format::kMfpadr, "9999", Expect::kFailure, {"MFPNXT ="}},
      {"mfpadr-into-data", format::kMfpadr, "9", Expect::kFailure, {}},
      {"mfpmax-0", format::kMfpmax, "0", Expect::kFailure, {"MFPMAX = 0 is illegal"}},
      {"mfpmax-negative", format::kMfpmax, "-1", Expect::kFailure, {"MFPMAX = -1 is illegal"}},
      {"mfpmax-small", format::kMfpmax, "64", Expect::kFailure, {"MFPCUR ="}},
      {"mfpmax-huge", format::kMfpmax, "99999999", Expect::kSuccess, {}},
      {"mfpcur-negative", format::kMfpcur, "-1", Expect::kFailure, {"MFPCUR = -1 is illegal"}},
      {"mfpcur-above-max",
       format::kMfpcur,
       "99999999",
       Expect::kFailure,
       {"MFPCUR = 99999999 is illegal"}},
      {"mfpnxt-equal", format::kMfpnxt, "3", Expect::kFailure, {"MFPNXT = 3 is illegal"}},
      {"mfpnxt-0", format::kMfpnxt, "0", Expect::kFailure, {"MFPNXT = 0 is illegal"}},
      {"mfpnxt-huge", format::kMfpnxt, "99999999", Expect::kSuccess, {}},
      {"mfpnxt-text", format::kMfpnxt, "12a", Expect::kFailure, {"Decode error"}},
      {"reserved-text", format::kReservedWide, "reserved", Expect::kFailure, {"Decode error"}},
      {"mfplen-text", format::kMfplen, "--", Expect::kFailure, {"Decode error"}},
      {"mfplen-huge", format::kMfplen, "99999999", Expect::kSuccess, {}},
      {"record-length", format::kRecordLength, "1024", Expect::kSuccess, {}},
      {"computer-11",
       format::kComputerCode,
       "11",
       Expect::kFailure,
       {"Cannot read files generated on Sun SPARC / SunOS"}},
      {"computer-10",
       format::kComputerCode,
       "10",
       Expect::kFailure,
       {"Cannot read files generated on IBM Powerstation / AIX"}},
      {"computer-99",
       format::kComputerCode,
       "99",
       Expect::kFailure,
       {"Cannot read files generated on"}},
      {"computer-0",
       format::kComputerCode,
       "0",
       Expect::kFailure,
       {"Cannot read files generated on"}},
      {"computer-negative",
       format::kComputerCode,
       "-14",
       Expect::kFailure,
       {"Cannot read files generated on"}},
      {"computer-text", format::kComputerCode, "PC", Expect::kFailure, {"Decode error"}},
      {"computer-12", format::kComputerCode, "12", Expect::kFailure, {}},
      {"computer-15", format::kComputerCode, "15", Expect::kSuccess, {}},
      {"computer-name", format::kComputerName, "Some other computer", Expect::kSuccess, {}},
      {"stamps", kStamps, "garbage garbage garbage garbage garbage garbage!", Expect::kSuccess, {}},
  };
  std::vector<Case> cases;
  const Base& b = base("time");
  for (const Patch& p : patches) {
    RafImage image(b.image);
    image.set_key_field(p.field, p.text);
    Case c = raf_case(std::string("key/") + p.name, image.bytes(), b);
    c.expect = p.expect;
    c.needles = p.needles;
    if (p.expect == Expect::kSuccess) c.same_report_as = "time";
    cases.push_back(std::move(c));
  }

  // Random changes of the decoded part of the key (the first 176
  // characters), one to three bytes at a time.
  Random random(0x4b4559);
  for (int n = 0; n < 50; ++n) {
    Bytes image = b.image;
    const uint64_t count = 1 + random.below(3);
    for (uint64_t k = 0; k < count; ++k) {
      const std::size_t at = random.below(176);
      image[at] = static_cast<char>(image[at] ^ static_cast<char>(1 + random.below(255)));
    }
    Case c = raf_case("key/random-" + str(n), std::move(image), b);
    c.same_report_as = "time";
    cases.push_back(std::move(c));
  }
  // The rest of the key is never decoded.
  for (int n = 0; n < 10; ++n) {
    Bytes image = b.image;
    const std::size_t at = 176 + random.below(1024 - 176);
    image[at] = static_cast<char>(random.below(256));
    Case c = raf_case("key/unused-" + str(n), std::move(image), b);
    c.expect = Expect::kSuccess;
    c.same_report_as = "time";
    cases.push_back(std::move(c));
  }
  return cases;
}

// ---- the MFP ----------------------------------------------------------------------------

std::vector<Case> mfp_cases() {
  const Base& b = base("time");
  const RafImage sound(b.image);
  const int32_t file_records = static_cast<int32_t>(b.image.size() / kRecord);
  struct Target {
    const char* name;
    int32_t key;
  };
  const std::vector<Target> targets = {
      {"numraf", kNumrafKey},
      {"keyraf", kKeyrafKey},
      {"iarrnm", kIarrnmKey},
      {"mstru", sound.key_of("MSTRU")},
      {"tcoord", sound.key_of("TCOORD")},
      {"tfle-2", sound.key_of("TFLE", 2)},
  };
  struct Edit {
    const char* name;
    format::EntryWord word;
    int32_t value;
    std::vector<std::string> needles;
  };
  const std::vector<Edit> edits = {
      {"address-0", Word::kAddress, 0, {"Attempt to read a non-allocated array"}},
      {"address-negative", Word::kAddress, -7, {"Negative file address in FFILE"}},
      {"address-min", Word::kAddress, kMin, {"Negative file address in FFILE"}},
      {"address-beyond", Word::kAddress, file_records + 10, {"Cannot read from file"}},
      {"address-max", Word::kAddress, kMax, {"Cannot read from file"}},
      {"type-0", Word::kType, 0, {"Array type mismatch"}},
      {"type-5", Word::kType, 5, {"Array type mismatch"}},
      {"type-huge", Word::kType, kMax, {"Array type mismatch"}},
      {"allocated-0", Word::kAllocated, 0, {"Array length mismatch (too many elements specified)"}},
      {"allocated-negative",
       Word::kAllocated,
       -1,
       {"Array length mismatch (too many elements specified)"}},
      {"used-max", Word::kUsed, kMax, {"Array length mismatch (too few elements specified)"}},
      {"used-negative", Word::kUsed, -3, {}},
  };
  std::vector<Case> cases;
  for (const Target& t : targets) {
    for (const Edit& e : edits) {
      RafImage image(b.image);
      image.set_entry(t.key, e.word, e.value);
      Case c = raf_case(std::string("mfp/") + t.name + "-" + e.name, image.bytes(), b);
      // A negative used count leaves every read acceptable.
      c.expect = std::string_view(e.name) == "used-negative" ? Expect::kSuccess : Expect::kFailure;
      c.needles = e.needles;
      c.same_report_as = "time";
      cases.push_back(std::move(c));
    }
    // An allocated count far beyond the data: the read runs past the end
    // of the file (or into other arrays, which is garbage of the right size
    // and must still end cleanly).
    RafImage image(b.image);
    image.set_entry(t.key, Word::kAllocated, kMax);
    image.set_entry(t.key, Word::kUsed, kMax / 2);
    Case c = raf_case(std::string("mfp/") + t.name + "-counts-huge", image.bytes(), b);
    c.expect = Expect::kFailure;
    cases.push_back(std::move(c));
  }

  // Random bytes anywhere in the MFP area.
  Random random(0x4d4650);
  const std::size_t first = (static_cast<std::size_t>(sound.mfpadr()) - 1) * kRecord;
  const std::size_t length = static_cast<std::size_t>(sound.mfplen()) * kRecord;
  for (int n = 0; n < 40; ++n) {
    Bytes image = b.image;
    const uint64_t count = 1 + random.below(4);
    for (uint64_t k = 0; k < count; ++k) {
      // Mostly the entries in use (keys 101 and on), sometimes any byte.
      const std::size_t in_use = sound.entry_offset(kNumrafKey, Word::kAddress);
      const std::size_t at = random.below(4) == 0 ? first + random.below(length)
                                                  : in_use + random.below(first + length - in_use);
      image[at] = static_cast<char>(image[at] ^ static_cast<char>(1U << random.below(8)));
    }
    Case c = raf_case("mfp/random-" + str(n), std::move(image), b);
    c.same_report_as = "time";
    cases.push_back(std::move(c));
  }
  return cases;
}

// ---- the catalogue ------------------------------------------------------------------------

std::vector<Case> catalogue_cases() {
  const Base& b = base("time");
  const RafImage sound(b.image);
  std::vector<Case> cases;
  auto numraf_case = [&](const std::string& name, int64_t word, int32_t value, Expect expect,
                         std::vector<std::string> needles) {
    RafImage image(b.image);
    image.set_int_word(kNumrafKey, word, value);
    Case c = raf_case("catalogue/numraf-" + name, image.bytes(), b);
    c.expect = expect;
    c.needles = std::move(needles);
    c.same_report_as = "time";
    cases.push_back(std::move(c));
  };
  // The record length of KEYRAF (word 7).
  for (const int32_t r : {0, -1, 1, 9, 11, 12, 1000, kMax, kMin}) {
    numraf_case("record-length-" + str(r), numraf::kRecordLength, r, Expect::kFailure,
                {"Illegal record length in catalogue:"});
  }
  // The highest array number (word 8): none, too many for the scratch of
  // the merge (the product (R + 2) x M must not wrap), more than the work
  // space holds, fewer than the file's own.
  for (const int32_t m : {0, -1, -100, kMin}) {
    numraf_case("highest-" + str(m), numraf::kHighestNumber, m, Expect::kFailure,
                {"Illegal highest array number"});
  }
  for (const int32_t m : {kMax, kMax / 12 + 1, 1 << 30}) {
    numraf_case("highest-" + str(m), numraf::kHighestNumber, m, Expect::kFailure,
                {"Illegal highest array number"});
  }
  numraf_case("highest-beyond-work-space", numraf::kHighestNumber, 2'000'000, Expect::kFailure,
              {"Insufficient space for array MSCRA"});
  numraf_case("highest-1", numraf::kHighestNumber, 1, Expect::kFailure,
              {"too few elements specified"});
  numraf_case("highest-10", numraf::kHighestNumber, 10, Expect::kFailure,
              {"too few elements specified"});
  // The key base (word 10).
  for (const int32_t base_key : {0, 99, 101, -100, kMax}) {
    numraf_case("key-base-" + str(base_key), numraf::kKeyBase, base_key, Expect::kFailure,
                {"*** ERROR IN ARINI1 ***", "*** ERROR IN INIDMS ***",
                 "  *** ERROR IN VemRask_IniDMS ***"});
  }
  // The key-block sizes (words 4, 5, 6): negative, empty, huge.
  for (const int word : {4, 5, 6}) {
    for (const int32_t v : {-1, kMin, kMax}) {
      numraf_case("block-" + str(word) + "-" + str(v), word, v, Expect::kEither, {});
    }
  }
  numraf_case("blocks-empty", numraf::kStructureSize, 0, Expect::kFailure, {});
  numraf_case("result-block-0", numraf::kResultSize, 0, Expect::kFailure, {"TFLE"});
  // Counts and the divisor of word 10 are the in-core store's own.
  numraf_case("counts", numraf::kStructureCount, kMax, Expect::kSuccess, {});
  numraf_case("divisor-0", numraf::kPointerDivisor, 0, Expect::kSuccess, {});
  numraf_case("longest-name", numraf::kLongestName, 99, Expect::kSuccess, {});

  // KEYRAF records of the arrays the check reads.
  const int32_t m = sound.int_word(kNumrafKey, numraf::kHighestNumber);
  const int32_t r = sound.int_word(kNumrafKey, numraf::kRecordLength);
  auto record_of = [&](std::string_view name) -> int32_t {
    int32_t first = 0;
    int32_t second = 0;
    static_cast<void>(raf_tools::name_code(name, first, second));
    for (int32_t j = 1; j <= m; ++j) {
      if (sound.int_word(kIarrnmKey, 2 * j - 1) == first &&
          sound.int_word(kIarrnmKey, 2 * j) == second) {
        return j;
      }
    }
    throw std::invalid_argument("array not catalogued");
  };
  struct RecordEdit {
    const char* name;
    int64_t word;
    int32_t value;
    Expect expect;
    std::vector<std::string> needles;
  };
  const std::vector<RecordEdit> record_edits = {
      {"type-unknown", keyraf::kDataType, 7, Expect::kFailure, {"UNKNOWN ARRAY-TYPE:"}},
      {"type-negative", keyraf::kDataType, -1, Expect::kFailure, {"UNKNOWN ARRAY-TYPE:"}},
      {"words-0", keyraf::kWordsPerElement, 0, Expect::kSuccess, {}},
      {"length-beyond-work-space",
       keyraf::kLength,
       100'000'000,
       Expect::kFailure,
       {"Insufficient space for array"}},
      {"length-max", keyraf::kLength, kMax, Expect::kFailure, {"Insufficient space for array"}},
      {"length-negative",
       keyraf::kLength,
       -5,
       Expect::kFailure,
       {"Negative dimension specified for array number", "*** ERROR IN ARBOOK ***"}},
      {"length-0", keyraf::kLength, 0, Expect::kFailure, {"too few elements specified"}},
      {"store-unknown", keyraf::kStoreType, 99, Expect::kFailure, {"*** Array not allocated : "}},
      {"store-skip", keyraf::kStoreType, 0, Expect::kFailure, {"*** Array not allocated : "}},
      {"store-catalogue", keyraf::kStoreType, 51, Expect::kFailure, {"*** Array not allocated : "}},
      {"index-0", keyraf::kStructureIndex, 0, Expect::kEither, {}},
      {"index-beyond", keyraf::kStructureIndex, 5000, Expect::kEither, {}},
      {"index-negative", keyraf::kStructureIndex, -3, Expect::kEither, {}},
      {"result-index-beyond", keyraf::kResultIndex, 3, Expect::kEither, {}},
      {"restart-index", keyraf::kRestartIndex, kMax, Expect::kEither, {}},
      {"re-flag", keyraf::kReFlag, 1, Expect::kEither, {}},
      {"pointer-word", keyraf::kPointer, kMin, Expect::kSuccess, {}},
  };
  for (const char* name : {"MSTRU", "MELGEO", "MNPC", "TCRGEO", "MGLRES", "TFLE"}) {
    const int32_t j = record_of(name);
    for (const RecordEdit& e : record_edits) {
      RafImage image(b.image);
      image.set_int_word(kKeyrafKey, int64_t{r} * (j - 1) + e.word, e.value);
      Case c = raf_case(std::string("catalogue/") + name + "-" + e.name, image.bytes(), b);
      c.expect = e.expect;
      c.needles = e.needles;
      c.same_report_as = "time";
      cases.push_back(std::move(c));
    }
    // The name code: the array is no longer known by its name.
    RafImage image(b.image);
    image.set_int_word(kIarrnmKey, 2 * int64_t{j} - 1, 12345);
    Case c = raf_case(std::string("catalogue/") + name + "-name", image.bytes(), b);
    c.expect = Expect::kFailure;
    c.needles = {std::string("*** Array not allocated : ") + name};
    cases.push_back(std::move(c));
  }

  // Random bytes in the three catalogue arrays.
  Random random(0x434154);
  for (int n = 0; n < 40; ++n) {
    RafImage image(b.image);
    Bytes bytes = image.bytes();
    const int32_t key = kNumrafKey + static_cast<int32_t>(random.below(3));
    const std::size_t at = sound.data_offset(key) + random.below(sound.data_bytes(key));
    bytes[at] = static_cast<char>(bytes[at] ^ static_cast<char>(1U << random.below(8)));
    if (random.below(3) == 0) bytes[at] = static_cast<char>(random.below(256));
    Case c = raf_case("catalogue/random-" + str(n), std::move(bytes), b);
    c.same_report_as = "time";
    cases.push_back(std::move(c));
  }
  return cases;
}

// ---- model arrays -------------------------------------------------------------------------

namespace {

struct IntEdit {
  const char* name;
  const char* array;
  std::size_t index;  ///< 0-based value
  int32_t value;
  Expect expect;
  std::vector<std::string> needles;
};

Case int_edit_case(const std::string& family, const IntEdit& e) {
  const Bytes image = model_image([&](std::vector<ModelArray>& arrays) {
    array(arrays, e.array).values.ints.at(e.index) = e.value;
  });
  Case c = raf_case(family + "/" + e.name, image, base("time"));
  c.expect = e.expect;
  c.needles = e.needles;
  return c;
}

}  // namespace

std::vector<Case> model_array_cases() {
  // Elements 1001..1004 are pipes (nodes 1-2, 2-3, 3-4, 4-5), 1005 a
  // spring (5-6); MPEVEC 1, 13, 25, 37, 49; TFLE has 60 values.
  const std::string e04 = "*** ERROR IN VemRask_04 ***";
  const std::string e01 = "*** ERROR IN VemRask_01  ***";
  const std::vector<IntEdit> edits = {
      // Element types: any value is a type; only 15 is a pipe.
      {"meltyp-0", "MELTYP", 0, 0, Expect::kSuccess, {}},
      {"meltyp-negative", "MELTYP", 1, -15, Expect::kSuccess, {}},
      {"meltyp-max", "MELTYP", 2, kMax, Expect::kSuccess, {}},
      {"meltyp-min", "MELTYP", 3, kMin, Expect::kSuccess, {}},
      {"meltyp-spring-as-pipe", "MELTYP", 4, 15, Expect::kSuccess, {}},
      // Geometry numbers.
      {"melgeo-0", "MELGEO", 0, 0, Expect::kFailure, {e04, "MELGEO of element 1 is 0"}},
      {"melgeo-negative", "MELGEO", 1, -1, Expect::kFailure, {e04, "MELGEO of element 2 is -1"}},
      {"melgeo-beyond", "MELGEO", 2, 5, Expect::kFailure, {e04, "MELGEO of element 3 is 5"}},
      {"melgeo-max", "MELGEO", 3, kMax, Expect::kFailure, {e04, "MGETYP has 4 entries"}},
      {"melgeo-min", "MELGEO", 0, kMin, Expect::kFailure, {e04}},
      {"melgeo-spring", "MELGEO", 4, kMax, Expect::kSuccess, {}},
      {"melgeo-not-pipe", "MELGEO", 1, 4, Expect::kSuccess, {}},
      // Material numbers.
      {"melmat-0", "MELMAT", 0, 0, Expect::kFailure, {e01, "MELMAT of element 1 is 0"}},
      {"melmat-beyond", "MELMAT", 1, 3, Expect::kFailure, {e01, "MATYP has 2 entries"}},
      {"melmat-max", "MELMAT", 2, kMax, Expect::kFailure, {e01}},
      {"melmat-negative", "MELMAT", 3, -2, Expect::kFailure, {e01}},
      {"melmat-unchecked", "MELMAT", 3, 2, Expect::kSuccess, {}},
      {"melmat-spring", "MELMAT", 4, kMin, Expect::kSuccess, {}},
      {"matyp-other", "MATYP", 0, 7, Expect::kSuccess, {}},
      {"mgetyp-other", "MGETYP", 1, kMin, Expect::kSuccess, {}},
      // Node numbers.
      {"mnpc-0", "MNPC", 0, 0, Expect::kFailure, {e04, "holds node 0; TCOORD has 6 nodes"}},
      {"mnpc-beyond", "MNPC", 3, 7, Expect::kFailure, {e04, "holds node 7"}},
      {"mnpc-negative", "MNPC", 5, -1, Expect::kFailure, {e04}},
      {"mnpc-max", "MNPC", 7, kMax, Expect::kFailure, {e04}},
      {"mnpc-spring", "MNPC", 9, kMax, Expect::kSuccess, {}},
      {"mnpc-doubled-node", "MNPC", 3, 2, Expect::kSuccess, {}},
      {"mnpc-shared-by-three", "MNPC", 6, 2, Expect::kSuccess, {}},
      // Node lists.
      {"mpmnpc-first-0", "MPMNPC", 0, 0, Expect::kFailure, {e04, "node lists start at 1"}},
      {"mpmnpc-first-negative", "MPMNPC", 0, kMin, Expect::kFailure, {e04}},
      {"mpmnpc-backwards",
       "MPMNPC",
       2,
       2,
       Expect::kFailure,
       {e04, "MPMNPC of element 3 is 2; element 2 starts at 3"}},
      {"mpmnpc-backwards-far", "MPMNPC", 4, kMin, Expect::kFailure, {e04}},
      {"mpmnpc-last-beyond", "MPMNPC", 5, 12, Expect::kFailure, {e04, "MNPC has 10 entries"}},
      {"mpmnpc-last-max", "MPMNPC", 5, kMax, Expect::kFailure, {e04}},
      {"mpmnpc-one-node", "MPMNPC", 1, 2, Expect::kSuccess, {}},
      {"mpmnpc-three-nodes", "MPMNPC", 1, 4, Expect::kSuccess, {}},
      // Force positions.
      {"mpevec-past-tfle",
       "MPEVEC",
       0,
       55,
       Expect::kFailure,
       {e01, "MPEVEC of element 1 is 55; TFLE has 60 values"}},
      {"mpevec-last-fits", "MPEVEC", 0, 49, Expect::kSuccess, {}},
      {"mpevec-0", "MPEVEC", 3, 0, Expect::kFailure, {e01, "MPEVEC of element 4 is 0"}},
      {"mpevec-negative", "MPEVEC", 2, -11, Expect::kFailure, {e01}},
      {"mpevec-max", "MPEVEC", 0, kMax, Expect::kFailure, {e01}},
      {"mpevec-min", "MPEVEC", 2, kMin, Expect::kFailure, {e01}},
      {"mpevec-no-transition", "MPEVEC", 1, kMax, Expect::kSuccess, {}},
      {"mpevec-spring", "MPEVEC", 4, kMin, Expect::kSuccess, {}},
      // External numbers: printed, never used as indices.
      {"melex-max", "MELEX", 0, kMax, Expect::kSuccess, {}},
      {"melex-min", "MELEX", 1, kMin, Expect::kSuccess, {}},
      {"melex-negative", "MELEX", 3, -1, Expect::kSuccess, {}},
      // Global results: load case and stored flag of a step.
      {"mglres-load-case", "MGLRES", 1, kMax, Expect::kSuccess, {}},
      {"mglres-unstored", "MGLRES", 9, 0, Expect::kSuccess, {}},
      {"mglres-stored-negative", "MGLRES", 29, kMin, Expect::kEither, {}},
  };
  std::vector<Case> cases;
  for (const IntEdit& e : edits) cases.push_back(int_edit_case("model", e));

  // Arrays shorter than NEL says.
  for (const char* name : {"MELTYP", "MELGEO", "MELEX", "MELMAT", "MPEVEC", "MPMNPC"}) {
    const Bytes image = model_image(
        [&](std::vector<ModelArray>& arrays) { array(arrays, name).values.ints.pop_back(); });
    Case c = raf_case(std::string("model/short-") + name, image, base("time"));
    c.expect = Expect::kFailure;
    c.needles = {std::string(name) + " has "};
    cases.push_back(std::move(c));
  }
  for (const char* name : {"MNPC", "MGETYP", "MATYP"}) {
    const Bytes image = model_image(
        [&](std::vector<ModelArray>& arrays) { array(arrays, name).values.ints.resize(1); });
    Case c = raf_case(std::string("model/one-entry-") + name, image, base("time"));
    // Every pipe is of material 1: one material type is enough.
    c.expect = std::string_view(name) == "MATYP" ? Expect::kSuccess : Expect::kFailure;
    cases.push_back(std::move(c));
  }
  // Real arrays cut short: whole columns of coordinates, sections and
  // materials, and the forces of one step.
  struct Cut {
    const char* name;
    std::size_t keep;
    std::vector<std::string> needles;
  };
  for (const Cut& cut : std::vector<Cut>{{"TCOORD", 12, {"TCOORD has 4 nodes"}},
                                         {"TCRGEO", 44, {"TCRGEO has 1 columns"}},
                                         {"TCRGEO", 45, {"TCRGEO has 1 columns"}},
                                         {"TGEPA", 60, {"TGEPA has 1 columns"}},
                                         {"TMAPA", 2, {"TMAPA has 0 columns"}},
                                         {"TGLRES", 22, {"TGLRES holds 2 steps"}},
                                         {"MGLRES", 15, {"MGLRES holds 1 steps"}}}) {
    const Bytes image = model_image([&](std::vector<ModelArray>& arrays) {
      ModelArray& a = array(arrays, cut.name);
      if (a.values.reals.empty()) {
        a.values.ints.resize(cut.keep);
      } else {
        a.values.reals.resize(cut.keep);
      }
    });
    Case c =
        raf_case(std::string("model/cut-") + cut.name + "-" + str(static_cast<int64_t>(cut.keep)),
                 image, base("time"));
    c.expect = Expect::kFailure;
    c.needles = cut.needles;
    cases.push_back(std::move(c));
  }
  {
    // The forces of every step shorter than the force positions need.
    const Bytes image = model_image([&](std::vector<ModelArray>& arrays) {
      for (raf_tools::ArrayValues& v : array(arrays, "TFLE").steps) v.reals.resize(40);
    });
    Case c = raf_case("model/cut-TFLE", image, base("time"));
    c.expect = Expect::kFailure;
    c.needles = {"*** ERROR IN VemRask_01  ***", "TFLE has 40 values"};
    cases.push_back(std::move(c));
  }
  {
    // The forces of step 2 only: their length differs from the catalogue.
    const Bytes image = model_image([&](std::vector<ModelArray>& arrays) {
      ModelArray& tfle = array(arrays, "TFLE");
      tfle.catalogue_length = 60;
      for (raf_tools::ArrayValues& v : tfle.steps) v.reals.resize(30);
    });
    Case c = raf_case("model/tfle-shorter-than-catalogue", image, base("time"));
    c.expect = Expect::kFailure;
    c.needles = {"too many elements specified"};
    cases.push_back(std::move(c));
  }
  // Arrays the check needs, catalogued but never written, or missing.
  for (const char* name : {"MSTRU", "TCOORD", "MPEVEC", "TFLE", "TMAPA"}) {
    const Bytes image =
        model_image([&](std::vector<ModelArray>& arrays) { array(arrays, name).write = false; });
    Case c = raf_case(std::string("model/unwritten-") + name, image, base("time"));
    c.expect = Expect::kFailure;
    c.needles = {"Attempt to read a non-allocated array"};
    cases.push_back(std::move(c));
    const Bytes missing = model_image([&](std::vector<ModelArray>& arrays) {
      arrays.erase(std::find_if(arrays.begin(), arrays.end(),
                                [&](const ModelArray& a) { return a.name == name; }));
    });
    Case d = raf_case(std::string("model/missing-") + name, missing, base("time"));
    d.expect = Expect::kFailure;
    d.needles = {std::string("*** Array not allocated : ") + name};
    cases.push_back(std::move(d));
  }
  // Arrays of the wrong data type for the check's views.
  for (const auto& [name, type] : std::vector<std::pair<const char*, const char*>>{
           {"MELGEO", "DP"}, {"TCOORD", "IN"}, {"TFLE", "SP"}, {"MSTRU", "I8"}}) {
    const Bytes image = model_image([&, name = name, type = type](std::vector<ModelArray>& arrays) {
      ModelArray& a = array(arrays, name);
      a.data_type = type;
      auto convert = [&](raf_tools::ArrayValues& v) {
        if (std::string_view(type) == "IN" || std::string_view(type) == "I8") {
          for (double x : v.reals) v.ints.push_back(static_cast<int32_t>(x));
          if (std::string_view(type) == "I8" && v.ints.size() % 2 != 0) v.ints.push_back(0);
          v.reals.clear();
        } else if (v.reals.empty()) {
          for (int32_t x : v.ints) v.reals.push_back(x);
          v.ints.clear();
        }
      };
      convert(a.values);
      for (raf_tools::ArrayValues& v : a.steps) convert(v);
    });
    Case c = raf_case(std::string("model/type-") + name + "-" + type, image, base("time"));
    c.expect = Expect::kFailure;
    c.needles = {name};
    cases.push_back(std::move(c));
  }
  // Geometry: zero-length elements and coincident nodes.
  for (const auto& [name, from, to] : std::vector<std::tuple<const char*, int, int>>{
           {"zero-length-first", 1, 2}, {"zero-length-joint", 3, 2}, {"all-nodes-one", 0, 0}}) {
    const Bytes image = model_image([&, from = from, to = to](std::vector<ModelArray>& arrays) {
      std::vector<double>& xyz = array(arrays, "TCOORD").values.reals;
      if (from == 0) {
        std::fill(xyz.begin(), xyz.end(), 1.0);
        return;
      }
      for (int i = 0; i < 3; ++i) {
        xyz[static_cast<std::size_t>(3 * (from - 1) + i)] =
            xyz[static_cast<std::size_t>(3 * (to - 1) + i)];
      }
    });
    Case c = raf_case(std::string("model/") + name, image, base("time"));
    c.expect = Expect::kSuccess;
    cases.push_back(std::move(c));
  }
  return cases;
}

// ---- values that are not numbers ------------------------------------------------------

std::vector<Case> non_finite_cases() {
  struct RealEdit {
    const char* name;
    const char* array;
    std::size_t index;  ///< 0-based; in every step for TFLE
  };
  // TCOORD node n word k at 3(n-1)+k-1.  Geometry 1 is the tube (with
  // per-end properties), 2 the can, 3 the cone.
  const int32_t gw = raf_tools::kGeometryWords;
  const int32_t mw = raf_tools::kMaterialWords;
  const int32_t lw = raf_tools::kGlobalWords;
  const std::vector<RealEdit> places = {
      {"coordinate-joint", "TCOORD", 5},
      {"coordinate-far", "TCOORD", 0},
      {"coordinate-spring", "TCOORD", 15},
      {"diameter", "TCRGEO", word_at(gw, 1, tcrgeo::kDiameter)},
      {"thickness", "TCRGEO", word_at(gw, 1, tcrgeo::kThickness)},
      {"thickness-can", "TCRGEO", word_at(gw, 2, tcrgeo::kThickness)},
      {"cone-end-2", "TCRGEO", word_at(gw, 3, tcrgeo::kDiameterAtEnd2)},
      {"area", "TGEPA", word_at(gw, 1, tgepa::kArea)},
      {"inertia", "TGEPA", word_at(gw, 1, tgepa::kInertia3)},
      {"per-end-flag", "TGEPA", word_at(gw, 1, tgepa::kPerEndFlag)},
      {"end-2-area", "TGEPA", word_at(gw, 1, tgepa::kEnd2Offset + tgepa::kArea)},
      {"yield", "TMAPA", word_at(mw, 1, layout::tmapa::kYieldStrength)},
      {"step-value", "TGLRES", word_at(lw, 2, tglres::kStepValue)},
      {"displacement", "TGLRES", word_at(lw, 4, tglres::kDisplacement)},
      {"force-axial", "TFLE", 0},
      {"force-moment", "TFLE", 16},
  };
  struct Value {
    const char* name;
    double value;
  };
  const std::vector<Value> values = {{"nan", kNaN},     {"inf", kInf}, {"minus-inf", -kInf},
                                     {"huge", 1.0E300}, {"zero", 0.0}, {"tiny", 1.0E-300}};
  std::vector<Case> cases;
  for (const RealEdit& p : places) {
    for (const Value& v : values) {
      const Bytes image = model_image([&](std::vector<ModelArray>& arrays) {
        ModelArray& a = array(arrays, p.array);
        if (a.steps.empty()) {
          a.values.reals.at(p.index) = v.value;
        } else {
          for (raf_tools::ArrayValues& s : a.steps) s.reals.at(p.index) = v.value;
        }
      });
      Case c = raf_case(std::string("values/") + p.name + "-" + v.name, image, base("time"));
      // None of these is a fault of the file's structure: the run goes on,
      // and whatever it computes is printed in its fields.
      c.expect = Expect::kSuccess;
      cases.push_back(std::move(c));
    }
  }
  // The same through 4-byte reals: a huge double is infinite there.
  for (const Value& v : values) {
    const Bytes image = model_image(
        [&](std::vector<ModelArray>& arrays) {
          array(arrays, "TCRGEO").values.reals.at(word_at(gw, 1, tcrgeo::kThickness)) = v.value;
          for (raf_tools::ArrayValues& s : array(arrays, "TFLE").steps) s.reals.at(4) = v.value;
        },
        {}, {}, "re");
    Case c = raf_case(std::string("values/re-") + v.name, image, base("re"));
    c.expect = Expect::kSuccess;
    cases.push_back(std::move(c));
  }
  return cases;
}

// ---- structure parameters -----------------------------------------------------------

std::vector<Case> structure_parameter_cases() {
  // Positions of the fixed layout (1-based).
  const int32_t nel = raf_tools::kParamNel;
  const int32_t mxmapr = raf_tools::kParamMxmapr;
  const int32_t mxgepr = raf_tools::kParamMxgepr;
  const int32_t mxglpr = raf_tools::kParamMxglpr;
  const int32_t lststo = raf_tools::kParamLststo;
  const int32_t newlty = raf_tools::kParamNewlty;
  struct Param {
    const char* name;
    int32_t position;
    int32_t value;
    Expect expect;
    std::vector<std::string> needles;
  };
  const std::string e04 = "*** ERROR IN VemRask_04 ***";
  const std::string e01 = "*** ERROR IN VemRask_01  ***";
  const std::string peaks = "*** ERROR IN PEAKS   ***";
  const std::vector<Param> params = {
      {"nel-0", nel, 0, Expect::kSuccess, {}},
      {"nel-3", nel, 3, Expect::kSuccess, {}},
      {"nel-6", nel, 6, Expect::kFailure, {e04, "MELTYP has 5 entries; NEL is 6"}},
      {"nel-negative", nel, -1, Expect::kFailure, {peaks, "NEL =          -1"}},
      {"nel-min", nel, kMin, Expect::kFailure, {peaks, "is not valid"}},
      {"nel-capacity", nel, 10'000'001, Expect::kFailure, {peaks, "exceed the capacity"}},
      {"nel-max", nel, kMax, Expect::kFailure, {peaks, "exceed the capacity"}},
      {"nel-1000000", nel, 1'000'000, Expect::kFailure, {e04, "NEL is 1000000"}},
      {"mxgepr-0", mxgepr, 0, Expect::kFailure, {e04, "MXGEPR is 0"}},
      {"mxgepr-2", mxgepr, 2, Expect::kFailure, {e04, "MXGEPR is 2; element 1 needs word 3"}},
      {"mxgepr-negative", mxgepr, -44, Expect::kFailure, {e04, "MXGEPR is -44"}},
      {"mxgepr-min", mxgepr, kMin, Expect::kFailure, {e04}},
      {"mxgepr-max", mxgepr, kMax, Expect::kFailure, {e04, "TCRGEO has 0 columns"}},
      // Columns 19 words apart: the sections are garbage, but readable.
      {"mxgepr-19", mxgepr, 19, Expect::kEither, {}},
      {"mxgepr-43", mxgepr, 43, Expect::kFailure, {e01, "needs word 44 of TGEPA"}},
      {"mxgepr-45", mxgepr, 45, Expect::kEither, {}},
      {"mxmapr-2", mxmapr, 2, Expect::kFailure, {e01, "MXMAPR is 2; element 1 needs word 3"}},
      {"mxmapr-0", mxmapr, 0, Expect::kFailure, {e01, "MXMAPR is 0"}},
      {"mxmapr-min", mxmapr, kMin, Expect::kFailure, {e01}},
      // Only material 1 is read: its first column is there.
      {"mxmapr-max", mxmapr, kMax, Expect::kSuccess, {}},
      {"mxmapr-4", mxmapr, 4, Expect::kEither, {}},
      {"mxglpr-9", mxglpr, 9, Expect::kFailure, {e01, "MXGLPR is 9; word 10 of MGLRES is needed"}},
      {"mxglpr-0", mxglpr, 0, Expect::kFailure, {e01, "MXGLPR is 0"}},
      {"mxglpr-negative", mxglpr, -10, Expect::kFailure, {e01, "MXGLPR is -10"}},
      {"mxglpr-min", mxglpr, kMin, Expect::kFailure, {e01}},
      {"mxglpr-max", mxglpr, kMax, Expect::kFailure, {e01, "MGLRES holds 0 steps"}},
      {"mxglpr-20", mxglpr, 20, Expect::kFailure, {e01, "LSTSTO is 4; MGLRES holds 2 steps"}},
      {"mxglpr-11", mxglpr, 11, Expect::kFailure, {e01}},
      {"lststo-0", lststo, 0, Expect::kSuccess, {}},
      {"lststo-2", lststo, 2, Expect::kSuccess, {}},
      {"lststo-5", lststo, 5, Expect::kFailure, {e01, "LSTSTO is 5; MGLRES holds 4 steps"}},
      {"lststo-negative", lststo, -3, Expect::kFailure, {e01, "LSTSTO is -3"}},
      {"lststo-min", lststo, kMin, Expect::kFailure, {e01}},
      {"lststo-max", lststo, kMax, Expect::kFailure, {e01, "LSTSTO is 2147483647"}},
      {"newlty-0", newlty, 0, Expect::kSuccess, {}},
      {"newlty-max", newlty, kMax, Expect::kSuccess, {}},
      {"newlty-negative", newlty, -1, Expect::kSuccess, {}},
      {"nge", raf_tools::kParamNge, kMin, Expect::kSuccess, {}},
      // A negative word 1 selects the indexed layout, which this MSTRU
      // does not have.
      {"word-1-negative", 1, kMin, Expect::kFailure, {"PARAMETER NOT FOUND:MXGLPR"}},
  };
  std::vector<Case> cases;
  for (const Param& p : params) {
    const Bytes image = model_image([&](std::vector<ModelArray>& arrays) {
      array(arrays, "MSTRU").values.ints.at(static_cast<std::size_t>(p.position - 1)) = p.value;
    });
    Case c = raf_case(std::string("mstru/") + p.name, image, base("time"));
    c.expect = p.expect;
    c.needles = p.needles;
    cases.push_back(std::move(c));
  }
  {
    // LSTSTO beyond the steps the file holds, with global results that
    // claim them: the forces of step 5 are not there.
    const Bytes image = model_image([&](std::vector<ModelArray>& arrays) {
      array(arrays, "MSTRU").values.ints.at(raf_tools::kParamLststo - 1) = 6;
      std::vector<int32_t>& mg = array(arrays, "MGLRES").values.ints;
      std::vector<double>& tg = array(arrays, "TGLRES").values.reals;
      const int32_t lw = raf_tools::kGlobalWords;
      for (int32_t s = 5; s <= 6; ++s) {
        mg.resize(static_cast<std::size_t>(lw * s), 0);
        tg.resize(static_cast<std::size_t>(lw * s), 0.0);
        mg.at(word_at(lw, s, mglres::kStep)) = s;
        mg.at(word_at(lw, s, mglres::kLoadCase)) = 1;
        mg.at(word_at(lw, s, mglres::kStored)) = 1;
        tg.at(word_at(lw, s, tglres::kStepValue)) = 0.5 * s;
        tg.at(word_at(lw, s, tglres::kDisplacement)) = 0.01;
      }
    });
    Case c = raf_case("mstru/lststo-beyond-forces", image, base("time"));
    c.expect = Expect::kFailure;
    c.needles = {"*** ERROR IN ARREC1 ***", "Error During Recallin Array: TFLE",
                 "*** ERROR IN VemRask_01  ***"};
    cases.push_back(std::move(c));
  }
  // MSTRU itself too short, or empty.
  for (const std::size_t keep : {std::size_t{1}, std::size_t{41}, std::size_t{96}}) {
    const Bytes image = model_image(
        [&](std::vector<ModelArray>& arrays) { array(arrays, "MSTRU").values.ints.resize(keep); });
    Case c =
        raf_case("mstru/only-" + str(static_cast<int64_t>(keep)) + "-words", image, base("time"));
    c.expect = Expect::kFailure;
    c.needles = {"*** ERROR IN GTSTRU ***", "PARAMETER NOT FOUND:"};
    cases.push_back(std::move(c));
  }
  // The indexed layout: its table offset, counts and name codes.
  struct Indexed {
    const char* name;
    std::size_t index;  ///< 0-based word of MSTRU
    int32_t value;
    Expect expect;
    std::vector<std::string> needles;
  };
  // 11 names, offset 11: table words 12..16, name codes from word 17.
  const std::vector<Indexed> indexed = {
      {"offset-negative", 1, -5, Expect::kFailure, {"PARAMETER NOT FOUND:"}},
      {"offset-beyond", 1, 1000, Expect::kFailure, {"PARAMETER NOT FOUND:"}},
      {"offset-max", 1, kMax, Expect::kFailure, {"PARAMETER NOT FOUND:"}},
      {"offset-min", 1, kMin, Expect::kFailure, {"PARAMETER NOT FOUND:"}},
      {"offset-0", 1, 0, Expect::kEither, {}},
      {"held-max", 13, kMax, Expect::kFailure, {"PARAMETER NOT FOUND:"}},
      {"held-negative", 13, -1, Expect::kFailure, {"PARAMETER NOT FOUND:"}},
      {"held-2", 13, 2, Expect::kFailure, {"PARAMETER NOT FOUND:MXGLPR"}},
      {"missing-allowed", 15, 1, Expect::kSuccess, {}},
      {"case-folding", 14, 1, Expect::kSuccess, {}},
      {"message-unit-99", 12, 99, Expect::kSuccess, {}},
      // Name i of the table has its code in words 2i + 15 and 2i + 16.
      {"name-code", 30, 12345, Expect::kFailure, {"PARAMETER NOT FOUND:MXGEPR"}},
      {"name-code-negative", 22, -1, Expect::kFailure, {"PARAMETER NOT FOUND:NEL"}},
      {"name-code-unused", 20, kMin, Expect::kSuccess, {}},
  };
  for (const Indexed& p : indexed) {
    const Bytes image = model_image(
        [&](std::vector<ModelArray>& arrays) {
          array(arrays, "MSTRU").values.ints.at(p.index) = p.value;
        },
        {}, {}, "indexed");
    Case c = raf_case(std::string("mstru/indexed-") + p.name, image, base("indexed"));
    c.expect = p.expect;
    c.needles = p.needles;
    if (p.expect == Expect::kSuccess) c.same_report_as = "indexed";
    cases.push_back(std::move(c));
  }
  return cases;
}

// ---- whole-file variants ------------------------------------------------------------

std::vector<Case> file_variant_cases() {
  std::vector<Case> cases;
  // The sound bases themselves.
  for (const Base& b : bases()) {
    Case c = raf_case("variant/sound-" + b.label, b.image, b);
    c.expect = Expect::kSuccess;
    c.same_report_as = b.label;
    cases.push_back(std::move(c));
  }
  // A KEYRAF record length other than 10, another key base, spare keys and
  // numbers.
  for (const int32_t r : {8, 11, 12, 20}) {
    raf_tools::CatalogueOptions options;
    options.record_length = r;
    Case c = raf_case("variant/record-length-" + str(r), model_image({}, options), base("time"));
    c.expect = Expect::kFailure;
    c.needles = {"Illegal record length in catalogue:"};
    cases.push_back(std::move(c));
  }
  for (const int32_t key_base : {0, 50, 200}) {
    raf_tools::CatalogueOptions options;
    options.key_base = key_base;
    Case c = raf_case("variant/key-base-" + str(key_base), model_image({}, options), base("time"));
    c.expect = Expect::kFailure;
    cases.push_back(std::move(c));
  }
  {
    raf_tools::CatalogueOptions options;
    options.spare_structure_keys = 7;
    options.spare_result_keys = 3;
    options.spare_restart_keys = 2;
    options.spare_numbers = 5;
    options.spare_keys = 50;
    Case c = raf_case("variant/spare-keys", model_image({}, options), base("time"));
    c.expect = Expect::kSuccess;
    c.same_report_as = "time";
    cases.push_back(std::move(c));
  }
  // Without a catalogue: keys 101 to 103 not allocated.
  {
    RafImage image(base("time").image);
    for (const int32_t key : {kNumrafKey, kKeyrafKey, kIarrnmKey}) {
      for (const auto word : {Word::kAddress, Word::kType, Word::kAllocated, Word::kUsed}) {
        image.set_entry(key, word, 0);
      }
    }
    Case c = raf_case("variant/no-catalogue", image.bytes(), base("time"));
    c.expect = Expect::kFailure;
    c.needles = {"*** ERROR IN GTARAF ***", "Attempt to read a non-allocated array"};
    cases.push_back(std::move(c));
  }
  // Version 0: converted in place (only files of more than 127 arrays
  // change); version 1 and below 0.
  for (const int32_t spare : {0, 200}) {
    for (const char* version : {"0", "-7"}) {
      raf_tools::CatalogueOptions options;
      options.spare_keys = spare;
      RafImage image(model_image({}, options));
      image.set_key_field(format::kVersion, version);
      Case c = raf_case("variant/version-" + std::string(version) + "-spare-" + str(spare),
                        image.bytes(), base("time"));
      c.inputs_may_change = true;
      c.same_report_as = "time";
      cases.push_back(std::move(c));
    }
  }
  // A file of the other byte order that claims this computer's type, and
  // the reverse.
  {
    RafImage image(base("static-be").image);
    image.set_key_field(format::kComputerCode, "14");
    Case c = raf_case("variant/big-endian-as-14", image.bytes(), base("static"));
    c.expect = Expect::kFailure;
    cases.push_back(std::move(c));
  }
  {
    RafImage image(base("static").image);
    image.set_key_field(format::kComputerCode, "8");
    Case c = raf_case("variant/little-endian-as-8", image.bytes(), base("static"));
    c.expect = Expect::kFailure;
    cases.push_back(std::move(c));
  }
  // Not RAF files at all.
  for (const auto& [name, bytes] :
       std::vector<std::pair<const char*, Bytes>>{{"text", "This is not a RAF file.\n"},
                                                  {"zeros", Bytes(8192, '\0')},
                                                  {"blanks", Bytes(8192, ' ')},
                                                  {"key-only", base("time").image.substr(0, 1024)},
                                                  {"one-byte", "R"}}) {
    Case c = raf_case(std::string("variant/") + name, bytes, base("time"));
    c.expect = Expect::kFailure;
    cases.push_back(std::move(c));
  }
  // Two files: a damaged one before or after a sound one, and files of
  // both kinds of simulation.
  {
    RafImage bad(base("time").image);
    bad.set_key_field(format::kMagic, "RAFLOB  ");
    Case first = raf_case("variant/damaged-then-sound", base("time").image, base("time"));
    first.files = {{"bad.raf", bad.bytes()},
                   {"good.raf", base("time").image},
                   {"files.lst", list_of({"bad.raf", "good.raf"})}};
    first.expect = Expect::kFailure;
    first.needles = {"File is not a RAFLIB file"};
    first.subject = "bad.raf";
    cases.push_back(first);
    Case second = first;
    second.name = "variant/sound-then-damaged";
    second.files.back().second = list_of({"good.raf", "bad.raf"});
    cases.push_back(second);
    Case mixed = first;
    mixed.name = "variant/time-then-static";
    mixed.files = {{"a.raf", base("time").image},
                   {"b.raf", base("static").image},
                   {"files.lst", list_of({"a.raf", "b.raf"})}};
    mixed.expect = Expect::kSuccess;
    mixed.needles.clear();
    mixed.subject.clear();
    cases.push_back(mixed);
  }
  {
    // The result pass fails: on the first file the run ends at the next file
    // without a report; on the last file the report is still written, below
    // the failure message, and the run ends with exit status 1.
    const Bytes cut = model_image(
        [](std::vector<ModelArray>& arrays) { array(arrays, "MPEVEC").values.ints.at(0) = 55; });
    for (const bool last : {true, false}) {
      Case c = raf_case(last ? "variant/step-pass-fails-last" : "variant/step-pass-fails-first",
                        cut, base("time"));
      c.files = {{"good.raf", base("time").image},
                 {"bad.raf", cut},
                 {"files.lst",
                  last ? list_of({"good.raf", "bad.raf"}) : list_of({"bad.raf", "good.raf"})}};
      c.expect = Expect::kFailure;
      c.needles = {"*** ERROR IN VemRask_01  ***", "MPEVEC of element 1 is 55"};
      c.subject = "bad.raf";
      c.no_report = !last;
      cases.push_back(std::move(c));
    }
  }
  return cases;
}

// ---- list files ---------------------------------------------------------------------

std::vector<Case> list_file_cases() {
  const Base& b = base("time");
  std::vector<Case> cases;
  auto list_case = [&](std::string name, Bytes list, Expect expect,
                       std::vector<std::string> needles) {
    Case c = raf_case("list/" + std::move(name), b.image, b);
    c.files.back().second = std::move(list);
    c.expect = expect;
    c.needles = std::move(needles);
    c.subject.clear();
    return c;
  };
  std::string many;
  for (int k = 0; k < 1001; ++k) many += "case.raf\n";
  cases.push_back(list_case("1001-names", many, Expect::kFailure,
                            {"The list names 1001 RAF files; a run takes at most 1000"}));
  cases.push_back(list_case("1000-names", many.substr(9), Expect::kSuccess, {}));
  {
    std::string last_bad = many.substr(18) + "missing.raf\n";
    Case c = list_case("1000-names-last-missing", last_bad, Expect::kFailure,
                       {"Error opening raf_file         :missing.raf"});
    c.subject = "missing.raf";
    cases.push_back(std::move(c));
  }
  cases.push_back(list_case("empty", "", Expect::kSuccess, {}));
  cases.push_back(list_case("blank-lines", "\n   \n\n", Expect::kSuccess, {}));
  cases.push_back(list_case("twice", "case.raf\n\n  case.raf  \n", Expect::kSuccess, {}));
  cases.push_back(list_case("crlf", "case.raf\r\n", Expect::kSuccess, {}));
  cases.push_back(list_case("no-line-end", "case.raf", Expect::kSuccess, {}));
  {
    // A name of five characters or more gets ".raf"; one of four does not.
    Case c = list_case("without-extension", "mycase\n", Expect::kSuccess, {});
    c.files.insert(c.files.begin(), {"mycase.raf", b.image});
    cases.push_back(std::move(c));
    Case d = list_case("four-characters", "case\n", Expect::kFailure,
                       {"Error opening raf_file         :case\n"});
    d.subject = "case";
    cases.push_back(std::move(d));
  }
  {
    Case c = list_case("upper-case-extension", "case.RAF\n", Expect::kFailure,
                       {"Error opening raf_file         :case.RAF.raf"});
    c.subject = "case.RAF.raf";
    cases.push_back(std::move(c));
  }
  {
    Case c = list_case("missing", "missing.raf\n", Expect::kFailure,
                       {"Cannot open file - Computer's error flag = 2"});
    c.subject = "missing.raf";
    cases.push_back(std::move(c));
  }
  {
    Case c = list_case("directory", "sub.raf\n", Expect::kFailure,
                       {"Cannot open file - Computer's error flag = 21"});
    c.directories = {"sub.raf"};
    c.subject = "sub.raf";
    cases.push_back(std::move(c));
  }
  for (const char* device : {"/dev/null", "/dev/zero"}) {
    Case c = list_case(std::string("device-") + (device + 5), std::string(device) + "\n",
                       Expect::kFailure, {});
    c.subject = device;
    cases.push_back(std::move(c));
  }
  {
    Case c = list_case("symlink-loop", "loop.raf\n", Expect::kFailure, {"Cannot open file"});
    c.links = {{"loop.raf", "loop.raf"}};
    c.subject = "loop.raf";
    cases.push_back(std::move(c));
  }
  {
    Case c = list_case("dangling-symlink", "gone.raf\n", Expect::kFailure, {"Cannot open file"});
    c.links = {{"gone.raf", "nowhere/at/all.raf"}};
    c.subject = "gone.raf";
    cases.push_back(std::move(c));
  }
  {
    // A named pipe: it opens, but is no file of records.
    Case c = list_case("fifo", "pipe.raf\n", Expect::kFailure,
                       {"Cannot read from file - Computer's error flag = 29"});
    c.fifos = {"pipe.raf"};
    c.subject = "pipe.raf";
    cases.push_back(std::move(c));
  }
  {
    // Lines without end: the list is refused after a megabyte.
    cases.push_back(list_case("endless-line", Bytes(3 << 20, 'n'), Expect::kFailure,
                              {"Reading the list of RAF files failed (error flag 5007)"}));
    Case c = list_case("device-without-lines", "", Expect::kFailure,
                       {"Reading the list of RAF files failed (error flag 5007)"});
    c.answers = answers_for(b, "/dev/zero");
    cases.push_back(std::move(c));
    Case d = list_case("raf-file-as-list", "", Expect::kFailure, {});
    d.answers = answers_for(b, "case.raf");
    cases.push_back(std::move(d));
  }
  {
    Case c = list_case("nul-in-name", std::string("ca\0se.raf\n", 10), Expect::kFailure,
                       {"Cannot open file - Computer's error flag = 5005"});
    cases.push_back(std::move(c));
  }
  {
    Case c = list_case("tab-name", "\t\n", Expect::kFailure, {"Cannot open file"});
    cases.push_back(std::move(c));
  }
  // Long names.  The table holds 256 characters and the RAF library opens
  // at most 255 of them: a line of 251 characters with ".raf" is opened, one
  // of 252 is not found (the open misses its last character), one of 253
  // loses the "f" of ".raf"; longer lines are cut to 256 characters.
  for (const std::size_t length : {std::size_t{251}, std::size_t{252}}) {
    const std::string dir1(120, 'd');
    const std::string dir2(120, 'e');
    const std::string stem = dir1 + "/" + dir2 + "/" + std::string(length - 242, 'f');
    Case c = list_case(
        "name-" + str(static_cast<int64_t>(length)), stem + "\n",
        length == 251 ? Expect::kSuccess : Expect::kFailure,
        length == 251 ? std::vector<std::string>{} : std::vector<std::string>{"Cannot open file"});
    c.directories = {dir1, dir1 + "/" + dir2};
    c.files.insert(c.files.begin(), {stem + ".raf", b.image});
    if (length == 252) c.subject = stem + ".raf";
    cases.push_back(std::move(c));
  }
  {
    const std::string line(253, 'g');
    Case c = list_case("name-253", line + "\n", Expect::kFailure, {"Cannot open file"});
    c.subject = line + ".ra";
    cases.push_back(std::move(c));
  }
  for (const std::size_t length : {std::size_t{256}, std::size_t{257}, std::size_t{5000}}) {
    const std::string line(length, 'h');
    Case c = list_case("name-" + str(static_cast<int64_t>(length)), line + "\n", Expect::kFailure,
                       {"Cannot open file"});
    c.subject = std::string(256, 'h');
    cases.push_back(std::move(c));
  }
  {
    // 255 blanks before the name: the name itself is cut off.
    Case c = list_case("name-after-blanks", std::string(254, ' ') + "case.raf\n", Expect::kFailure,
                       {"Cannot open file"});
    cases.push_back(std::move(c));
  }
  {
    Random random(0x4c5354);
    Bytes garbage;
    for (int k = 0; k < 3000; ++k) garbage.push_back(static_cast<char>(random.below(256)));
    cases.push_back(list_case("binary", garbage, Expect::kFailure, {}));
  }
  {
    // The list file itself is a directory, then a missing file: asked
    // again each time, then the input ends.
    Case c = list_case("list-is-directory", "", Expect::kFailure,
                       {"*** ERROR Opening file: listdir", "*** ERROR Opening file: nothere.lst",
                        "the input has ended"});
    c.directories = {"listdir"};
    c.answers = "listdir\nnothere.lst\n";
    cases.push_back(std::move(c));
  }
  return cases;
}

// ---- answers ----------------------------------------------------------------------------

std::vector<Case> answer_cases() {
  std::vector<Case> cases;
  const Base& time = base("time");
  const Base& stat = base("static");
  auto answer_case = [&](std::string name, const Base& b, std::string answers, Expect expect,
                         std::vector<std::string> needles) {
    Case c = raf_case("answers/" + std::move(name), b.image, b);
    c.answers = std::move(answers);
    c.expect = expect;
    c.needles = std::move(needles);
    c.subject.clear();
    cases.push_back(std::move(c));
  };
  const std::string head = "files.lst\nout.txt\n";
  // The sorted-list length.
  for (const char* bad : {"abc", "1.5", "99999999999", "-2147483649", "1e3", "--3", "0x10", "5-"}) {
    answer_case(std::string("length-") + bad, time, head + bad + "\n\n", Expect::kFailure,
                {"is not an integer", "The run ends without a report"});
  }
  for (const char* good :
       {"2147483647", "-2147483648", "0", "-1", "-7", "  7  ", "3*4", "5,6", "+3", "2/"}) {
    answer_case(std::string("length-ok-") + good, time, head + good + "\n\n", Expect::kSuccess, {});
  }
  // The time limit.
  for (const char* bad : {"abc", "1e999", "-1e999", "1.2.3", "1e", "e5", ".", "1d+"}) {
    answer_case(std::string("time-") + bad, time, head + "5\n" + bad + "\n", Expect::kFailure,
                {"is not a number"});
  }
  for (const char* good :
       {"nan", "inf", "-inf", "1e308", "-1e308", "1d2", "0", "-5", "1.0", "1e20", "2", "3*1.5"}) {
    answer_case(std::string("time-ok-") + good, time, head + "5\n" + good + "\n", Expect::kSuccess,
                {});
  }
  // Load case and level.
  for (const char* bad : {"abc", "99999999999", "1.5"}) {
    answer_case(std::string("load-case-") + bad, stat, head + "5\n" + bad + "\n", Expect::kFailure,
                {"is not an integer"});
  }
  for (const char* good : {"-7", "0", "2147483647", "-2147483648", "1", "3"}) {
    answer_case(std::string("load-case-ok-") + good, stat, head + "5\n" + good + "\n\n",
                Expect::kSuccess, {});
  }
  for (const char* bad : {"level", "1e400"}) {
    answer_case(std::string("level-") + bad, stat, head + "5\n2\n" + bad + "\n", Expect::kFailure,
                {"is not a number"});
  }
  for (const char* good : {"nan", "-inf", "1e300", "0.25"}) {
    answer_case(std::string("level-ok-") + good, stat, head + "5\n2\n" + good + "\n",
                Expect::kSuccess, {});
  }
  // The input ends while a question is open.
  const std::vector<std::pair<const char*, std::string>> ends = {
      {"list", ""}, {"output", "files.lst\n"}, {"length", head}, {"time", head + "5\n"}};
  for (const auto& [question, answers] : ends) {
    answer_case(std::string("end-at-") + question, time, answers, Expect::kFailure,
                {"the input has ended", "The run ends without a report"});
  }
  answer_case("end-at-load-case", stat, head + "5\n", Expect::kFailure, {"the input has ended"});
  answer_case("end-at-level", stat, head + "5\n2\n", Expect::kFailure, {"the input has ended"});
  // The output file named like a file the run reads or writes on another
  // unit: refused, the file left as it is.
  answer_case("output-is-list", time, "files.lst\nfiles.lst\n5\n\n", Expect::kFailure,
              {"Give Output File Name             :  \n Return value from vemrask: -1 \n"});
  answer_case(
      "output-is-raf-file", time, "files.lst\ncase.raf\n5\n\n", Expect::kFailure,
      {"*** ERROR Opening output file: case.raf", "It is a RAF file: it is not overwritten"});
  answer_case("output-is-log", time, "files.lst\nraf.log\n5\n\n", Expect::kFailure,
              {" ...Number of files found :      1\n\n\n Return value from vemrask: -1 \n"});
  cases.back().output = "raf.log";
  {
    Case c = raf_case("answers/list-named-like-the-log", time.image, time);
    c.files.back().first = "raf.log";
    c.answers = answers_for(time, "raf.log");
    c.expect = Expect::kFailure;
    c.needles = {" ...Number of files found :      1\n\n\n Return value from vemrask: -1 \n"};
    cases.push_back(std::move(c));
  }
  // An answer without a line end, longer than any record.
  answer_case("length-without-line-end", time, head + std::string(3 << 20, '7'), Expect::kFailure,
              {"could not be read (error flag 5007)"});
  answer_case("input-of-nuls", time, std::string(3 << 20, '\0'), Expect::kFailure,
              {"could not be read (error flag 5007)"});
  // Unusual bytes in answers.
  answer_case("length-with-nul", time, head + std::string("5\0", 2) + "\n\n", Expect::kFailure,
              {"is not an integer"});
  answer_case("binary-output-name", time, "files.lst\n\x01\x02\x7f\xff\n5\n\n", Expect::kSuccess,
              {});
  cases.back().output = "\x01\x02\x7f\xff";
  return cases;
}

// ---- the work space ------------------------------------------------------------------

std::vector<Case> work_space_cases() {
  std::vector<Case> cases;
  const Base& b = base("time");
  struct Size {
    const char* arg;
    Expect expect;
    std::vector<std::string> needles;
  };
  const std::vector<Size> sizes = {
      {"0", Expect::kFailure, {"The nwiwa value (0) is zero or negative!"}},
      {"-1", Expect::kFailure, {"is zero or negative!"}},
      {"abc", Expect::kFailure, {"is zero or negative!"}},
      {"", Expect::kFailure, {"is zero or negative!"}},
      {"1e20", Expect::kFailure, {"is zero or negative!"}},
      {"3000", Expect::kFailure, {"is zero or negative!"}},
      {"nan", Expect::kFailure, {"is zero or negative!"}},
      {"inf", Expect::kFailure, {"is zero or negative!"}},
      {"-inf", Expect::kFailure, {"is zero or negative!"}},
      {"1e-7", Expect::kFailure, {"is zero or negative!"}},
      {"0.00002", Expect::kFailure, {"ILLEGAL PARAMETER(S) : NWIWA, NLA"}},
      {"0.0001", Expect::kFailure, {"ILLEGAL PARAMETER(S) : NWIWA, NLA"}},
      {"0.0003", Expect::kFailure, {"exceeded", "Occured for array  KEYRAF"}},
      {"0.001", Expect::kFailure, {"Insufficient space for array"}},
      {"0.002", Expect::kEither, {}},
      {"0.003", Expect::kEither, {}},
      {"0.005", Expect::kSuccess, {}},
      {"2.5e-3", Expect::kEither, {}},
      {"0x10", Expect::kSuccess, {}},
  };
  for (const Size& s : sizes) {
    Case c = raf_case(std::string("size/") + (*s.arg != 0 ? s.arg : "empty"), b.image, b);
    c.args = {s.arg};
    c.expect = s.expect;
    c.needles = s.needles;
    if (s.expect != Expect::kFailure) c.same_report_as = "time";
    // A size that is refused stops the run before any file is named.
    if (s.needles.size() == 1 && s.needles[0].find("zero or negative") != std::string::npos) {
      c.subject.clear();
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

std::vector<std::pair<std::string, std::vector<Case>>> all_families() {
  return {
      {"truncation", truncation_cases()},
      {"key_record", key_record_cases()},
      {"mfp", mfp_cases()},
      {"catalogue", catalogue_cases()},
      {"model_arrays", model_array_cases()},
      {"non_finite", non_finite_cases()},
      {"structure_parameters", structure_parameter_cases()},
      {"file_variants", file_variant_cases()},
      {"list_files", list_file_cases()},
      {"answers", answer_cases()},
      {"work_space", work_space_cases()},
  };
}

}  // namespace robustness
