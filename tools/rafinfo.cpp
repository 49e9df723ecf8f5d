// rafinfo: shows what a RAF file holds.
//
//   rafinfo [--step N] [--array NAME | --key K] FILE
//
// Without --array or --key: the fields of the key record, the allocated
// entries of the array pointer table (MFP), and the catalogue of keys
// 101-103 when the file has one, with each array's key in step N (default
// 1).  --array NAME prints the values of a catalogued array in step N,
// --key K the values held under key K.
//
// The file is opened through the RAF library with its messages on the
// screen: a file that the library refuses is shown with the library's
// message and exit status 1.  The key record and the MFP are shown as they
// lie on the file (read directly, in the byte order of the writing
// computer); array values are read through the library.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/units.h"
#include "raflib/chkey.h"
#include "raflib/format.h"
#include "raflib/raflib.h"
#include "tools/model_writer.h"

namespace {

namespace fmt = raflib::format;
using raf_tools::data_type_word;
using raf_tools::decode_name;
using raf_tools::store_type_word;

constexpr int32_t kUnit = platform::kRafFile;
constexpr int32_t kCatalogueKey = 101;
constexpr int32_t kNumrafWords = 20;

constexpr std::string_view kUsage =
    "usage: rafinfo [--step N] [--array NAME | --key K] FILE\n"
    "  --step N      step for the catalogue's keys and for --array (default 1)\n"
    "  --array NAME  print the values of the catalogued array NAME in step N\n"
    "  --key K       print the values held under key K\n";

struct Options {
  std::string file;
  int32_t step = 1;
  std::string array;
  int32_t key = 0;
};

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
  [[nodiscard]] int32_t word(int32_t k) const {
    return k >= 1 && k <= static_cast<int32_t>(numraf.size())
               ? numraf[static_cast<std::size_t>(k - 1)]
               : 0;
  }
  [[nodiscard]] int32_t record_length() const { return word(7); }
  /// Array numbers whose KEYRAF record lies wholly inside KEYRAF.
  [[nodiscard]] int32_t records() const {
    const int32_t r = record_length();
    if (r < 1) return 0;
    return std::min(word(8), static_cast<int32_t>(keyraf.size()) / r);
  }
  /// Word k (1-based, k <= 10) of record n; 0 beyond the record length.
  [[nodiscard]] int32_t rec(int32_t n, int32_t k) const {
    const int32_t r = record_length();
    if (k > r || n < 1 || n > records()) return 0;
    return keyraf[static_cast<std::size_t>((n - 1) * r + k - 1)];
  }
  [[nodiscard]] std::string name(int32_t n) const {
    const auto i = static_cast<std::size_t>(2 * n - 2);
    if (n < 1 || i + 1 >= iarrnm.size()) return {};
    return decode_name(iarrnm[i], iarrnm[i + 1]);
  }
  /// The key of array number n in step s, as the recall layer computes it.
  [[nodiscard]] int32_t key(int32_t n, int32_t s) const {
    const int64_t n4 = word(4), n5 = word(5), n6 = word(6), base = word(10);
    if (n4 + n5 + n6 <= 0) return 0;
    const int32_t code = rec(n, 4);
    const int64_t block = base + n4 + static_cast<int64_t>(s - 1) * (n5 + n6);
    int64_t key = 0;
    if (raf_tools::in_structure_block(code) && (s <= 0 || !raf_tools::in_result_block(code)) &&
        (s <= 0 || !raf_tools::in_restart_block(code))) {
      key = base + rec(n, 5);
    } else if (s >= 1 && raf_tools::in_result_block(code)) {
      key = block + rec(n, 6);
    } else if (s >= 1 && raf_tools::in_restart_block(code)) {
      key = block + n5 + rec(n, 7);
    }
    return key > 0 && key <= INT32_MAX ? static_cast<int32_t>(key) : 0;
  }
};

