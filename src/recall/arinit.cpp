// The in-core catalogue of a fresh store: ARINIT predefines the known array
// names and creates NUMRAF, KEYRAF and IARRNM; ARMERG takes over the file's
// catalogue records name by name.
#include <algorithm>
#include <array>
#include <limits>

#include "dms/dms.h"
#include "recall/recall.h"
#include "recall/recall_detail.h"
#include "textio/textio.h"

namespace recall {
namespace {

using detail::Text;

/// Words per element under which the set-up predefines a name.
constexpr int32_t kPredefinedWords = 10;
/// Number of the catalogue arrays after the user numbers.
constexpr int32_t kCatalogueArrays = 3;

enum class Outcome : int { kDone = 0, kFailed = 1, kTooFewNumbers = 2 };

/// Name n of the table (1-based), cut to 8 characters and trimmed; empty
/// for a blank entry or one past the end of the table.
std::string_view table_name(ArrayNameTable names, int64_t n) {
  if (n < 1 || n > static_cast<int64_t>(names.size())) return {};
  const std::string_view name = names[static_cast<std::size_t>(n - 1)];
  return textio::trimmed(name.substr(0, std::min<std::size_t>(name.size(), kMaxNameLength)));
}

void report_too_few(int32_t unit, int64_t required, int64_t available) {
  detail::write_error_record(unit, "ARINIT");
  detail::write(unit, "");
  detail::write_detail(unit, {detail::text(Text::kTooFewNumbers)});
  detail::write_detail(unit, {detail::text(Text::kRequired), textio::int_field(required, 8)});
  detail::write_detail(unit, {detail::text(Text::kAvailable), textio::int_field(available, 8)});
}

struct CatalogueArray {
  std::string_view name;
  int64_t length = 0;
  int32_t number = 0;
  int32_t pointer = 0;
  dms::Vec1<int32_t> view{};
};
/// NUMRAF, KEYRAF and IARRNM, in this order.
using CatalogueArrays = std::array<CatalogueArray, kCatalogueArrays>;

// Predefines the table's names (when the caller gives the numbers) and
// defines the catalogue arrays.
void define_arrays(dms::IntView iw, ArrayNameTable names, int32_t narr, bool given,
                   const CatalogueArrays& arrays) {
  if (given) {
    for (int32_t n = kFirstUserNumber; n <= narr; ++n) {
      const std::string_view name = table_name(names, n);
      if (!name.empty()) dms::DMSDEF(iw, name, n, 0, kPredefinedWords, 0);
    }
  }
  for (const CatalogueArray& a : arrays) {
    dms::DMSDEF(iw, a.name, a.number, static_cast<int32_t>(a.length), 1, 0);
  }
}

// The storage of the catalogue arrays, in this order at the bottom of the
// work array, cleared; false when the store failed since status `before`.
bool place_arrays(dms::IntView iw, int32_t before, CatalogueArrays& arrays) {
  for (CatalogueArray& a : arrays) {
    a.pointer = dms::DMSPTR(iw, a.name, 0);
    a.number = dms::DMSNUM(iw, a.name, 0);
    const auto view = detail::array_view(iw, a.name, a.pointer);
    if (dms::DMSSTA(iw) < before || a.pointer == 0 || !view || view->size() != a.length) {
      return false;
    }
    a.view = *view;
    dms::clear_words(iw, a.pointer, a.length);
  }
  return true;
}

// The name codes of the predefined names and of the catalogue arrays.
void put_name_codes(dms::IntView iw, ArrayNameTable names, int32_t narr, bool given,
                    int32_t highest, const CatalogueArrays& arrays) {
  const dms::Vec1<int32_t> iarrnm = arrays[2].view;
  auto put_code = [&](int32_t n, std::string_view name) {
    if (n < 1 || n > highest) return;
    int32_t first = 0;
    int32_t second = 0;
    dms::DMSCOD(iw, name, 0, first, second);
    iarrnm(2 * static_cast<int64_t>(n) - 1) = first;
    iarrnm(2 * static_cast<int64_t>(n)) = second;
  };
  if (given) {
    for (int32_t n = kFirstUserNumber; n <= narr; ++n) {
      const std::string_view name = table_name(names, n);
      if (!name.empty()) put_code(n, name);
    }
  }
  for (const CatalogueArray& a : arrays) put_code(a.number, a.name);
}

Outcome initialise(dms::IntView iw, ArrayNameTable names, int32_t longest_name, int32_t narr,
                   int32_t numbering, int32_t unit) {
  if (longest_name > kMaxNameLength) return Outcome::kFailed;

  int32_t before = dms::DMSSTA(iw);
  dms::DMSANN(iw, numbering, 0, 0);
  if (dms::DMSSTA(iw) < before) return Outcome::kFailed;

  const int64_t required = static_cast<int64_t>(narr) + kCatalogueArrays;
  const int64_t available = dms::DMSPAR(iw, dms::kParameterNumbers);
  if (available < required) {
    report_too_few(unit, required, available);
    return Outcome::kTooFewNumbers;
  }
  if (narr < 0 || required * kRecordLength > std::numeric_limits<int32_t>::max()) {
    return Outcome::kFailed;
  }
  const auto highest = static_cast<int32_t>(required);

  before = dms::DMSSTA(iw);
  const bool given = numbering == 0;
  CatalogueArrays arrays = {{
      {kNumrafName, numraf::kLength, given ? narr + 1 : 0, 0},
      {kKeyrafName, static_cast<int64_t>(highest) * kRecordLength, given ? narr + 2 : 0, 0},
      {kIarrnmName, 2 * static_cast<int64_t>(highest), given ? narr + 3 : 0, 0},
  }};
  define_arrays(iw, names, narr, given, arrays);
  if (dms::DMSSTA(iw) < before || !place_arrays(iw, before, arrays)) return Outcome::kFailed;

  const dms::Vec1<int32_t> numraf = arrays[0].view;
  const dms::Vec1<int32_t> keyraf = arrays[1].view;
  numraf(numraf::kStructureCount) = 1;
  numraf(numraf::kRecordLength) = kRecordLength;
  numraf(numraf::kHighestNumber) = highest;
  numraf(numraf::kLongestName) = longest_name;
  numraf(numraf::kKeyBase) = kKeyBase;
  numraf(numraf::kPointerDivisor) = kKeyBase;

  int32_t failed = 0;
  for (std::size_t k = 0; k < arrays.size(); ++k) {
    if (k > 0) ++numraf(numraf::kStructureCount);
    const CatalogueArray& a = arrays[k];
    ARINFO(keyraf, a.number, store_word::kCatalogue, data_word::kInteger,
           static_cast<int32_t>(a.length), 1, kRecordLength, numraf, a.pointer, unit, failed);
  }
  if (failed != 0) return Outcome::kFailed;

  put_name_codes(iw, names, narr, given, highest, arrays);
  return dms::DMSSTA(iw) < before ? Outcome::kFailed : Outcome::kDone;
}

}  // namespace

void ARINIT(dms::IntView iw, ArrayNameTable names, int32_t longest_name, int32_t narr,
            int32_t numbering, MessageControl message_control, int32_t& status) {
  detail::Frame frame("ARINIT");
  const int32_t unit = message_control.size() >= 1 ? message_control(1) : 0;
  switch (initialise(iw, names, longest_name, narr, numbering, unit)) {
    case Outcome::kDone:
      break;
    case Outcome::kFailed:
      frame.error(-1);
      status = -1;
      break;
    case Outcome::kTooFewNumbers:
      detail::lower(status);
      break;
  }
  frame.hand_over(message_control, status);
}

void ARMERG(dms::Vec1<int32_t> file_iarrnm, dms::Vec1<int32_t> file_keyraf, int32_t file_highest,
            int32_t file_record_length, dms::Vec1<int32_t> iarrnm, dms::Vec1<int32_t> keyraf,
            int32_t narr) {
  if (file_record_length < 1) return;
  const int64_t copied = std::min<int64_t>(file_record_length, kRecordLength);
  for (int64_t i = 1; i <= narr; ++i) {
    if (!iarrnm.contains(2 * i) || !keyraf.contains(kRecordLength * i)) break;
    const int32_t first = iarrnm(2 * i - 1);
    const int32_t second = iarrnm(2 * i);
    if (first == 0 && second == 0) continue;
    for (int64_t j = 1; j <= file_highest && file_iarrnm.contains(2 * j); ++j) {
      const int32_t file_first = file_iarrnm(2 * j - 1);
      const int32_t file_second = file_iarrnm(2 * j);
      if ((file_first == 0 && file_second == 0) || file_first != first || file_second != second) {
        continue;
      }
      const int64_t from = static_cast<int64_t>(file_record_length) * (j - 1) + 1;
      if (from - 1 + copied <= file_keyraf.size()) {
        std::copy_n(file_keyraf.data() + (from - 1), copied,
                    keyraf.data() + kRecordLength * (i - 1));
      }
      break;
    }
  }
}

}  // namespace recall
