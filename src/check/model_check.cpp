// Checks of the model arrays before the passes read them, and the framed
// error that reports the first fault found.
//
// The arrays come from a RAF file and may be damaged or inconsistent.  Every
// index read from one array into another (geometry, material and node
// numbers, node-list positions, force positions) and every word read from a
// two-dimensional array is checked against the length of the array it
// reaches into, so that a bad file ends the pass with a message instead of a
// read outside an array.
#include <string>

#include "check/check_detail.h"
#include "layout/model_arrays.h"
#include "platform/units.h"
#include "textio/message_table.h"

namespace check::detail {
namespace {

// Detail lines of the faults; {A}, {B}, {C} are names, {0}, {1}, {2}, {3}
// numbers.
enum class Fault : int {
  kNegativeCount,
  kShortArray,
  kEntry,
  kNodeListStart,
  kNodeListOrder,
  kNodeListEnd,
  kNode,
  kWordOfElement,
  kWord,
  kBlockCapacity,
  kRecordLength,
  kSteps,
};

constexpr std::array<textio::Message<Fault>, 12> kFaultTexts = {{
    {Fault::kNegativeCount, "NEL is {0}"},
    {Fault::kShortArray, "{A} has {0} entries; NEL is {1}"},
    {Fault::kEntry, "{A} of element {0} is {1}; {B} has {2} {C}"},
    {Fault::kNodeListStart, "MPMNPC of element 1 is {0}; node lists start at 1"},
    {Fault::kNodeListOrder, "MPMNPC of element {0} is {1}; element {2} starts at {3}"},
    {Fault::kNodeListEnd, "MPMNPC of element {0} is {1}; MNPC has {2} entries"},
    {Fault::kNode, "MNPC of element {0} holds node {1}; TCOORD has {2} nodes"},
    {Fault::kWordOfElement, "{A} is {0}; element {1} needs word {2} of {B}"},
    {Fault::kWord, "{A} is {0}; word {1} of {B} is needed"},
    {Fault::kBlockCapacity, "NEL is {0}; the result block holds {1} element records"},
    {Fault::kRecordLength, "values per element is {0}; an element record needs 8"},
    {Fault::kSteps, "LSTSTO is {0}; {A} holds {1} steps of {2} words"},
}};
static_assert(textio::has_every_code_once(kFaultTexts));

struct Args {
  std::string_view names[3] = {};
  int64_t numbers[4] = {};
};

std::string detail_line(Fault fault, const Args& args) {
  const std::string_view form = textio::message_text(kFaultTexts, fault);
  std::string out;
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (form[i] == '{' && i + 2 < form.size() && form[i + 2] == '}') {
      const char key = form[i + 1];
      if (key >= 'A' && key <= 'C') {
        out += args.names[key - 'A'];
      } else if (key >= '0' && key <= '3') {
        out += std::to_string(args.numbers[key - '0']);
      }
      i += 2;
    } else {
      out += form[i];
    }
  }
  return out;
}

// Checks an index into an array of `entries` values (a column count, a node
// count or a length) for element `e`.
void check_index(std::string_view index_name, int32_t e, int64_t value, std::string_view array_name,
                 int64_t entries, std::string_view unit, ModelFault& fault) {
  if (value < 1 || value > entries) {
    fault.set(entry_detail(index_name, e, value, array_name, entries, unit));
  }
}

}  // namespace

void write_framed(int32_t output_unit, Text heading, std::string_view detail) {
  platform::write_record(output_unit, "");
  platform::write_record(output_unit, "  " + std::string(text(heading)));
  if (!detail.empty()) platform::write_record(output_unit, "      " + std::string(detail));
}

std::string block_capacity_detail(int32_t nel, int64_t capacity) {
  Args a;
  a.numbers[0] = nel;
  a.numbers[1] = capacity;
  return detail_line(Fault::kBlockCapacity, a);
}

std::string record_length_detail(int32_t values_per_element) {
  Args a;
  a.numbers[0] = values_per_element;
  return detail_line(Fault::kRecordLength, a);
}

std::string entry_detail(std::string_view index_name, int32_t e, int64_t value,
                         std::string_view array_name, int64_t entries, std::string_view unit) {
  Args a;
  a.names[0] = index_name;
  a.names[1] = array_name;
  a.names[2] = unit;
  a.numbers[0] = e;
  a.numbers[1] = value;
  a.numbers[2] = entries;
  return detail_line(Fault::kEntry, a);
}

std::string steps_detail(int32_t lststo, std::string_view array_name, int64_t steps,
                         int32_t mxglpr) {
  Args a;
  a.names[0] = array_name;
  a.numbers[0] = lststo;
  a.numbers[1] = steps;
  a.numbers[2] = mxglpr;
  return detail_line(Fault::kSteps, a);
}

