#include "raf_writer.h"

#include <algorithm>
#include <cstddef>

#include "raflib/raflib.h"
#include "recall/catalogue.h"
#include "tools/model_writer.h"

namespace recall_test {
namespace {

// Keys past the last one the key blocks use (room a file always has).
constexpr int32_t kSpareKeys = 5;

bool put_values(raf_tools::RafWriter& writer, const RafArray& a, const RafValues& v, int32_t step,
                std::string& error) {
  const bool ints = raf_tools::data_type_info(a.data)->integers;
  if (step == 0) {
    return ints ? writer.put(a.name, v.ints, error) : writer.put(a.name, v.reals, error);
  }
  return ints ? writer.put_step(a.name, step, v.ints, error)
              : writer.put_step(a.name, step, v.reals, error);
}

}  // namespace

bool write_raf(const std::string& path, const RafModel& model) {
  std::vector<raf_tools::CataloguedArray> planned;
  for (const RafArray& a : model.arrays) planned.push_back({a.name, a.store, a.data, a.length, 0});
  const auto n = static_cast<int32_t>(model.arrays.size());
  const int32_t natural = recall::kFirstUserNumber - 1 + n + 3;
  raf_tools::CatalogueOptions options;
  options.record_length = model.record_length.value_or(recall::kRecordLength);
  options.spare_keys = kSpareKeys;
  // A highest number that leaves room for the arrays and stays sensible
  // sizes KEYRAF and IARRNM; any other is only stated in NUMRAF.
  const int32_t highest = model.highest.value_or(natural);
  if (highest > natural && int64_t{highest} * options.record_length <= 100000) {
    options.spare_numbers = highest - natural;
  }
  raf_tools::Catalogue catalogue;
  std::string error;
  if (!raf_tools::plan_catalogue(planned, model.steps, options, catalogue, error)) return false;
  for (std::size_t k = 0; k < model.arrays.size(); ++k) {
    const RafArray& a = model.arrays[k];
    raf_tools::CatalogueEntry& e = catalogue.entries[k];
    if (a.catalogue_words_per_element != 0) e.words_per_element = a.catalogue_words_per_element;
    e.length = a.catalogue_length.value_or(a.length);
    e.pointer_word = 0;  // as the analysis leaves it
  }
  raf_tools::WriterSettings settings;
  settings.edit_catalogue = [&](raf_tools::CatalogueWords& words) {
    // A record shorter than the standard one (a damaged catalogue) has no
    // pointer word to clear.
    const int32_t r = options.record_length;
    if (r >= recall::keyraf::kPointer) {
      for (std::size_t j = 0; j < words.keyraf.size() / static_cast<std::size_t>(r); ++j) {
        words.keyraf[j * static_cast<std::size_t>(r) + recall::keyraf::kPointer - 1] = 0;
      }
    }
    words.numraf[recall::numraf::kHighestNumber - 1] = highest;
    if (model.key_base) words.numraf[recall::numraf::kKeyBase - 1] = *model.key_base;
  };
  int32_t ierr = 0;
  raflib::RFRSET(ierr);
  raflib::RAFINI(0);
  raf_tools::RafWriter writer(std::move(catalogue), settings);
  if (!writer.create(path, error)) return false;
  for (const RafArray& a : model.arrays) {
    const int32_t code = raf_tools::store_type_code(a.store).value_or(0);
    if (raf_tools::in_structure_block(code) && !put_values(writer, a, a.structure, 0, error)) {
      return false;
    }
    const auto steps = std::min<std::size_t>(a.steps.size(), static_cast<std::size_t>(model.steps));
    for (std::size_t s = 0; s < steps; ++s) {
      if ((raf_tools::in_result_block(code) || raf_tools::in_restart_block(code)) &&
          !put_values(writer, a, a.steps[s], static_cast<int32_t>(s) + 1, error)) {
        return false;
      }
    }
  }
  return writer.finish(error);
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
