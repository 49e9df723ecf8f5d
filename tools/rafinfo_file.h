// What rafinfo reads from a RAF file: the key record and the array pointer
// table (MFP) as they lie on the file, the catalogue of keys 101-103, and
// the values of catalogued arrays through the RAF library.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/units.h"
#include "raflib/chkey.h"
#include "recall/catalogue.h"
#include "tools/model_writer.h"

namespace rafinfo {

inline constexpr int32_t kUnit = platform::kRafFile;

struct MfpEntry {
  int32_t number = 0;
  int32_t address = 0;
  int32_t type = 0;
  int32_t allocated = 0;
  int32_t used = 0;
};

/// What the raw file shows: the key record and the allocated MFP entries.
struct FileView {
  raflib::Chkey key{};
  raflib::KeyValues values;
  int32_t computer = 0;
  std::vector<MfpEntry> entries;
  std::string note;  ///< why the MFP could not be read in full
};

/// The file's catalogue, as read from keys 101-103.
struct CatalogueView {
  std::vector<int32_t> numraf, keyraf, iarrnm;
  [[nodiscard]] int32_t word(int64_t k) const {
    return k >= 1 && k <= static_cast<int64_t>(numraf.size())
               ? numraf[static_cast<std::size_t>(k - 1)]
               : 0;
  }
  [[nodiscard]] int32_t record_length() const { return word(recall::numraf::kRecordLength); }
  /// Array numbers whose KEYRAF record lies wholly inside KEYRAF.
  [[nodiscard]] int32_t records() const {
    const int32_t r = record_length();
    if (r < 1) return 0;
    return std::min(word(recall::numraf::kHighestNumber), static_cast<int32_t>(keyraf.size()) / r);
  }
  /// Word k (1-based, k <= 10) of record n; 0 beyond the record length.
  [[nodiscard]] int32_t rec(int32_t n, int64_t k) const {
    const int32_t r = record_length();
    if (k > r || n < 1 || n > records()) return 0;
    return keyraf[static_cast<std::size_t>(int64_t{n - 1} * r + k - 1)];
  }
  [[nodiscard]] std::string name(int32_t n) const;
  /// The number of the array called `name`; 0 when not catalogued.
  [[nodiscard]] int32_t number(std::string_view name) const;
  /// The key of array number n in step s, as the recall layer computes it;
  /// 0 when it has none there or the catalogue's numbers give none.
  [[nodiscard]] int32_t key(int32_t n, int32_t s) const;
};

/// Reads the key record and the MFP straight from the file.
bool read_file_view(const std::string& file, FileView& view);

const MfpEntry* entry_of(const FileView& view, int32_t key);

/// The integers under `key` (an MFP entry of type IN), read through the
/// library.
bool read_ints(const FileView& view, int32_t key, std::vector<int32_t>& out);

/// Title characters of ICTEXT codes: codes 32..126 as characters, blanks
/// at the end dropped; another code shows as '?'.
std::string title_text(const std::vector<int32_t>& codes);

/// The ".raf" rule of vemrask's list file: a name of more than four
/// characters that does not end in ".raf" gets ".raf" appended.  A name
/// that exists as given is taken as it is.
std::string raf_name(const std::string& given);

/// A RAF file opened through the library for reading its arrays, with the
/// library's messages kept for the reason of a failure instead of shown.
class RafFile {
 public:
  RafFile();
  ~RafFile();
  RafFile(const RafFile&) = delete;
  RafFile& operator=(const RafFile&) = delete;

  /// Opens `file` and reads its key record, MFP and catalogue.  False, with
  /// `reason()` set, when the library refuses the file or the catalogue
  /// cannot be read.
  bool open(const std::string& file);

  /// The values of array `name` in step `step` (its structure copy for an
  /// array with one): integers of an "IN" array, or the reals of an "RE"
  /// (widened) or "DP" array.  False, with `reason()` set, for an array the
  /// file lacks or cannot give.
  bool ints(std::string_view name, int32_t step, std::vector<int32_t>& out);
  bool reals(std::string_view name, int32_t step, std::vector<double>& out);

  /// MFP data type of array `name` in step `step` (1 IN, 2 RE, 3 DP); 0 when
  /// it has none.
  [[nodiscard]] int32_t file_type(std::string_view name, int32_t step) const;

  /// True when the file holds every array its MFP lists; else false, with
  /// the library's reason for the array that reaches furthest beyond the
  /// end of the file.
  bool holds_all_arrays(const std::string& file);

  [[nodiscard]] const FileView& view() const { return view_; }
  [[nodiscard]] const CatalogueView& catalogue() const { return catalogue_; }
  [[nodiscard]] const std::string& reason() const { return reason_; }
  void set_reason(std::string reason) { reason_ = std::move(reason); }
  /// True once the library has opened the file (its key record and MFP
  /// can be shown even when the catalogue cannot be read).
  [[nodiscard]] bool is_open() const { return open_; }

  /// Sets the reason to the library's last message (or `fallback` when it
  /// wrote none) and returns false.
  bool fail_from_library(std::string fallback);

 private:
  int32_t key_of(std::string_view name, int32_t step);

  FileView view_;
  CatalogueView catalogue_;
  std::string reason_;
  std::filesystem::path messages_;
  bool open_ = false;
};

}  // namespace rafinfo

namespace rafinfo {

/// The model arrays the check reads, and the title, of a RAF file.
struct RafModel {
  std::vector<int32_t> mstru, meltyp, melgeo, melmat, melex, mgetyp, mnpc, mpmnpc, mnpex, mpevec,
      matyp, mglres, ictext;
  std::vector<double> tcoord, tcrgeo, tgepa, tmapa, tglres;
  int32_t nel = 0, mxgepr = 0, mxmapr = 0, mxglpr = 0, lststo = 0, newlty = 0;
  int32_t real_type = 0;  ///< MFP data type of the real arrays: 2 RE, 3 DP
};

/// Reads the model arrays of an open file (MNPEX and ICTEXT when it has
/// them) and the structure parameters the check reads.  False, with the
/// file's reason set, when an array or parameter is missing.
bool read_model(RafFile& file, RafModel& model);

/// rafinfo --summary: one line per file; 1 when a file could not be read.
int run_summary(const std::vector<std::string>& files, bool csv);

/// Steps kept by rafinfo --model: first, first + every, ... up to last.
struct StepSelection {
  int32_t first = 1;
  int32_t last = INT32_MAX;
  int32_t every = 1;
};

/// rafinfo --model: the model text of mkraf on standard output.
int run_model(const std::string& file, const StepSelection& steps);

}  // namespace rafinfo
