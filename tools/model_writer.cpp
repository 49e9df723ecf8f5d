// The model writer: catalogue planning, the words of the catalogue arrays,
// and the writing of arrays through the RAF library.
#include "tools/model_writer.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <set>
#include <system_error>

#include "dms/name_code.h"
#include "raflib/raflib.h"
#include "recall/catalogue.h"

namespace raf_tools {
namespace {

constexpr int32_t kNumrafWords = static_cast<int32_t>(recall::numraf::kLength);
constexpr int32_t kFirstUserNumber = recall::kFirstUserNumber;
/// Highest array number a planned catalogue may reach (KEYRAF is held in
/// memory whole).
constexpr int32_t kMaxArrayNumber = 1'000'000;
constexpr int32_t kPointerDivisor = 100;
constexpr int32_t kCatalogueArrays = 3;
constexpr int32_t kUsedRecordWords = recall::kRecordLength;
/// Largest number the key record's eight-digit fields hold.
constexpr int64_t kMaxKey = 99'999'999;

/// Words the in-core store gives an array of `entry` (for the notional
/// pointers of KEYRAF word 10).
int64_t words_of(int32_t length, int32_t words_per_element) {
  return static_cast<int64_t>(std::max(length, 0)) * std::max(words_per_element, 1);
}

/// The pointer of an array placed at word `next` of a notional in-core
/// store, in units of its element size, and the first word after it.
int32_t place(int64_t& next, int32_t length, int32_t words_per_element) {
  int64_t pointer = next;
  if (words_per_element == 2) {
    if (next % 2 == 0) ++next;  // two-word elements start on an odd word
    pointer = (next - 1) / 2 + 1;
  }
  next += words_of(length, words_per_element);
  return static_cast<int32_t>(std::min<int64_t>(pointer, std::numeric_limits<int32_t>::max()));
}

int32_t pointer_word(int32_t pointer) {
  return std::max(1, pointer / kPointerDivisor);
}

std::string raf_error(std::string_view what, int32_t ierr) {
  return std::string(what) + ": RAF library error " + std::to_string(ierr);
}

/// Element count of a set of values for a data type; -1 for an "I8" set
/// with an odd number of integers.
int64_t element_count(const ArrayValues& values, const DataTypeInfo& info) {
  if (!info.integers) return static_cast<int64_t>(values.reals.size());
  const auto n = static_cast<int64_t>(values.ints.size());
  if (n % info.file_elements_per_element != 0) return -1;
  return n / info.file_elements_per_element;
}

bool has_values(const ArrayValues& values) {
  return !values.ints.empty() || !values.reals.empty();
}

}  // namespace

// ---- vocabulary ---------------------------------------------------------------

std::optional<int32_t> store_type_code(std::string_view word) {
  const auto type = recall::decode_store_type(word);
  if (!type) return std::nullopt;
  return static_cast<int32_t>(type->code);
}

std::optional<DataTypeInfo> data_type_info(std::string_view word) {
  const auto type = recall::decode_data_type(word);
  if (!type) return std::nullopt;
  DataTypeInfo info{static_cast<int32_t>(type->code), type->words_per_element, type->re_flag};
  switch (type->code) {
    case recall::DataType::kSingle:
      info.file_type = FileType::kReal;
      info.integers = false;
      break;
    case recall::DataType::kDouble:
      info.file_type = type->re_flag != 0 ? FileType::kReal : FileType::kDouble;
      info.integers = false;
      break;
    case recall::DataType::kInteger8:
      info.file_elements_per_element = 2;
      break;
    default:
      break;
  }
  return info;
}

std::string_view data_type_word(int32_t code, int32_t re_flag) {
  return recall::data_type_word(code, re_flag != 0 ? 1 : 0);
}

bool name_code(std::string_view name, int32_t& first, int32_t& second) {
  if (dms::encode_name(name, false, first, second) == dms::NameCodeResult::kOk && !name.empty()) {
    return true;
  }
  first = 0;
  second = 0;
  return false;
}

std::string decode_name(int32_t first, int32_t second) {
  if (first < 0 || second < 0) return {};
  dms::DecodedName name = dms::decode_name(first, second);
  return name.bad_char == 0 ? std::move(name.text) : std::string();
}

// ---- the catalogue ------------------------------------------------------------

const CatalogueEntry* Catalogue::find(std::string_view name) const {
  for (const CatalogueEntry& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

CatalogueEntry* Catalogue::find(std::string_view name) {
  for (CatalogueEntry& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

recall::KeyBlocks Catalogue::key_blocks() const {
  return {structure_keys, result_keys, restart_keys, key_base};
}

int32_t Catalogue::structure_key(const CatalogueEntry& entry) const {
  if (!in_structure_block(entry.store_code) || entry.structure_index <= 0) return 0;
  return static_cast<int32_t>(recall::structure_block_start(key_blocks()) + entry.structure_index);
}

int32_t Catalogue::step_key(const CatalogueEntry& entry, int32_t step) const {
  if (step < 1) return 0;
  int64_t key = 0;
  if (in_result_block(entry.store_code) && entry.result_index > 0) {
    key = recall::result_block_start(key_blocks(), step) + entry.result_index;
  } else if (in_restart_block(entry.store_code) && entry.restart_index > 0) {
    key = recall::restart_block_start(key_blocks(), step) + entry.restart_index;
  }
  return key > kMaxKey ? 0 : static_cast<int32_t>(key);
}

CatalogueWords Catalogue::words() const {
  CatalogueWords w;
  const int32_t m = std::max(highest, 0);
  const int32_t r = std::max(record_length, 0);
  w.numraf.assign(kNumrafWords, 0);
  w.keyraf.assign(static_cast<std::size_t>(r) * static_cast<std::size_t>(m), 0);
  w.iarrnm.assign(2 * static_cast<std::size_t>(m), 0);
  w.keys = {key_base + 1, key_base + 2, key_base + 3};

  int32_t structure = kCatalogueArrays;
  int32_t result = 0;
  int32_t restart = 0;
  for (const CatalogueEntry& e : entries) {
    structure += in_structure_block(e.store_code) ? 1 : 0;
    result += in_result_block(e.store_code) ? 1 : 0;
    restart += in_restart_block(e.store_code) ? 1 : 0;
  }
  const auto put_numraf = [&w](int64_t word, int32_t value) {
    w.numraf[static_cast<std::size_t>(word - 1)] = value;
  };
  put_numraf(recall::numraf::kStructureCount, structure);
  put_numraf(recall::numraf::kResultCount, result);
  put_numraf(recall::numraf::kRestartCount, restart);
  put_numraf(recall::numraf::kStructureSize, structure_keys);
  put_numraf(recall::numraf::kResultSize, result_keys);
  put_numraf(recall::numraf::kRestartSize, restart_keys);
  put_numraf(recall::numraf::kRecordLength, record_length);
  put_numraf(recall::numraf::kHighestNumber, highest);
  put_numraf(recall::numraf::kLongestName, recall::kMaxNameLength);
  put_numraf(recall::numraf::kKeyBase, key_base);
  put_numraf(recall::numraf::kPointerDivisor, kPointerDivisor);

  const auto put_record = [&](int32_t number, const std::array<int32_t, kUsedRecordWords>& rec) {
    if (number < 1 || number > m) return;
    const std::size_t base = static_cast<std::size_t>(number - 1) * static_cast<std::size_t>(r);
    for (int32_t k = 0; k < std::min(r, kUsedRecordWords); ++k) {
      w.keyraf[base + static_cast<std::size_t>(k)] = rec[static_cast<std::size_t>(k)];
    }
  };
  const auto put_name = [&](int32_t number, std::string_view name) {
    if (number < 1 || number > m) return;
    int32_t first = 0;
    int32_t second = 0;
    if (!name_code(name, first, second)) return;
    w.iarrnm[2 * static_cast<std::size_t>(number) - 2] = first;
    w.iarrnm[2 * static_cast<std::size_t>(number) - 1] = second;
  };

  for (const CatalogueEntry& e : entries) {
    put_record(e.number,
               {e.type_code, e.words_per_element, e.length, e.store_code, e.structure_index,
                e.result_index, e.restart_index, e.re_flag, 0, e.pointer_word});
    put_name(e.number, e.name);
  }

  // The catalogue arrays lie at the bottom of the notional in-core store.
  const std::array<std::string_view, 3> names = {recall::kNumrafName, recall::kKeyrafName,
                                                 recall::kIarrnmName};
  const std::array<int32_t, 3> lengths = {kNumrafWords, r * m, 2 * m};
  int64_t next = 1;
  for (int32_t k = 0; k < kCatalogueArrays; ++k) {
    const int32_t number = m - kCatalogueArrays + 1 + k;
    const int32_t pointer = place(next, lengths[static_cast<std::size_t>(k)], 1);
    put_record(number, {1, 1, lengths[static_cast<std::size_t>(k)], kStoreCatalogue, k + 1, 0, 0, 0,
                        0, pointer_word(pointer)});
    put_name(number, names[static_cast<std::size_t>(k)]);
  }
  return w;
}

bool plan_catalogue(std::span<const CataloguedArray> arrays, int32_t steps,
                    const CatalogueOptions& options, Catalogue& catalogue, std::string& error) {
  if (steps < 0 || options.key_base < 0 || options.record_length < 1 ||
      options.record_length > 1000 || options.spare_numbers > kMaxArrayNumber ||
      options.spare_structure_keys < 0 || options.spare_result_keys < 0 ||
      options.spare_restart_keys < 0 || options.spare_numbers < 0 || options.spare_keys < 0) {
    error = "negative step count, key base or spare count, or a record length outside 1..1000";
    return false;
  }
  Catalogue c;
  c.key_base = options.key_base;
  c.record_length = options.record_length;
  c.steps = steps;

  std::set<std::string> names;
  std::set<int32_t> numbers;
  for (const CataloguedArray& a : arrays) {
    int32_t first = 0;
    int32_t second = 0;
    if (!name_code(a.name, first, second)) {
      error = "array name '" + a.name + "' is not 1 to 8 printable characters";
      return false;
    }
    if (!names.insert(a.name).second) {
      error = "array " + a.name + " is given twice";
      return false;
    }
    if (a.number != 0 && (a.number < kFirstUserNumber || !numbers.insert(a.number).second)) {
      error = "array " + a.name + ": number " + std::to_string(a.number) + " is below 11 or taken";
      return false;
    }
    if (a.length < 0) {
      error = "array " + a.name + ": negative length";
      return false;
    }
  }

  int32_t structure = kCatalogueArrays;
  int32_t result = 0;
  int32_t restart = 0;
  int32_t next_number = kFirstUserNumber;
  for (const CataloguedArray& a : arrays) {
    const auto store = store_type_code(a.store_type);
    if (!store) {
      error = "array " + a.name + ": unknown store type '" + a.store_type + "'";
      return false;
    }
    const auto data = data_type_info(a.data_type);
    if (!data) {
      error = "array " + a.name + ": unknown data type '" + a.data_type + "'";
      return false;
    }
    CatalogueEntry e;
    e.name = a.name;
    e.number = a.number;
    if (e.number == 0) {
      while (numbers.count(next_number) != 0) ++next_number;
      e.number = next_number++;
    }
    e.type_code = data->code;
    e.words_per_element = data->words_per_element;
    e.length = a.length;
    e.data_length = a.length;
    e.store_code = *store;
    e.re_flag = data->re_flag;
    e.data = *data;
    if (in_structure_block(e.store_code)) e.structure_index = ++structure;
    if (in_result_block(e.store_code)) e.result_index = ++result;
    if (in_restart_block(e.store_code)) e.restart_index = ++restart;
    c.entries.push_back(std::move(e));
  }

  int32_t top = kFirstUserNumber - 1;
  for (const CatalogueEntry& e : c.entries) top = std::max(top, e.number);
  if (static_cast<int64_t>(top) + options.spare_numbers + kCatalogueArrays > kMaxArrayNumber) {
    error = "array numbers would run past 1000000";
    return false;
  }
  c.highest = top + options.spare_numbers + kCatalogueArrays;
  c.structure_keys = structure + options.spare_structure_keys;
  c.result_keys = result + options.spare_result_keys;
  c.restart_keys = restart + options.spare_restart_keys;

  const int64_t last_key =
      std::max<int64_t>(static_cast<int64_t>(c.key_base) + kCatalogueArrays,
                        static_cast<int64_t>(c.key_base) + c.structure_keys +
                            static_cast<int64_t>(steps) * (c.result_keys + c.restart_keys)) +
      options.spare_keys;
  if (last_key > kMaxKey) {
    error = "the file would need more than 99999999 keys";
    return false;
  }
  c.mfp_max = static_cast<int32_t>(last_key);

  // Notional in-core pointers: the catalogue arrays first, then the user
  // arrays in number order.
  int64_t next =
      1 + kNumrafWords + static_cast<int64_t>(c.record_length) * c.highest + 2 * int64_t{c.highest};
  std::vector<CatalogueEntry*> by_number;
  for (CatalogueEntry& e : c.entries) by_number.push_back(&e);
  std::sort(by_number.begin(), by_number.end(),
            [](const CatalogueEntry* a, const CatalogueEntry* b) { return a->number < b->number; });
  for (CatalogueEntry* e : by_number) {
    if (e->store_code == kStoreSkip) continue;
    e->pointer_word = pointer_word(place(next, e->length, e->words_per_element));
  }

  catalogue = std::move(c);
  return true;
}

// ---- writing -------------------------------------------------------------------

RafWriter::RafWriter(Catalogue catalogue, WriterSettings settings)
    : catalogue_(std::move(catalogue)), settings_(std::move(settings)) {}

RafWriter::~RafWriter() {
  close();
}

void RafWriter::close() {
  if (!open_) return;
  int32_t ierr = 0;
  raflib::RAFCLS(settings_.unit, ierr);
  open_ = false;
}

bool RafWriter::create(const std::filesystem::path& file, std::string& error) {
  if (open_) {
    error = "a file is already being written";
    return false;
  }
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) {
    error = file.string() + " is a directory";
    return false;
  }
  std::filesystem::remove(file, ec);
  if (ec) {
    error = "cannot replace " + file.string() + ": " + ec.message();
    return false;
  }
  raflib::RAFINI(settings_.message_unit);
  std::string name = file.string();
  int32_t ierr = 0;
  raflib::RAFNEW(settings_.unit, name, "N", catalogue_.mfp_max, ierr);
  if (ierr < 0) {
    error = raf_error("cannot create " + file.string(), ierr);
    return false;
  }
  file_ = file;
  open_ = true;
  return true;
}

bool RafWriter::write_ints(int32_t key, std::span<const int32_t> values, std::string_view what,
                           std::string& error) {
  if (!open_) {
    error = "no file created";
    return false;
  }
  int32_t ierr = 0;
  raflib::RAFPIN(values, static_cast<int32_t>(values.size()), key, settings_.unit, ierr);
  if (ierr < 0) {
    error = raf_error(std::string(what) + " (key " + std::to_string(key) + ")", ierr);
    return false;
  }
  return true;
}

bool RafWriter::write_reals(int32_t key, FileType type, std::span<const double> values,
                            std::string_view what, std::string& error) {
  if (!open_) {
    error = "no file created";
    return false;
  }
  int32_t ierr = 0;
  const auto n = static_cast<int32_t>(values.size());
  if (type == FileType::kReal) {
    std::vector<float> narrow(values.begin(), values.end());
    raflib::RAFPRE(std::span<const float>(narrow), n, key, settings_.unit, ierr);
  } else if (type == FileType::kDouble) {
    raflib::RAFPDP(values, n, key, settings_.unit, ierr);
  } else {
    error = std::string(what) + ": reals cannot be written as integers";
    return false;
  }
  if (ierr < 0) {
    error = raf_error(std::string(what) + " (key " + std::to_string(key) + ")", ierr);
    return false;
  }
  return true;
}

bool RafWriter::put_entry(const CatalogueEntry* entry, std::string_view name, int32_t key,
                          std::span<const int32_t> ints, std::span<const double> reals,
                          bool as_ints, std::string& error) {
  if (entry == nullptr) {
    error = "array " + std::string(name) + " is not catalogued";
    return false;
  }
  if (key <= 0) {
    error = "array " + std::string(name) + " has no key there";
    return false;
  }
  if (entry->data.integers != as_ints) {
    error =
        "array " + std::string(name) + " holds " + (entry->data.integers ? "integers" : "reals");
    return false;
  }
  const int64_t expected =
      static_cast<int64_t>(entry->data_length) * entry->data.file_elements_per_element;
  const auto given = static_cast<int64_t>(as_ints ? ints.size() : reals.size());
  if (given != expected) {
    error = "array " + std::string(name) + ": " + std::to_string(given) + " values given, " +
            std::to_string(expected) + " expected";
    return false;
  }
  return as_ints ? write_ints(key, ints, name, error)
                 : write_reals(key, entry->data.file_type, reals, name, error);
}

bool RafWriter::put(std::string_view name, std::span<const int32_t> values, std::string& error) {
  const CatalogueEntry* e = catalogue_.find(name);
  return put_entry(e, name, e ? catalogue_.structure_key(*e) : 0, values, {}, true, error);
}

bool RafWriter::put(std::string_view name, std::span<const double> values, std::string& error) {
  const CatalogueEntry* e = catalogue_.find(name);
  return put_entry(e, name, e ? catalogue_.structure_key(*e) : 0, {}, values, false, error);
}

bool RafWriter::put_step(std::string_view name, int32_t step, std::span<const int32_t> values,
                         std::string& error) {
  const CatalogueEntry* e = catalogue_.find(name);
  if (step < 1 || step > catalogue_.steps) {
    error = "array " + std::string(name) + ": step " + std::to_string(step) + " is outside the " +
            std::to_string(catalogue_.steps) + " steps laid out";
    return false;
  }
  return put_entry(e, name, e ? catalogue_.step_key(*e, step) : 0, values, {}, true, error);
}

bool RafWriter::put_step(std::string_view name, int32_t step, std::span<const double> values,
                         std::string& error) {
  const CatalogueEntry* e = catalogue_.find(name);
  if (step < 1 || step > catalogue_.steps) {
    error = "array " + std::string(name) + ": step " + std::to_string(step) + " is outside the " +
            std::to_string(catalogue_.steps) + " steps laid out";
    return false;
  }
  return put_entry(e, name, e ? catalogue_.step_key(*e, step) : 0, {}, values, false, error);
}

bool RafWriter::put_key(int32_t key, std::span<const int32_t> values, std::string& error) {
  return write_ints(key, values, "key " + std::to_string(key), error);
}

bool RafWriter::put_key(int32_t key, FileType type, std::span<const double> values,
                        std::string& error) {
  return write_reals(key, type, values, "key " + std::to_string(key), error);
}

bool RafWriter::finish(std::string& error) {
  if (!open_) {
    error = "no file created";
    return false;
  }
  if (settings_.write_catalogue) {
    CatalogueWords w = catalogue_.words();
    if (settings_.edit_catalogue) settings_.edit_catalogue(w);
    if (!write_ints(w.keys[0], w.numraf, "NUMRAF", error) ||
        !write_ints(w.keys[1], w.keyraf, "KEYRAF", error) ||
        !write_ints(w.keys[2], w.iarrnm, "IARRNM", error)) {
      close();
      return false;
    }
  }
  int32_t ierr = 0;
  raflib::RAFCLS(settings_.unit, ierr);
  open_ = false;
  if (ierr < 0) {
    error = raf_error("cannot close " + file_.string(), ierr);
    return false;
  }
  return true;
}

// ---- a model in memory -----------------------------------------------------------

bool write_model(const std::filesystem::path& file, std::span<const ModelArray> arrays,
                 const CatalogueOptions& options, const WriterSettings& settings,
                 std::string& error) {
  std::vector<CataloguedArray> planned;
  std::size_t steps = 0;
  for (const ModelArray& a : arrays) {
    const auto store = store_type_code(a.store_type);
    const auto data = data_type_info(a.data_type);
    if (!store || !data) {
      error = "array " + a.name + ": unknown store type '" + a.store_type + "' or data type '" +
              a.data_type + "'";
      return false;
    }
    const bool structure_copy = in_structure_block(*store);
    const bool step_copies = in_result_block(*store) || in_restart_block(*store);
    if ((!structure_copy && has_values(a.values)) || (!step_copies && !a.steps.empty())) {
      error = "array " + a.name + ": values given for a block it has no key in";
      return false;
    }
    // Every set of values must have one length.
    int64_t length = -1;
    const auto agree = [&](const ArrayValues& v) {
      const int64_t n = element_count(v, *data);
      if (n < 0 || (length >= 0 && n != length)) return false;
      length = n;
      return true;
    };
    bool same = !structure_copy || agree(a.values);
    for (const ArrayValues& v : a.steps) same = same && agree(v);
    if (!same || length > std::numeric_limits<int32_t>::max()) {
      error = "array " + a.name + ": its sets of values differ in length";
      return false;
    }
    planned.push_back(
        {a.name, a.store_type, a.data_type, static_cast<int32_t>(std::max<int64_t>(length, 0)), 0});
    steps = std::max(steps, a.steps.size());
  }

  Catalogue catalogue;
  if (!plan_catalogue(planned, static_cast<int32_t>(steps), options, catalogue, error))
    return false;
  for (const ModelArray& a : arrays) {
    if (a.catalogue_length >= 0) catalogue.find(a.name)->length = a.catalogue_length;
  }

  RafWriter writer(std::move(catalogue), settings);
  if (!writer.create(file, error)) return false;
  for (const ModelArray& a : arrays) {
    if (!a.write) continue;
    const CatalogueEntry& e = *writer.catalogue().find(a.name);
    if (in_structure_block(e.store_code)) {
      const bool ok = e.data.integers ? writer.put(a.name, a.values.ints, error)
                                      : writer.put(a.name, a.values.reals, error);
      if (!ok) return false;
    }
    for (std::size_t s = 0; s < a.steps.size(); ++s) {
      const auto step = static_cast<int32_t>(s + 1);
      const bool ok = e.data.integers ? writer.put_step(a.name, step, a.steps[s].ints, error)
                                      : writer.put_step(a.name, step, a.steps[s].reals, error);
      if (!ok) return false;
    }
  }
  return writer.finish(error);
}

}  // namespace raf_tools
