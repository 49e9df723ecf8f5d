#include "driver/report.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string_view>

#include "check/result_record.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace driver {
namespace {

namespace record = check::result_record;

// Running best of the summary scan: an element is chosen only above it.
constexpr double kSummaryStart = -1.0e7;
// Limit of the selection: the single-precision constant 1.0E35 widened, as
// the selection has always compared against it.
constexpr double kSelectLimit = static_cast<double>(1.0e35F);
// A step value above this marks a record that the result pass filled.
constexpr double kStepSet = 1.0e-9;

constexpr std::string_view kListRule = "# ===================================================";
constexpr std::string_view kListDash = "# ---------------------------------------------------";
constexpr std::string_view kClosing = "#   --------  e o f --------  ";

// Value of the external element number of position m, 0 outside MELEX.
int32_t external_number(dms::Vec1<int32_t> melex, int64_t m) {
  return melex.contains(m) ? melex(m) : 0;
}

bool time_form(int32_t newlty) {
  return newlty == 1;
}

}  // namespace

int32_t nearest_int(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::trunc(value >= 0.0 ? value + 0.5 : value - 0.5);
  constexpr double kLow = std::numeric_limits<int32_t>::min();
  constexpr double kHigh = std::numeric_limits<int32_t>::max();
  if (rounded <= kLow) return std::numeric_limits<int32_t>::min();
  if (rounded >= kHigh) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(rounded);
}

void SUMFIL(int32_t nel, int32_t nfiles, const ResultBlocks& blocks, dms::Vec1<int32_t> melex,
            SummaryTable& sumtab) {
  if (nfiles < 1) return;
  if (sumtab.size() < static_cast<std::size_t>(nfiles)) {
    sumtab.resize(static_cast<std::size_t>(nfiles), SummaryRow{});
  }
  for (int32_t i = 1; i <= nfiles; ++i) {
    SummaryRow& row = sumtab[static_cast<std::size_t>(i - 1)];
    double best = kSummaryStart;
    for (int32_t j = 1; j <= nel; ++j) {
      const double u = blocks.value(i, j, record::kUtilisation);
      if (!(u > best)) continue;
      best = u;
      row[0] = u;
      row[1] = std::trunc(blocks.value(i, j, record::kEnd));
      row[2] = std::trunc(blocks.value(i, j, record::kStep));
      for (int32_t k = record::kFirstUnset; k <= record::kDisplacement; ++k) {
        row[static_cast<std::size_t>(k - 1)] = blocks.value(i, j, k);
      }
      row[7] = static_cast<double>(external_number(melex, j));
    }
  }
}

void write_summary_heading(int32_t name_width, int32_t newlty, int unit) {
  const int width = name_width > 0 ? name_width : 0;
  platform::write_record(unit, "");
  platform::write_record(unit, "");
  std::string heading = "# File ";
  textio::put_text(heading, " Name ", width);
  heading +=
      time_form(newlty) ? "  pCakeUtil       Elem    Time  " : "  pCakeUtil       Elem    Level ";
  heading += "   GlbDisp";
  platform::write_record(unit, heading);
}

void write_summary_line(int32_t i, const SummaryRow& row, std::string_view stored_name,
                        int32_t name_width, int unit) {
  const int width = name_width > 0 ? name_width : 0;
  const int32_t length = textio::LENTRM(stored_name);
  const std::string_view name =
      length > 4 ? stored_name.substr(0, static_cast<std::size_t>(length - 4)) : std::string_view();
  std::string line;
  textio::put_int(line, i, 4);
  line += "  ";
  textio::put_text(line, name, width);
  textio::put_fixed(line, row[0], 10, 3);
  textio::put_int(line, nearest_int(row[7]), 12);
  textio::put_fixed(line, row[5], 10, 3);
  textio::put_fixed(line, row[6], 10, 3);
  platform::write_record(unit, line);
}

void write_summary(const SummaryTable& sumtab, int32_t nfiles,
                   const std::vector<std::string>& file_names, int32_t name_width, int32_t newlty,
                   int unit) {
  write_summary_heading(name_width, newlty, unit);
  for (int32_t i = 1; i <= nfiles; ++i) {
    const std::size_t row_index = static_cast<std::size_t>(i - 1);
    const SummaryRow row = row_index < sumtab.size() ? sumtab[row_index] : SummaryRow{};
    const std::string_view stored =
        row_index < file_names.size() ? std::string_view(file_names[row_index]) : "";
    write_summary_line(i, row, stored, name_width, unit);
  }
}

void SELSRT(dms::Vec1<double> values, dms::Vec1<int32_t> index, int32_t count, int32_t n,
            int32_t direction) {
  count = static_cast<int32_t>(std::clamp<int64_t>(count, 0, values.size()));
  n = static_cast<int32_t>(std::clamp<int64_t>(n, 0, std::min<int64_t>(count, index.size())));
  for (int32_t r = 1; r <= n; ++r) index(r) = 0;
  if (n == 0 || (direction != 1 && direction != -1)) return;

  // The selection takes, round by round, the best remaining value strictly
  // beyond the limit, the lowest position winning among equal values: that
  // is a stable sort of the rankable positions.  Positions it never takes
  // follow in their own order.
  std::vector<int32_t> order(static_cast<std::size_t>(count));
  std::iota(order.begin(), order.end(), 1);
  const auto rankable = [&](int32_t l) {
    return direction == 1 ? values(l) > -kSelectLimit : values(l) < kSelectLimit;
  };
  const auto rest = std::stable_partition(order.begin(), order.end(), rankable);
  if (direction == 1) {
    std::stable_sort(order.begin(), rest,
                     [&](int32_t a, int32_t b) { return values(a) > values(b); });
  } else {
    std::stable_sort(order.begin(), rest,
                     [&](int32_t a, int32_t b) { return values(a) < values(b); });
  }
  for (int32_t r = 1; r <= n; ++r) index(r) = order[static_cast<std::size_t>(r - 1)];
}

