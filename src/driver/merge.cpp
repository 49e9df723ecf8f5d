#include "driver/merge.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <span>

#include "campaign/messages.h"
#include "driver/driver.h"
#include "driver/part_exports.h"
#include "driver/report.h"
#include "driver/result_blocks.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace driver {
namespace {

using campaign::FileRecord;
using campaign::Outcome;

bool reported(const FileRecord& r) {
  return r.outcome == Outcome::kChecked || r.outcome == Outcome::kPassFailed;
}

std::string hex_id(const campaign::RunIdentity& identity) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : identity.id) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

// Reads every record of every part in order; `visit` returns false to stop.
bool for_each_record(const std::vector<std::string>& parts,
                     const std::function<bool(FileRecord&)>& visit, std::string& error) {
  FileRecord record;
  for (const std::string& part : parts) {
    campaign::PartReader reader;
    if (!reader.open(part, error, false)) return false;
    while (reader.next(record, error)) {
      if (!visit(record)) return true;
    }
    if (!error.empty()) return false;
  }
  return true;
}

// The block of one record as block 1 of a table of one.
void load_block(const FileRecord& record, ResultBlocks& blocks) {
  const PreparedBlock block = blocks.prepare(1, record.nel);
  campaign::fill_block(record, std::span<double>(block.values.data(),
                                                 static_cast<std::size_t>(block.values.size())));
}

void write_banner(int unit) {
  platform::write_record(unit, "");
  platform::write_record(unit, "");
  for (const std::string& line : banner_lines()) platform::write_record(unit, line);
}

}  // namespace

bool read_part_list(const std::string& list, std::vector<std::string>& parts, std::string& error) {
  std::ifstream in(list);
  if (!in) {
    error = campaign::message(campaign::Text::kListCannotOpen, {list, std::strerror(errno)});
    return false;
  }
  for (std::string line; std::getline(in, line);) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) parts.push_back(line);
  }
  if (in.bad()) {
    error = campaign::message(campaign::Text::kListCannotRead, {list, std::strerror(errno)});
    return false;
  }
  return true;
}

bool plan_merge(const std::vector<std::string>& parts, MergePlan& plan, std::string& error,
                std::optional<std::size_t> export_history) {
  plan = MergePlan{};
  plan.parts = parts;
  std::map<std::string, std::string> identities;  // run id -> part
  std::string settings_part;
  int32_t width_all = 0;
  int32_t width_reported = 0;
  Outcome end_outcome = Outcome::kChecked;
  FileRecord record;
  for (const std::string& part : parts) {
    campaign::PartReader reader;
    if (!reader.open(part, error)) return false;
    const campaign::RunHeader& h = reader.header();
    const auto [seen, fresh] = identities.emplace(hex_id(h.identity), part);
    if (!fresh) {
      error = campaign::message(campaign::Text::kSamePart, {part, seen->second});
      return false;
    }
    if (part == parts.front()) {
      plan.header = h;
      plan.list_file = part_list_file(h);
    }
    if (export_history) {
      const std::optional<int64_t> held = part_history_ends(h);
      if (!held) {
        error = campaign::message(campaign::Text::kNoExports, {part});
        return false;
      }
      if (static_cast<uint64_t>(*held) < *export_history) {
        const std::string wanted = std::to_string(*export_history);
        error =
            campaign::message(campaign::Text::kFewHistories, {part, std::to_string(*held), wanted});
        return false;
      }
    }
    uint64_t in_part = 0;
    // The parts' step settings must check the same steps of every file.
    // The kind of the first file may differ: the settings' text of the run
    // comes from the first settled file, and a later part that began with a
    // file of the other kind wrote its own, which the merge leaves out as it
    // leaves out every later part's.
    if (h.first_kind != 0) {
      if (settings_part.empty()) {
        settings_part = part;
        plan.header = h;
      } else if (!h.same_steps(plan.header)) {
        error = campaign::message(campaign::Text::kOtherSettings, {part, settings_part});
        return false;
      }
    }
    while (reader.next(record, error)) {
      ++plan.files;
      ++in_part;
      if (export_history && !exports_decode(record, error)) {
        error =
            campaign::message(campaign::Text::kBadRecord, {part, std::to_string(in_part), error});
        return false;
      }
      if (plan.run_end != 0) continue;  // the run ended before this file
      width_all = std::max(width_all, record.list_line_length);
      switch (record.outcome) {
        case Outcome::kSkipped:
          plan.skipped.push_back({static_cast<int32_t>(plan.files), record.name});
          break;
        case Outcome::kRunEnded:
          plan.run_end = plan.files;
          end_outcome = record.outcome;
          plan.step_option_misfit =
              campaign::find_section(record.sections, campaign::format::kStepMisfitSection) !=
              nullptr;
          break;
        case Outcome::kPassFailed:
        case Outcome::kChecked:
          if (record.outcome == Outcome::kPassFailed) {
            plan.run_end = plan.files;
            end_outcome = record.outcome;
          }
          ++plan.reported;
          width_reported = std::max(width_reported, record.list_line_length);
          plan.last_nel = record.nel;
          plan.last_newlty = record.newlty;
          plan.last_melex = record.melex;
          break;
      }
    }
    if (!error.empty()) return false;
  }
  // A result pass that failed on the last file still gets its report.
  plan.report =
      plan.run_end == 0 || (plan.run_end == plan.files && end_outcome == Outcome::kPassFailed);
  // A run that skipped files reports its checked files alone, as though its
  // list held only those.
  plan.name_width = plan.skipped.empty() ? width_all : width_reported;
  return true;
}