int32_t get_i32(const std::byte* p, bool most_first) {
  std::array<std::byte, 4> b{};
  std::memcpy(b.data(), p, 4);
  if (most_first) std::reverse(b.begin(), b.end());
  uint32_t u = 0;
  for (int k = 3; k >= 0; --k) u = (u << 8) | static_cast<uint32_t>(b[static_cast<std::size_t>(k)]);
  return static_cast<int32_t>(u);
}

/// Reads the key record and the MFP straight from the file.
bool read_file_view(const std::string& file, FileView& view) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  in.read(view.key.data(), fmt::kKeyBytes);
  if (!in || !raflib::get_numeric_block(view.key, view.values)) return false;
  view.computer = raflib::get_key_int(view.key, fmt::kComputerCode).value_or(0);
  const bool most_first = fmt::byte_order_of(view.computer) == fmt::ByteOrder::kMostFirst;

  std::vector<std::byte> page(fmt::kPageBytes);
  int32_t loaded = 0;
  for (int32_t k = 1; k <= view.values.mfpmax; ++k) {
    const int32_t p = (k - 1) / fmt::kPageEntries + 1;
    if (p != loaded) {
      const int64_t record = int64_t{view.values.mfpadr} + 2 * int64_t{p - 1};
      in.clear();
      in.seekg((record - 1) * fmt::kRecordBytes);
      in.read(reinterpret_cast<char*>(page.data()), fmt::kPageBytes);
      if (!in) {
        view.note = "MFP page " + std::to_string(p) + " lies beyond the end of the file";
        return true;
      }
      loaded = p;
    }
    const std::byte* e =
        page.data() + static_cast<std::ptrdiff_t>((k - 1) % fmt::kPageEntries) * 16;
    MfpEntry m{k, get_i32(e, most_first), get_i32(e + 4, most_first), get_i32(e + 8, most_first),
               get_i32(e + 12, most_first)};
    if (m.address != 0) view.entries.push_back(m);
  }
  return true;
}

const MfpEntry* entry_of(const FileView& view, int32_t key) {
  for (const MfpEntry& e : view.entries) {
    if (e.number == key) return &e;
  }
  return nullptr;
}

bool read_ints(const FileView& view, int32_t key, std::vector<int32_t>& out) {
  const MfpEntry* e = entry_of(view, key);
  if (e == nullptr || e->type != static_cast<int32_t>(fmt::DataType::kInteger) || e->used < 0) {
    return false;
  }
  out.assign(static_cast<std::size_t>(e->used), 0);
  int32_t ierr = 0;
  raflib::RAFGIN(std::span<int32_t>(out), e->used, key, kUnit, ierr);
  return ierr >= 0;
}