void write_sorted_list(int32_t file_no, int32_t nel, const ResultBlocks& blocks, int32_t block,
                       dms::Vec1<int32_t> melex, std::vector<double>& values,
                       std::vector<int32_t>& index, int32_t nsort, std::string_view name,
                       int32_t newlty, int unit, SortedListCarry& carry) {
  if (nsort == 0) return;
  const int32_t count = nel > 0 ? nel : 0;
  // -1 lists every element; a length below it is taken the same way.
  const int32_t n = nsort < 0 ? count : std::min(nsort, count);
  values.resize(static_cast<std::size_t>(count));
  index.resize(static_cast<std::size_t>(count));
  const dms::Vec1<double> value_list(values.data(), count);
  const dms::Vec1<int32_t> index_list(index.data(), count);

  for (int32_t j = 1; j <= count; ++j) {
    value_list(j) = blocks.value(block, j, record::kUtilisation);
    const double step = blocks.value(block, j, record::kStepValue);
    if (step > kStepSet) {
      carry.step_value = step;
      carry.load_case = nearest_int(blocks.value(block, j, record::kLoadCase));
      carry.displacement = blocks.value(block, j, record::kDisplacement);
    }
  }
  SELSRT(value_list, index_list, count, n, 1);

  platform::write_record(unit, "");
  platform::write_record(unit, "");
  platform::write_record(unit, kListRule);
  platform::write_record(
      unit, "# File no" + textio::int_field(file_no, 5) + "        :  " + std::string(name));
  platform::write_record(unit, kListDash);
  if (time_form(newlty)) {
    platform::write_record(
        unit, "  Highest Time        : " + textio::fixed_field(carry.step_value, 10, 3));
  } else {
    platform::write_record(unit,
                           "  Load Case           : " + textio::int_field(carry.load_case, 10));
    platform::write_record(
        unit, "  Highest Load Level  : " + textio::fixed_field(carry.step_value, 10, 3));
  }
  platform::write_record(
      unit, "  Global Displacement : " + textio::fixed_field(carry.displacement, 10, 3));
  platform::write_record(unit, "");
  platform::write_record(unit, time_form(newlty) ? "        Elem    pCakeUtil  Time    "
                                                 : "        Elem    pCakeUtil  Level   ");

  std::string line;
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t m = index_list(k);
    const double step = blocks.value(block, m, record::kStepValue);
    line.clear();
    textio::put_int(line, external_number(melex, m), 12);
    textio::put_fixed(line, value_list(m), 10, 3);
    textio::put_fixed(line, step, 10, 3);
    platform::write_record(unit, line);
    carry.step_value = step;
  }
}

void SRTLST(int32_t nel, int32_t nfiles, const ResultBlocks& blocks, dms::Vec1<int32_t> melex,
            std::vector<double>& values, std::vector<int32_t>& index, int32_t nsort,
            const std::vector<std::string>& file_names, int32_t newlty, int unit) {
  if (nsort == 0 || nfiles < 1) return;
  const int32_t count = nel > 0 ? nel : 0;
  values.assign(static_cast<std::size_t>(count), 0.0);
  index.assign(static_cast<std::size_t>(count), 0);
  SortedListCarry carry;
  for (int32_t i = 1; i <= nfiles; ++i) {
    const std::size_t name_index = static_cast<std::size_t>(i - 1);
    const std::string_view name =
        name_index < file_names.size() ? textio::trimmed(file_names[name_index]) : "";
    write_sorted_list(i, nel, blocks, i, melex, values, index, nsort, name, newlty, unit, carry);
  }
}

void write_skipped(std::span<const SkippedFile> skipped, int unit) {
  if (skipped.empty()) return;
  platform::write_record(unit, "");
  platform::write_record(unit, "");
  platform::write_record(unit, kListRule);
  platform::write_record(unit, "# Files skipped, not checked :" +
                                   textio::int_field(static_cast<int64_t>(skipped.size()), 6));
  platform::write_record(unit, kListDash);
  platform::write_record(unit, "#  List no  Name");
  for (const SkippedFile& file : skipped) {
    platform::write_record(unit, textio::int_field(file.position, 10) + "  " + file.name);
  }
}

void write_closing(int unit) {
  platform::write_record(unit, "");
  platform::write_record(unit, kClosing);
}

void write_report(const ResultBlocks& blocks, int32_t nfiles,
                  const std::vector<std::string>& file_names, int32_t longest_name,
                  int32_t sorted_list_length, int32_t nel, dms::Vec1<int32_t> melex, int32_t newlty,
                  int unit, std::span<const SkippedFile> skipped) {
  // Without a file no NEWLTY was read: the time form is used.
  const int32_t kind = nfiles >= 1 ? newlty : 1;
  SummaryTable sumtab(static_cast<std::size_t>(nfiles > 0 ? nfiles : 0), SummaryRow{});
  SUMFIL(nel, nfiles, blocks, melex, sumtab);
  write_summary(sumtab, nfiles, file_names, longest_name, kind, unit);
  std::vector<double> values;
  std::vector<int32_t> index;
  SRTLST(nel, nfiles, blocks, melex, values, index, sorted_list_length, file_names, kind, unit);
  write_skipped(skipped, unit);
  write_closing(unit);
}

}  // namespace driver
