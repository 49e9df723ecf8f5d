#include "driver/part_exports.h"

#include <array>
#include <cstdio>
#include <utility>

#include "exports/record.h"
#include "platform/local_time.h"

namespace driver {
namespace {

namespace format = campaign::format;

}  // namespace

std::string page_date() {
  const platform::LocalTime now = platform::local_time_now();
  std::array<char, 32> date{};
  std::snprintf(date.data(), date.size(), "%04d-%02d-%02d %02d:%02d", now.year, now.month, now.day,
                now.hour, now.minute);
  return date.data();
}

void add_export_sections(const exports::Collector::Kept& kept, campaign::FileRecord& record) {
  if (kept.contribution) {
    record.sections.push_back({format::kExportSection, exports::encode(*kept.contribution)});
  }
  if (kept.frame) record.sections.push_back({format::kFrameSection, exports::encode(*kept.frame)});
}

bool feed_exports(const campaign::FileRecord& record, int32_t position,
                  exports::Collector& collector, bool frame, std::string& error) {
  const campaign::Section* data = campaign::find_section(record.sections, format::kExportSection);
  if (data == nullptr) return true;
  exports::Contribution contribution;
  if (!exports::decode(data->bytes, contribution, error)) return false;
  contribution.file.position = position;
  std::optional<exports::FrameModel> model;
  const campaign::Section* drawing = campaign::find_section(record.sections, format::kFrameSection);
  if (frame && drawing != nullptr) {
    model.emplace();
    if (!exports::decode(drawing->bytes, *model, error)) return false;
  }
  collector.add(std::move(contribution), std::move(model));
  return true;
}

bool exports_decode(const campaign::FileRecord& record, std::string& error) {
  exports::Contribution contribution;
  exports::FrameModel frame;
  const campaign::Section* data = campaign::find_section(record.sections, format::kExportSection);
  const campaign::Section* drawing = campaign::find_section(record.sections, format::kFrameSection);
  return (data == nullptr || exports::decode(data->bytes, contribution, error)) &&
         (drawing == nullptr || exports::decode(drawing->bytes, frame, error));
}

void add_part_sections(std::string_view list_file, int32_t history_ends,
                       campaign::RunHeader& header) {
  header.sections.push_back({format::kListSection, std::string(list_file)});
  std::string count(4, '\0');
  const auto u = static_cast<uint32_t>(history_ends);
  for (std::size_t k = 0; k < 4; ++k) count[k] = static_cast<char>((u >> (8 * k)) & 0xffU);
  header.sections.push_back({format::kExportSection, count});
}

std::string part_list_file(const campaign::RunHeader& header) {
  const campaign::Section* list = campaign::find_section(header.sections, format::kListSection);
  return list != nullptr ? list->bytes : std::string();
}

std::optional<int64_t> part_history_ends(const campaign::RunHeader& header) {
  const campaign::Section* count = campaign::find_section(header.sections, format::kExportSection);
  if (count == nullptr || count->bytes.size() != 4) return std::nullopt;
  uint32_t u = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    u |= uint32_t{static_cast<uint8_t>(count->bytes[k])} << (8 * k);
  }
  return u;
}

}  // namespace driver