std::string field(std::string_view text) {
  std::string s(text);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

void show_key_record(const Options& opt, const FileView& v) {
  const raflib::Chkey& k = v.key;
  const auto num = [&](fmt::KeyField f) {
    const auto value = raflib::get_key_int(k, f);
    return value ? std::to_string(*value) : "'" + std::string(raflib::key_text(k, f)) + "'";
  };
  std::cout << "RAF file       : " << opt.file << "\n"
            << "Version        : " << num(fmt::kVersion) << "   revision " << num(fmt::kRevision)
            << "\n"
            << "Computer type  : " << v.computer << "   "
            << field(raflib::key_text(k, fmt::kComputerName)) << "\n"
            << "Created        : " << raflib::key_text(k, fmt::kCreatedStamp) << "\n"
            << "Last written   : " << raflib::key_text(k, fmt::kWrittenStamp) << "\n"
            << "Last read      : " << raflib::key_text(k, fmt::kReadStamp) << "\n"
            << "Lock flags     : " << num(fmt::kFirstLock) << " " << num(fmt::kSecondLock) << "\n"
            << "MFPADR         : " << v.values.mfpadr << "\n"
            << "MFPMAX         : " << v.values.mfpmax << "\n"
            << "MFPCUR         : " << v.values.mfpcur << "\n"
            << "MFPNXT         : " << v.values.mfpnxt << "\n"
            << "MFPLEN         : " << v.values.mfplen << "\n";
}

void show_mfp(const FileView& v) {
  std::cout << "\nAllocated arrays: " << v.entries.size() << "\n"
            << "   Array   Address  Type   Allocated        Used\n";
  for (const MfpEntry& e : v.entries) {
    const std::string_view type = fmt::element_bytes(e.type) > 0
                                      ? fmt::kDataTypeNames[static_cast<std::size_t>(e.type)]
                                      : std::string_view("??");
    std::cout << std::setw(8) << e.number << std::setw(10) << e.address << "  " << std::setw(2)
              << e.type << " " << std::left << std::setw(2) << type << std::right << std::setw(12)
              << e.allocated << std::setw(12) << e.used << "\n";
  }
  if (!v.note.empty()) std::cout << v.note << "\n";
}

void show_catalogue(const CatalogueView& c, int32_t step) {
  std::cout << "\nCatalogue (keys 101-103)\n"
            << "NUMRAF         :";
  for (const int32_t w : c.numraf) std::cout << " " << w;
  std::cout << "\n"
            << "Key blocks     : structure " << c.word(4) << ", result " << c.word(5)
            << " and restart " << c.word(6) << " keys per step, key base " << c.word(10) << "\n"
            << "KEYRAF         : record length " << c.record_length() << ", highest number "
            << c.word(8) << "\n"
            << "  Number  Name      Type  Store    Length  Struct  Result Restart  Key(step "
            << step << ")\n";
  for (int32_t n = 1; n <= c.records(); ++n) {
    const std::string name = c.name(n);
    if (c.rec(n, 1) == 0 && name.empty()) continue;
    std::cout << std::setw(8) << n << "  " << std::left << std::setw(8)
              << (name.empty() ? "?" : name) << "  " << std::setw(4)
              << data_type_word(c.rec(n, 1), c.rec(n, 8)) << "  " << std::setw(4)
              << store_type_word(c.rec(n, 4)) << std::right << std::setw(10) << c.rec(n, 3)
              << std::setw(8) << c.rec(n, 5) << std::setw(8) << c.rec(n, 6) << std::setw(8)
              << c.rec(n, 7) << std::setw(11) << c.key(n, step) << "\n";
  }
  if (c.records() < c.word(8)) {
    std::cout << "KEYRAF holds " << c.keyraf.size() << " words, fewer than its records need\n";
  }
}

/// Prints the values under `key`, read as the MFP entry's type says.
bool show_values(const FileView& v, int32_t key, std::string_view title) {
  const MfpEntry* e = entry_of(v, key);
  if (e == nullptr) {
    std::cerr << "rafinfo: key " << key << " holds no array\n";
    return false;
  }
  std::cout << title << "key " << key << ", " << e->used << " elements of type "
            << (fmt::element_bytes(e->type) > 0
                    ? fmt::kDataTypeNames[static_cast<std::size_t>(e->type)]
                    : std::string_view("??"))
            << "\n";
  int32_t ierr = 0;
  const auto n = static_cast<std::size_t>(std::max(e->used, 0));
  const auto print = [&](const auto& values, int per_line, int width) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i % static_cast<std::size_t>(per_line) == 0) {
        if (i > 0) std::cout << "\n";
        std::cout << std::setw(8) << i + 1 << ":";
      }
      std::cout << " " << std::setw(width) << values[i];
    }
    if (!values.empty()) std::cout << "\n";
  };
  switch (static_cast<fmt::DataType>(e->type)) {
    case fmt::DataType::kInteger: {
      std::vector<int32_t> a(n);
      raflib::RAFGIN(std::span<int32_t>(a), e->used, key, kUnit, ierr);
      if (ierr >= 0) print(a, 8, 11);
      break;
    }
    case fmt::DataType::kReal: {
      std::vector<float> a(n);
      raflib::RAFGRE(std::span<float>(a), e->used, key, kUnit, ierr);
      std::cout << std::setprecision(8);
      if (ierr >= 0) print(a, 5, 16);
      break;
    }
    case fmt::DataType::kDouble: {
      std::vector<double> a(n);
      raflib::RAFGDP(std::span<double>(a), e->used, key, kUnit, ierr);
      std::cout << std::setprecision(15);
      if (ierr >= 0) print(a, 4, 22);
      break;
    }
    default:
      std::cout << "(values of this data type are not shown)\n";
      break;
  }
  return ierr >= 0;
}

