// Checks of the model arrays before the passes read them, and the framed
// error that reports the first fault found.
//
// The arrays come from a RAF file and may be damaged or inconsistent.  Every
// index read from one array into another (geometry, material and node
// numbers, node-list positions, force positions) and every word read from a
// two-dimensional array is checked against the length of the array it
// reaches into, so that a bad file ends the pass with a message instead of a
// read outside an array.
#include <initializer_list>
#include <string>

#include "check/check_detail.h"
#include "layout/model_arrays.h"
#include "platform/units.h"
#include "textio/message_table.h"

namespace check::detail {
namespace {

// Detail lines of the faults, with their fields (textio/message_table.h).
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
    {Fault::kNegativeCount, "NEL is {1}"},
    {Fault::kShortArray, "{1} has {2} entries; NEL is {3}"},
    {Fault::kEntry, "{1} of element {2} is {3}; {4} has {5} {6}"},
    {Fault::kNodeListStart, "MPMNPC of element 1 is {1}; node lists start at 1"},
    {Fault::kNodeListOrder, "MPMNPC of element {1} is {2}; element {3} starts at {4}"},
    {Fault::kNodeListEnd, "MPMNPC of element {1} is {2}; MNPC has {3} entries"},
    {Fault::kNode, "MNPC of element {1} holds node {2}; TCOORD has {3} nodes"},
    {Fault::kWordOfElement, "{1} is {2}; element {3} needs word {4} of {5}"},
    {Fault::kWord, "{1} is {2}; word {3} of {4} is needed"},
    {Fault::kBlockCapacity, "NEL is {1}; the result block holds {2} element records"},
    {Fault::kRecordLength, "values per element is {1}; an element record needs 8"},
    {Fault::kSteps, "LSTSTO is {1}; {2} holds {3} steps of {4} words"},
}};
static_assert(textio::has_every_code_once(kFaultTexts));
static_assert(textio::fields_are_valid(kFaultTexts, 6));

std::string detail_line(Fault fault, std::initializer_list<textio::Arg> args) {
  return textio::fill(textio::message_text(kFaultTexts, fault), args);
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
  return detail_line(Fault::kBlockCapacity, {nel, capacity});
}

std::string record_length_detail(int32_t values_per_element) {
  return detail_line(Fault::kRecordLength, {values_per_element});
}

std::string entry_detail(std::string_view index_name, int32_t e, int64_t value,
                         std::string_view array_name, int64_t entries, std::string_view unit) {
  return detail_line(Fault::kEntry, {index_name, e, value, array_name, entries, unit});
}

std::string steps_detail(int32_t lststo, std::string_view array_name, int64_t steps,
                         int32_t mxglpr) {
  return detail_line(Fault::kSteps, {lststo, array_name, steps, mxglpr});
}

std::string word_detail(std::string_view ld_name, int64_t ld, int64_t word,
                        std::string_view array_name) {
  return detail_line(Fault::kWord, {ld_name, ld, word, array_name});
}

void check_length(std::string_view name, int64_t size, int64_t needed, int32_t nel,
                  ModelFault& fault) {
  if (size >= needed) return;
  fault.set(detail_line(Fault::kShortArray, {name, size, nel}));
}

void check_word(const dms::Mat1<double>& array, std::string_view array_name,
                std::string_view ld_name, int64_t word, int64_t column, int32_t e,
                std::string_view index_name, ModelFault& fault) {
  if (fault.found()) return;
  if (array.ld() < word) {
    fault.set(detail_line(Fault::kWordOfElement, {ld_name, array.ld(), e, word, array_name}));
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
    fault.set(detail_line(Fault::kNegativeCount, {m.nel}));
    return;
  }
  check_length("MELTYP", m.meltyp.size(), m.nel, m.nel, fault);
  check_length("MELGEO", m.melgeo.size(), m.nel, m.nel, fault);
  if (m.nel == 0) return;  // nothing is read
  check_length("MPMNPC", m.mpmnpc.size(), int64_t{m.nel} + 1, m.nel, fault);
  if (fault.found()) return;

  // The node lists: start at 1, never run backwards, end inside MNPC.
  if (m.mpmnpc(1) < 1) {
    fault.set(detail_line(Fault::kNodeListStart, {m.mpmnpc(1)}));
    return;
  }
  for (int32_t e = 1; e <= m.nel; ++e) {
    if (m.mpmnpc(e + 1) < m.mpmnpc(e)) {
      fault.set(detail_line(Fault::kNodeListOrder, {e + 1, m.mpmnpc(e + 1), e, m.mpmnpc(e)}));
      return;
    }
  }
  const int64_t mnpc_size = m.mnpc.size();
  if (m.mpmnpc(m.nel + 1) - 1 > mnpc_size) {
    fault.set(detail_line(Fault::kNodeListEnd,
                          {static_cast<int64_t>(m.nel) + 1, m.mpmnpc(m.nel + 1), mnpc_size}));
    return;
  }

  const int64_t nodes = node_count(m);
  const int64_t geometries = m.mgetyp.size();
  auto check_node = [&](int32_t e, int64_t position) {
    const int32_t n = m.mnpc(position);
    if (n < 1 || n > nodes) {
      fault.set(detail_line(Fault::kNode, {e, n, nodes}));
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
        fault.set(detail_line(Fault::kNodeListEnd, {e, m.mpmnpc(e), mnpc_size}));
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
