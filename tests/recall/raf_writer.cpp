#include "raf_writer.h"

#include <algorithm>
#include <cstddef>
#include <span>

#include "dms/name_code.h"
#include "raflib/raflib.h"
#include "recall/catalogue.h"

namespace recall_test {
namespace {

constexpr int32_t kWriteUnit = 41;
constexpr int32_t kKeyBase = 100;
constexpr int32_t kRecordLength = 10;

// The store and data type codes of the words the model names.
int32_t store_code(const std::string& word) {
  return static_cast<int32_t>(recall::decode_store_type(word).value().code);
}

struct DataCode {
  int32_t code;
  int32_t words;
  int32_t flag;
};
DataCode data_code(const std::string& word) {
  const recall::DataTypeInfo info = recall::decode_data_type(word).value();
  return {static_cast<int32_t>(info.code), info.words_per_element, info.re_flag};
}

// The two integers of a name (its first eight characters).
std::pair<int32_t, int32_t> name_code(const std::string& name) {
  int32_t first = 0;
  int32_t second = 0;
  static_cast<void>(dms::encode_name(name.substr(0, 8), false, first, second));
  return {first, second};
}

bool put_ints(const std::vector<int32_t>& v, int32_t key, int32_t& ierr) {
  raflib::RAFPIN(std::span<const int32_t>(v), static_cast<int32_t>(v.size()), key, kWriteUnit,
                 ierr);
  return ierr >= 0;
}

bool put_values(const RafArray& a, const RafValues& v, int32_t key) {
  int32_t ierr = 0;
  if (a.data == "IN" || a.data == "I8") return put_ints(v.ints, key, ierr);
  if (a.data == "DP") {
    raflib::RAFPDP(std::span<const double>(v.reals), static_cast<int32_t>(v.reals.size()), key,
                   kWriteUnit, ierr);
  } else {
    std::vector<float> singles(v.reals.begin(), v.reals.end());
    raflib::RAFPRE(std::span<const float>(singles), static_cast<int32_t>(singles.size()), key,
                   kWriteUnit, ierr);
  }
  return ierr >= 0;
}

}  // namespace

bool write_raf(const std::string& path, const RafModel& model) {
  struct Entry {
    int32_t code = 0;
    DataCode data{};
    int32_t w5 = 0;
    int32_t w6 = 0;
    int32_t w7 = 0;
  };
  const auto n = static_cast<int32_t>(model.arrays.size());
  std::vector<Entry> entries;
  int32_t counts[3] = {3, 0, 0};
  for (const RafArray& a : model.arrays) {
    Entry e;
    e.code = store_code(a.store);
    e.data = data_code(a.data);
    if (recall::in_structure_block(e.code)) e.w5 = ++counts[0];
    if (recall::in_result_block(e.code)) e.w6 = ++counts[1];
    if (recall::in_restart_block(e.code)) e.w7 = ++counts[2];
    entries.push_back(e);
  }
  const int32_t n4 = counts[0];
  const int32_t n5 = counts[1];
  const int32_t n6 = counts[2];
  const int32_t r = model.record_length.value_or(kRecordLength);
  const int32_t natural = 10 + n + 3;
  const int32_t m = model.highest.value_or(natural);
  // Keys 102 and 103 hold what the header says, unless that is absurd.
  const int32_t records = (m > 0 && int64_t{m} * r <= 100000) ? m : natural;

  std::vector<int32_t> numraf(20, 0);
  numraf[0] = counts[0];
  numraf[1] = counts[1];
  numraf[2] = counts[2];
  numraf[3] = n4;
  numraf[4] = n5;
  numraf[5] = n6;
  numraf[6] = r;
  numraf[7] = m;
  numraf[8] = 8;
  numraf[9] = model.key_base.value_or(kKeyBase);
  numraf[10] = 100;
  std::vector<int32_t> keyraf(static_cast<std::size_t>(r * records), 0);
  std::vector<int32_t> iarrnm(static_cast<std::size_t>(2 * records), 0);
  auto put_record = [&](int32_t j, const std::string& name, std::vector<int32_t> words) {
    words.resize(10, 0);
    for (int32_t k = 0; k < std::min(r, 10); ++k) {
      keyraf[static_cast<std::size_t>(r * (j - 1) + k)] = words[static_cast<std::size_t>(k)];
    }
    const auto [first, second] = name_code(name);
    iarrnm[static_cast<std::size_t>(2 * j - 2)] = first;
    iarrnm[static_cast<std::size_t>(2 * j - 1)] = second;
  };
  for (int32_t k = 0; k < n; ++k) {
    const RafArray& a = model.arrays[static_cast<std::size_t>(k)];
    const Entry& e = entries[static_cast<std::size_t>(k)];
    put_record(11 + k, a.name,
               {e.data.code,
                a.catalogue_words_per_element != 0 ? a.catalogue_words_per_element : e.data.words,
                a.catalogue_length.value_or(a.length), e.code, e.w5, e.w6, e.w7, e.data.flag});
  }
  put_record(records - 2, "NUMRAF", {1, 1, 20, 51, 1});
  put_record(records - 1, "KEYRAF", {1, 1, r * records, 51, 2});
  put_record(records, "IARRNM", {1, 1, 2 * records, 51, 3});

  const int32_t per_step = n5 + n6;
  const recall::KeyBlocks blocks{n4, n5, n6, kKeyBase};
  const int32_t nmax = kKeyBase + std::max(n4, 3) + model.steps * per_step + 5;
  int32_t ierr = 0;
  raflib::RFRSET(ierr);
  raflib::RAFINI(0);
  std::string name = path;
  raflib::RAFNEW(kWriteUnit, name, "UNKNOWN", nmax, ierr);
  if (ierr < 0) return false;
  bool ok =
      put_ints(numraf, 101, ierr) && put_ints(keyraf, 102, ierr) && put_ints(iarrnm, 103, ierr);
  for (int32_t k = 0; ok && k < n; ++k) {
    const RafArray& a = model.arrays[static_cast<std::size_t>(k)];
    const Entry& e = entries[static_cast<std::size_t>(k)];
    if (recall::in_structure_block(e.code)) ok = put_values(a, a.structure, kKeyBase + e.w5);
    for (int32_t s = 1; ok && s <= model.steps; ++s) {
      if (static_cast<std::size_t>(s) > a.steps.size()) break;
      const RafValues& v = a.steps[static_cast<std::size_t>(s - 1)];
      if (recall::in_result_block(e.code)) {
        ok = put_values(a, v, static_cast<int32_t>(recall::result_block_start(blocks, s) + e.w6));
      }
      if (recall::in_restart_block(e.code)) {
        ok = put_values(a, v, static_cast<int32_t>(recall::restart_block_start(blocks, s) + e.w7));
      }
    }
  }
  raflib::RAFCLS(kWriteUnit, ierr);
  return ok && ierr >= 0;
}

int32_t open_raf(const std::string& path, int32_t unit, int32_t log_unit) {
  int32_t ierr = 0;
  raflib::RFRSET(ierr);
  raflib::RAFINI(log_unit);
  raflib::RAFCLS(unit, ierr);
  std::string name = path;
  raflib::RAFOLD(unit, name, ierr);
  return ierr;
}

void close_raf(int32_t unit) {
  int32_t ierr = 0;
  raflib::RAFCLS(unit, ierr);
}

RafFile::RafFile(const RafModel& model, int32_t unit, int32_t log_unit) : unit_(unit) {
  const std::string path = (dir_ / "model.raf").string();
  ok_ = write_raf(path, model) && open_raf(path, unit, log_unit) >= 0;
}

}  // namespace recall_test