MergeResult write_merge(
    const MergePlan& plan, int32_t sorted_list_length, int unit,
    const std::function<void(const std::vector<MergedSkip>&, int unit)>& write_skipped,
    std::optional<double> fail_above) {
  MergeResult result;
  write_banner(unit);

  // The files' text, up to the file that ends the run.
  int64_t index = 0;
  bool settings_written = false;
  if (!for_each_record(
          plan.parts,
          [&](FileRecord& r) {
            ++index;
            std::string_view text = r.output;
            const campaign::Stretch s = r.step_output;
            if (s.length == 0 || !settings_written) {
              platform::write_captured(unit, text);
            } else {
              platform::write_captured(unit, text.substr(0, s.offset));
              platform::write_captured(unit, text.substr(s.offset + s.length));
            }
            settings_written = settings_written || s.length != 0;
            return index != plan.run_end;
          },
          result.error)) {
    result.status = -1;
    return result;
  }
  if (plan.run_end != 0) result.status = -1;
  if (!plan.report) return result;

  // Without a checked file no NEWLTY was read: the time form is used.
  const int32_t kind = plan.reported >= 1 ? plan.last_newlty : 1;
  std::vector<int32_t> last_melex = plan.last_melex;
  const dms::Vec1<int32_t> melex(last_melex.data(), static_cast<int64_t>(last_melex.size()));
  ResultBlocks block(1);

  write_summary_heading(plan.name_width, kind, unit);
  int32_t file_no = 0;
  const bool summary_ok = for_each_record(
      plan.parts,
      [&](FileRecord& r) {
        if (!reported(r)) return true;
        load_block(r, block);
        SummaryTable row(1, SummaryRow{});
        SUMFIL(plan.last_nel, 1, block, melex, row);
        write_summary_line(++file_no, row[0], r.name, plan.name_width, unit);
        if (fail_above) {
          int64_t zero_records = r.nel - static_cast<int64_t>(r.elements.size());
          for (const campaign::ElementRecord& e : r.elements) {
            if (e.values[0] >= *fail_above) ++result.at_or_above;
          }
          if (0.0 >= *fail_above) result.at_or_above += zero_records;
        }
        return file_no != plan.reported;
      },
      result.error);

  std::vector<double> values;
  std::vector<int32_t> order;
  SortedListCarry carry;
  file_no = 0;
  const bool lists_ok =
      summary_ok && (sorted_list_length == 0 || plan.reported == 0 ||
                     for_each_record(
                         plan.parts,
                         [&](FileRecord& r) {
                           if (!reported(r)) return true;
                           load_block(r, block);
                           write_sorted_list(++file_no, plan.last_nel, block, 1, melex, values,
                                             order, sorted_list_length, r.name, kind, unit, carry);
                           return file_no != plan.reported;
                         },
                         result.error));
  if (!lists_ok) {
    result.status = -1;
    return result;
  }
  if (!plan.skipped.empty() && write_skipped) write_skipped(plan.skipped, unit);
  write_closing(unit);
  result.report = true;
  return result;
}

}  // namespace driver
