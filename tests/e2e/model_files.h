// RAF files the end-to-end suites write through the model writer: the
// arrays of a model text, and a file whose result pass fails.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/model_text.h"
#include "tools/model_writer.h"

namespace e2e_files {

/// The model arrays of a model text, as mkraf derives them.
inline std::vector<raf_tools::ModelArray> arrays_of(const std::string& text) {
  raf_tools::Model model;
  raf_tools::ParseError error;
  EXPECT_TRUE(raf_tools::parse_model_text(text, model, error)) << error.line << error.message;
  return raf_tools::derive_arrays(model, {});
}

/// Writes `arrays` as a RAF file, leaving out the values of array `skip` in
/// step `skip_step` (its key is catalogued, nothing is stored under it).
inline bool write_without_step(const std::filesystem::path& file,
                               const std::vector<raf_tools::ModelArray>& arrays,
                               const std::string& skip, int skip_step, std::string& error) {
  std::vector<raf_tools::CataloguedArray> planned;
  int steps = 0;
  for (const auto& a : arrays) {
    const auto data = raf_tools::data_type_info(a.data_type);
    const raf_tools::ArrayValues& v = a.steps.empty() ? a.values : a.steps.front();
    const std::size_t n = data->integers ? v.ints.size() : v.reals.size();
    planned.push_back({a.name, a.store_type, a.data_type, static_cast<int32_t>(n), 0});
    steps = std::max(steps, static_cast<int>(a.steps.size()));
  }
  raf_tools::Catalogue catalogue;
  if (!raf_tools::plan_catalogue(planned, steps, {}, catalogue, error)) return false;
  raf_tools::RafWriter writer(std::move(catalogue));
  if (!writer.create(file, error)) return false;
  for (const auto& a : arrays) {
    const bool ints = raf_tools::data_type_info(a.data_type)->integers;
    if (raf_tools::in_structure_block(*raf_tools::store_type_code(a.store_type))) {
      if (!(ints ? writer.put(a.name, a.values.ints, error)
                 : writer.put(a.name, a.values.reals, error))) {
        return false;
      }
    }
    for (std::size_t s = 0; s < a.steps.size(); ++s) {
      const int step = static_cast<int>(s) + 1;
      if (a.name == skip && step == skip_step) continue;
      if (!(ints ? writer.put_step(a.name, step, a.steps[s].ints, error)
                 : writer.put_step(a.name, step, a.steps[s].reals, error))) {
        return false;
      }
    }
  }
  return writer.finish(error);
}

}  // namespace e2e_files
