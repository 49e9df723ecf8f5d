#include "tools/rafinfo_file.h"

#include <array>
#include <charconv>
#include <cstring>
#include <fstream>
#include <span>

#include "raflib/format.h"
#include "raflib/raflib.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace rafinfo {
namespace {

namespace fmt = raflib::format;

/// Unit of the library's messages while a file is read for its arrays.
constexpr int32_t kMessageUnit = 97;

int32_t get_i32(const std::byte* p, bool most_first) {
  std::array<std::byte, 4> b{};
  std::memcpy(b.data(), p, 4);
  if (most_first) std::reverse(b.begin(), b.end());
  uint32_t u = 0;
  for (int k = 3; k >= 0; --k) u = (u << 8) | static_cast<uint32_t>(b[static_cast<std::size_t>(k)]);
  return static_cast<int32_t>(u);
}

/// The text of the last message block in `log`: the line after the one
/// that names its number, without its marker.
std::string last_message(const std::filesystem::path& log) {
  std::ifstream in(log);
  std::string line;
  std::string text;
  bool next = false;
  while (std::getline(in, line)) {
    if (next) {
      const std::size_t start = line.find_first_not_of(" *=!-");
      text = start == std::string::npos ? std::string() : line.substr(start);
    }
    next = line.find("Msg_no") != std::string::npos;
  }
  return text;
}

/// The library's text, with the system's words for a computer's error flag
/// that is an error number of the system, and "cut short" for a read past
/// the end of the file.
std::string explain(const std::string& text) {
  const std::string flag = "error flag = ";
  const std::size_t at = text.rfind(flag);
  if (at == std::string::npos) return text;
  int number = 0;
  const char* digits = text.c_str() + at + flag.size();
  std::from_chars(digits, text.c_str() + text.size(), number);
  if (number == platform::kStatusPastEnd) return "file cut short: " + text;
  if (number > 0 && number < platform::kStatusBadUnit) {
    return text + " (" + std::strerror(number) + ")";
  }
  return text;
}

/// A file of this process for the library's messages.
std::filesystem::path message_file() {
  std::string tag = "rafinfo-messages";
#if defined(__unix__) || defined(__APPLE__)
  tag += "-" + std::to_string(::getpid());
#endif
  std::error_code ec;
  return std::filesystem::temp_directory_path(ec) / (tag + ".log");
}

}  // namespace

std::string CatalogueView::name(int32_t n) const {
  const auto i = static_cast<std::size_t>(2 * n - 2);
  if (n < 1 || i + 1 >= iarrnm.size()) return {};
  return raf_tools::decode_name(iarrnm[i], iarrnm[i + 1]);
}

int32_t CatalogueView::number(std::string_view wanted) const {
  for (int32_t n = 1; n <= records(); ++n) {
    if (name(n) == wanted) return n;
  }
  return 0;
}

int32_t CatalogueView::key(int32_t n, int32_t s) const {
  namespace words = recall::keyraf;
  const recall::KeyBlocks blocks{
      word(recall::numraf::kStructureSize), word(recall::numraf::kResultSize),
      word(recall::numraf::kRestartSize), word(recall::numraf::kKeyBase)};
  const recall::KeyIndices indices{rec(n, words::kStoreType), rec(n, words::kStructureIndex),
                                   rec(n, words::kResultIndex), rec(n, words::kRestartIndex)};
  const int32_t key = recall::raf_key(blocks, indices, s);
  return key == recall::kInvalidKey ? 0 : key;
}

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

std::string title_text(const std::vector<int32_t>& codes) {
  std::string text;
  for (const int32_t c : codes) text += c >= 32 && c <= 126 ? static_cast<char>(c) : '?';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string raf_name(const std::string& given) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(given, ec)) return given;
  if (given.size() > 4 && !given.ends_with(".raf")) return given + ".raf";
  return given;
}

RafFile::RafFile() : messages_(message_file()) {}

RafFile::~RafFile() {
  if (open_) {
    int32_t ierr = 0;
    raflib::RAFCLS(kUnit, ierr);
  }
  platform::close_unit(kMessageUnit);
  std::error_code ec;
  std::filesystem::remove(messages_, ec);
}

bool RafFile::fail_from_library(std::string fallback) {
  platform::flush_all_units();
  const std::string text = last_message(messages_);
  reason_ = text.empty() ? std::move(fallback) : explain(text);
  return false;
}

