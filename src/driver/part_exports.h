// The outputs beside the report (--csv, --html, --history) as the records of
// worker processes and part files carry them: the file's contribution and
// frame in record sections, the list file and the recorded history in the
// run header of a part (layouts in campaign/part_format.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "campaign/part_file.h"
#include "exports/exports.h"

namespace driver {

/// The page's date line: the local time now, to the minute.
std::string page_date();

/// Adds the sections that carry `kept` to `record`.
void add_export_sections(const exports::Collector::Kept& kept, campaign::FileRecord& record);

/// Feeds the export data of `record`, if it has any, to `collector`, with
/// the frame when `frame`, as the file at list position `position`.  False
/// with `error` when the data do not decode (nothing is fed then).
[[nodiscard]] bool feed_exports(const campaign::FileRecord& record, int32_t position,
                                exports::Collector& collector, bool frame, std::string& error);

/// True when the export data of `record` (if any) decode; else false with
/// `error` saying what is wrong.
[[nodiscard]] bool exports_decode(const campaign::FileRecord& record, std::string& error);

/// The run-header sections of a part: the list file and the number of ends
/// whose history the records hold.
void add_part_sections(std::string_view list_file, int32_t history_ends,
                       campaign::RunHeader& header);
/// The list file a part's header names ("" when none).
std::string part_list_file(const campaign::RunHeader& header);
/// Ends per file whose history the part's records hold; nothing when the
/// records hold no export data.
std::optional<int64_t> part_history_ends(const campaign::RunHeader& header);

}  // namespace driver