std::string word_detail(std::string_view ld_name, int64_t ld, int64_t word,
                        std::string_view array_name) {
  Args a;
  a.names[0] = ld_name;
  a.names[1] = array_name;
  a.numbers[0] = ld;
  a.numbers[1] = word;
  return detail_line(Fault::kWord, a);
}

void check_length(std::string_view name, int64_t size, int64_t needed, int32_t nel,
                  ModelFault& fault) {
  if (size >= needed) return;
  Args a;
  a.names[0] = name;
  a.numbers[0] = size;
  a.numbers[1] = nel;
  fault.set(detail_line(Fault::kShortArray, a));
}

void check_word(const dms::Mat1<double>& array, std::string_view array_name,
                std::string_view ld_name, int64_t word, int64_t column, int32_t e,
                std::string_view index_name, ModelFault& fault) {
  if (fault.found()) return;
  if (array.ld() < word) {
    Args a;
    a.names[0] = ld_name;
    a.names[1] = array_name;
    a.numbers[0] = array.ld();
    a.numbers[1] = e;
    a.numbers[2] = word;
    fault.set(detail_line(Fault::kWordOfElement, a));
    return;
  }
  if (!array.contains(word, column)) {
    fault.set(
        entry_detail(index_name, e, column, array_name, array.size() / array.ld(), "columns"));
  }
}

void check_geometry(const PipeModel& m, ModelFault& fault) {
  if (fault.found()) return;
  if (m.nel < 0) {
    Args a;
    a.numbers[0] = m.nel;
    fault.set(detail_line(Fault::kNegativeCount, a));
    return;
  }
  check_length("MELTYP", m.meltyp.size(), m.nel, m.nel, fault);
  check_length("MELGEO", m.melgeo.size(), m.nel, m.nel, fault);
  if (m.nel == 0) return;  // nothing is read
  check_length("MPMNPC", m.mpmnpc.size(), int64_t{m.nel} + 1, m.nel, fault);
  if (fault.found()) return;

  // The node lists: start at 1, never run backwards, end inside MNPC.
  if (m.mpmnpc(1) < 1) {
    Args a;
    a.numbers[0] = m.mpmnpc(1);
    fault.set(detail_line(Fault::kNodeListStart, a));
    return;
  }
  for (int32_t e = 1; e <= m.nel; ++e) {
    if (m.mpmnpc(e + 1) < m.mpmnpc(e)) {
      Args a;
      a.numbers[0] = e + 1;
      a.numbers[1] = m.mpmnpc(e + 1);
      a.numbers[2] = e;
      a.numbers[3] = m.mpmnpc(e);
      fault.set(detail_line(Fault::kNodeListOrder, a));
      return;
    }
  }
  const int64_t mnpc_size = m.mnpc.size();
  if (m.mpmnpc(m.nel + 1) - 1 > mnpc_size) {
    Args a;
    a.numbers[0] = static_cast<int64_t>(m.nel) + 1;
    a.numbers[1] = m.mpmnpc(m.nel + 1);
    a.numbers[2] = mnpc_size;
    fault.set(detail_line(Fault::kNodeListEnd, a));
    return;
  }

  const int64_t nodes = node_count(m);
  const int64_t geometries = m.mgetyp.size();
  auto check_node = [&](int32_t e, int64_t position) {
    const int32_t n = m.mnpc(position);
    if (n < 1 || n > nodes) {
      Args a;
      a.numbers[0] = e;
      a.numbers[1] = n;
      a.numbers[2] = nodes;
      fault.set(detail_line(Fault::kNode, a));
    }
  };
  for (int32_t e = 1; e <= m.nel && !fault.found(); ++e) {
    if (m.meltyp(e) != kBeamElement) continue;
    check_index("MELGEO", e, m.melgeo(e), "MGETYP", geometries, "entries", fault);
    for (int64_t p = m.mpmnpc(e); p < m.mpmnpc(e + 1) && !fault.found(); ++p) check_node(e, p);
    if (fault.found() || m.mgetyp(m.melgeo(e)) != kPipeSection) continue;
    // The two end nodes of a pipe element (a list shorter than two reads on
    // into the next element's list, which must still lie inside MNPC).
    for (int64_t k = 0; k < 2 && !fault.found(); ++k) {
      const int64_t p = m.mpmnpc(e) + k;
      if (p > mnpc_size) {
        Args a;
        a.numbers[0] = e;
        a.numbers[1] = m.mpmnpc(e);
        a.numbers[2] = mnpc_size;
        fault.set(detail_line(Fault::kNodeListEnd, a));
      } else {
        check_node(e, p);
      }
    }
    namespace tcrgeo = layout::tcrgeo;
    for (const int64_t word : {tcrgeo::kDiameter, tcrgeo::kThickness, tcrgeo::kDiameterAtEnd2}) {
      check_word(m.tcrgeo, "TCRGEO", "MXGEPR", word, m.melgeo(e), e, "MELGEO", fault);
    }
  }
}

}  // namespace check::detail
