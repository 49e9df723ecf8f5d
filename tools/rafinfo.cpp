// rafinfo: shows what a RAF file holds.
//
//   rafinfo [--step N] [--array NAME | --key K] FILE
//   rafinfo --summary [--csv] FILE...
//   rafinfo --model [--steps A:B] [--every K] FILE
//
// Without --array or --key: the fields of the key record, the title, the
// allocated entries of the array pointer table (MFP), and the catalogue of
// keys 101-103 when the file has one, with each array's key in step N
// (default 1).  --array NAME prints the values of a catalogued array in step
// N, --key K the values held under key K.  --summary gives one line per
// file, --model the model text of mkraf (tools/rafinfo_model.cpp).
//
// The file is opened through the RAF library; a file that the library
// refuses is reported as "rafinfo: FILE: reason" on standard error with
// exit status 1.  The key record and the MFP are shown as they lie on the
// file (read directly, in the byte order of the writing computer); array
// values are read through the library.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/units.h"
#include "raflib/chkey.h"
#include "raflib/format.h"
#include "raflib/raflib.h"
#include "recall/catalogue.h"
#include "tools/model_writer.h"
#include "tools/rafinfo_file.h"
#include "version/version.h"

namespace {

namespace fmt = raflib::format;
namespace keyraf = recall::keyraf;
namespace numraf = recall::numraf;
using raf_tools::data_type_word;
using raf_tools::store_type_word;
using rafinfo::CatalogueView;
using rafinfo::entry_of;
using rafinfo::FileView;
using rafinfo::kUnit;
using rafinfo::MfpEntry;

constexpr std::array<cli::OptionSpec, 10> kSpecs = {{
    {0, "step", "N", "step for the catalogue's keys and for --array (default 1)"},
    {0, "array", "NAME", "print the values of the catalogued array NAME in step N"},
    {0, "key", "K", "print the values held under key K"},
    {0, "summary", "", "one line per FILE: model size, steps, transitions, status"},
    {0, "csv", "", "the summary as CSV (RFC 4180)"},
    {0, "model", "", "write the model text of mkraf for FILE"},
    {0, "steps", "A:B", "with --model: keep steps A to B only"},
    {0, "every", "K", "with --model: keep every K-th step from A"},
    {'h', "help", "", "show this text"},
    {0, "version", "", "show the version"},
}};

std::string usage() {
  return "usage: rafinfo [--step N] [--array NAME | --key K] FILE\n"
         "       rafinfo --summary [--csv] FILE...\n"
         "       rafinfo --model [--steps A:B] [--every K] FILE\n" +
         cli::option_lines(kSpecs);
}

struct Options {
  std::string file;
  int32_t step = 1;
  std::string array;
  int32_t key = 0;
};

std::string field(std::string_view text) {
  std::string s(text);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

void show_key_record(const Options& opt, const FileView& v, const std::string& title) {
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
            << "Title          : " << title << "\n"
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
            << "Key blocks     : structure " << c.word(numraf::kStructureSize) << ", result "
            << c.word(numraf::kResultSize) << " and restart " << c.word(numraf::kRestartSize)
            << " keys per step, key base " << c.word(numraf::kKeyBase) << "\n"
            << "KEYRAF         : record length " << c.record_length() << ", highest number "
            << c.word(numraf::kHighestNumber) << "\n"
            << "  Number  Name      Type  Store    Length  Struct  Result Restart  Key(step "
            << step << ")\n";
  for (int32_t n = 1; n <= c.records(); ++n) {
    const std::string name = c.name(n);
    if (c.rec(n, keyraf::kDataType) == 0 && name.empty()) continue;
    std::cout << std::setw(8) << n << "  " << std::left << std::setw(8)
              << (name.empty() ? "?" : name) << "  " << std::setw(4)
              << data_type_word(c.rec(n, keyraf::kDataType), c.rec(n, keyraf::kReFlag)) << "  "
              << std::setw(4) << store_type_word(c.rec(n, keyraf::kStoreType)) << std::right
              << std::setw(10) << c.rec(n, keyraf::kLength) << std::setw(8)
              << c.rec(n, keyraf::kStructureIndex) << std::setw(8) << c.rec(n, keyraf::kResultIndex)
              << std::setw(8) << c.rec(n, keyraf::kRestartIndex) << std::setw(11) << c.key(n, step)
              << "\n";
  }
  if (c.records() < c.word(numraf::kHighestNumber)) {
    std::cout << "KEYRAF holds " << c.keyraf.size() << " words, fewer than its records need\n";
  }
}

/// Prints the values under `key`, read as the MFP entry's type says.
bool show_values(const std::string& file, const FileView& v, int32_t key, std::string_view title) {
  const MfpEntry* e = entry_of(v, key);
  if (e == nullptr) {
    std::cerr << "rafinfo: " << file << ": key " << key << " holds no array\n";
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

int usage_error(const std::string& message) {
  std::cerr << "rafinfo: " << message << "\n" << usage();
  return 1;
}

int run(const Options& opt) {
  const std::string name = rafinfo::raf_name(opt.file);
  rafinfo::RafFile file;
  const bool has_catalogue = file.open(name);
  if (!file.is_open()) {
    std::cerr << "rafinfo: " << name << ": " << file.reason() << "\n";
    return 1;
  }
  const FileView& view = file.view();
  const CatalogueView& cat = file.catalogue();

  bool ok = true;
  const auto fail = [&](const std::string& why) {
    std::cerr << "rafinfo: " << name << ": " << why << "\n";
    ok = false;
  };
  if (!opt.array.empty()) {
    const int32_t number = has_catalogue ? cat.number(opt.array) : 0;
    const int32_t key = number == 0 ? 0 : cat.key(number, opt.step);
    if (number == 0) {
      fail(has_catalogue ? "catalogues no array " + opt.array : file.reason());
    } else if (key == 0) {
      fail(opt.array + " has no key in step " + std::to_string(opt.step));
    } else if (!show_values(name, view, key,
                            opt.array + " (number " + std::to_string(number) + ", step " +
                                std::to_string(opt.step) + "): ")) {
      ok = file.fail_from_library("the values cannot be read");
      fail(file.reason());
    }
  } else if (opt.key != 0) {
    if (!show_values(name, view, opt.key, "")) {
      ok = false;
      if (entry_of(view, opt.key) != nullptr) {
        file.fail_from_library("the values cannot be read");
        fail(file.reason());
      }
    }
  } else {
    std::vector<int32_t> ictext;
    if (has_catalogue && cat.number("ICTEXT") != 0)
      static_cast<void>(file.ints("ICTEXT", 1, ictext));
    Options shown = opt;
    shown.file = name;
    show_key_record(shown, view, rafinfo::title_text(ictext));
    show_mfp(view);
    if (has_catalogue) {
      show_catalogue(cat, opt.step);
    } else {
      std::cout << "\nNo catalogue: " << file.reason() << "\n";
    }
  }
  platform::flush_all_units();
  return ok ? 0 : 1;
}

/// A step range A:B (B may be left out: to the last step).
bool parse_range(const std::string& text, rafinfo::StepSelection& steps) {
  const std::size_t colon = text.find(':');
  const auto first = cli::to_int(text.substr(0, colon));
  if (!first || *first < 1) return false;
  steps.first = *first;
  if (colon == std::string::npos) {
    steps.last = *first;
    return true;
  }
  if (colon + 1 == text.size()) return true;
  const auto last = cli::to_int(text.substr(colon + 1));
  if (!last || *last < *first) return false;
  steps.last = *last;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const cli::Parsed parsed = cli::parse(args, kSpecs);
  if (!parsed.error.empty()) return usage_error(parsed.error);
  if (parsed.has("help")) {
    std::cout << usage();
    return 0;
  }
  if (parsed.has("version")) {
    std::cout << "rafinfo " << version::kText << "\n";
    return 0;
  }
  const bool summary = parsed.has("summary");
  const bool model = parsed.has("model");
  const bool view_options = parsed.has("step") || parsed.has("array") || parsed.has("key");
  if (summary && model) return usage_error("--summary and --model exclude each other");
  if ((summary || model) && view_options) {
    return usage_error("--step, --array and --key show a single file's view");
  }
  if (parsed.has("csv") && !summary) return usage_error("--csv goes with --summary");
  if ((parsed.has("steps") || parsed.has("every")) && !model) {
    return usage_error("--steps and --every go with --model");
  }
  if (parsed.operands.empty()) return usage_error("no file");

  if (summary) return rafinfo::run_summary(parsed.operands, parsed.has("csv"));
  if (parsed.operands.size() > 1) return usage_error("more than one file");
  if (model) {
    rafinfo::StepSelection steps;
    if (const auto range = parsed.value("steps"); range && !parse_range(*range, steps)) {
      return usage_error("--steps needs A:B with 1 <= A <= B");
    }
    if (const auto every = parsed.value("every"); every) {
      const auto k = cli::to_int(*every);
      if (!k || *k < 1) return usage_error("--every needs a positive number");
      steps.every = *k;
    }
    return rafinfo::run_model(parsed.operands[0], steps);
  }

  Options opt;
  opt.file = parsed.operands[0];
  if (const auto step = parsed.value("step"); step) {
    const auto n = cli::to_int(*step);
    if (!n) return usage_error("--step needs a number");
    opt.step = *n;
  }
  if (const auto array = parsed.value("array"); array) opt.array = *array;
  if (const auto key = parsed.value("key"); key) {
    const auto n = cli::to_int(*key);
    if (!n || *n < 1) return usage_error("--key needs a positive number");
    opt.key = *n;
  }
  if (!opt.array.empty() && opt.key != 0) {
    return usage_error("--array and --key exclude each other");
  }
  return run(opt);
}