bool RafFile::open(const std::string& file) {
  int32_t ierr = 0;
  if (open_) raflib::RAFCLS(kUnit, ierr);
  open_ = false;
  view_ = FileView{};
  catalogue_ = CatalogueView{};
  reason_.clear();
  platform::close_unit(kMessageUnit);
  const bool logging =
      platform::open_text(kMessageUnit, messages_.string(), platform::OpenStatus::kUnknown) == 0;
  raflib::RFRSET(ierr);
  raflib::RAFINI(logging ? kMessageUnit : 0);
  std::string name = file;
  raflib::RAFOLD(kUnit, name, ierr);
  if (ierr < 0) return fail_from_library("the RAF library cannot open it");
  open_ = true;
  if (!read_file_view(file, view_)) return fail_from_library("cannot read the key record");
  if (!read_ints(view_, recall::kNumrafKey, catalogue_.numraf) ||
      !read_ints(view_, recall::kKeyrafKey, catalogue_.keyraf) ||
      !read_ints(view_, recall::kIarrnmKey, catalogue_.iarrnm) ||
      static_cast<int64_t>(catalogue_.numraf.size()) < recall::numraf::kLength) {
    catalogue_ = CatalogueView{};
    if (!view_.note.empty()) {
      reason_ = "file cut short: " + view_.note;
      return false;
    }
    return fail_from_library("keys 101-103 do not hold a catalogue");
  }
  return true;
}

bool RafFile::holds_all_arrays(const std::string& file) {
  std::error_code ec;
  const auto size = static_cast<int64_t>(std::filesystem::file_size(file, ec));
  if (ec) return true;  // the reads say what is wrong
  const MfpEntry* furthest = nullptr;
  int64_t end = 0;
  for (const MfpEntry& e : view_.entries) {
    const int64_t bytes = int64_t{std::max(e.used, 0)} * std::max(fmt::element_bytes(e.type), 0);
    const int64_t last = (int64_t{e.address} - 1) * fmt::kRecordBytes + bytes;
    if (last > end) {
      end = last;
      furthest = &e;
    }
  }
  if (furthest == nullptr || end <= size) return true;
  const std::string why = "file cut short: array " + std::to_string(furthest->number) +
                          " ends at byte " + std::to_string(end) + ", the file at " +
                          std::to_string(size);
  std::vector<std::byte> buffer(
      static_cast<std::size_t>(end - (furthest->address - 1) * int64_t{fmt::kRecordBytes}));
  int32_t ierr = 0;
  const std::span<std::byte> all(buffer);
  switch (static_cast<fmt::DataType>(furthest->type)) {
    case fmt::DataType::kInteger:
      raflib::RAFGIN(all, furthest->used, furthest->number, kUnit, ierr);
      break;
    case fmt::DataType::kReal:
      raflib::RAFGRE(all, furthest->used, furthest->number, kUnit, ierr);
      break;
    case fmt::DataType::kDouble:
      raflib::RAFGDP(all, furthest->used, furthest->number, kUnit, ierr);
      break;
    default:
      break;
  }
  if (ierr < 0) return fail_from_library(why);
  reason_ = why;
  return false;
}

int32_t RafFile::key_of(std::string_view name, int32_t step) {
  const int32_t n = catalogue_.number(name);
  const int32_t key = n == 0 ? 0 : catalogue_.key(n, step);
  if (key == 0 || entry_of(view_, key) == nullptr) {
    reason_ = "no array " + std::string(name) +
              (n == 0 ? std::string() : " in step " + std::to_string(step));
    return 0;
  }
  return key;
}

int32_t RafFile::file_type(std::string_view name, int32_t step) const {
  const int32_t n = catalogue_.number(name);
  const MfpEntry* e = n == 0 ? nullptr : entry_of(view_, catalogue_.key(n, step));
  return e == nullptr ? 0 : e->type;
}

bool RafFile::ints(std::string_view name, int32_t step, std::vector<int32_t>& out) {
  const int32_t key = key_of(name, step);
  if (key == 0) return false;
  if (!read_ints(view_, key, out)) {
    return fail_from_library(std::string(name) + " does not hold integers");
  }
  return true;
}

bool RafFile::reals(std::string_view name, int32_t step, std::vector<double>& out) {
  const int32_t key = key_of(name, step);
  if (key == 0) return false;
  const MfpEntry& e = *entry_of(view_, key);
  const auto n = static_cast<std::size_t>(std::max(e.used, 0));
  int32_t ierr = 0;
  if (e.type == static_cast<int32_t>(fmt::DataType::kReal)) {
    std::vector<float> a(n);
    raflib::RAFGRE(std::span<float>(a), e.used, key, kUnit, ierr);
    out.assign(a.begin(), a.end());
  } else if (e.type == static_cast<int32_t>(fmt::DataType::kDouble)) {
    out.assign(n, 0.0);
    raflib::RAFGDP(std::span<double>(out), e.used, key, kUnit, ierr);
  } else {
    reason_ = std::string(name) + " does not hold reals";
    return false;
  }
  if (ierr < 0) return fail_from_library(std::string(name) + " cannot be read");
  return true;
}

}  // namespace rafinfo