bool parse_int(const std::string& s, int32_t& value) {
  std::istringstream in(s);
  return static_cast<bool>(in >> value) && in.peek() == std::char_traits<char>::eof();
}

int usage_error(const std::string& message) {
  std::cerr << "rafinfo: " << message << "\n" << kUsage;
  return 1;
}

int run(const Options& opt) {
  int32_t ierr = 0;
  raflib::RFRSET(ierr);
  raflib::RAFINI(platform::kScreen);
  std::string name = opt.file;
  raflib::RAFOLD(kUnit, name, ierr);
  if (ierr < 0) return 1;

  FileView view;
  if (!read_file_view(opt.file, view)) {
    std::cerr << "rafinfo: cannot read the key record of " << opt.file << "\n";
    return 1;
  }
  CatalogueView cat;
  const bool has_catalogue = read_ints(view, kCatalogueKey, cat.numraf) &&
                             read_ints(view, kCatalogueKey + 1, cat.keyraf) &&
                             read_ints(view, kCatalogueKey + 2, cat.iarrnm);

  bool ok = true;
  if (!opt.array.empty()) {
    int32_t number = 0;
    for (int32_t n = 1; has_catalogue && n <= cat.records() && number == 0; ++n) {
      if (cat.name(n) == opt.array) number = n;
    }
    if (number == 0) {
      std::cerr << "rafinfo: " << opt.file << " catalogues no array " << opt.array << "\n";
      ok = false;
    } else {
      const int32_t key = cat.key(number, opt.step);
      if (key == 0) {
        std::cerr << "rafinfo: " << opt.array << " has no key in step " << opt.step << "\n";
        ok = false;
      } else {
        ok = show_values(view, key,
                         opt.array + " (number " + std::to_string(number) + ", step " +
                             std::to_string(opt.step) + "): ");
      }
    }
  } else if (opt.key != 0) {
    ok = show_values(view, opt.key, "");
  } else {
    show_key_record(opt, view);
    show_mfp(view);
    if (has_catalogue && static_cast<int32_t>(cat.numraf.size()) >= kNumrafWords) {
      show_catalogue(cat, opt.step);
    } else {
      std::cout << "\nNo catalogue: keys 101-103 do not hold it\n";
    }
  }
  int32_t cerr = 0;
  raflib::RAFCLS(kUnit, cerr);
  platform::flush_all_units();
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--step") {
      if (!has_value || !parse_int(args[++i], opt.step))
        return usage_error("--step needs a number");
    } else if (a == "--array") {
      if (!has_value) return usage_error("--array needs a name");
      opt.array = args[++i];
    } else if (a == "--key") {
      if (!has_value || !parse_int(args[++i], opt.key) || opt.key < 1) {
        return usage_error("--key needs a positive number");
      }
    } else if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (!a.empty() && a[0] == '-') {
      return usage_error("unknown option " + a);
    } else if (!opt.file.empty()) {
      return usage_error("more than one file");
    } else {
      opt.file = a;
    }
  }
  if (opt.file.empty()) return usage_error("no file");
  if (!opt.array.empty() && opt.key != 0)
    return usage_error("--array and --key exclude each other");
  return run(opt);
}
