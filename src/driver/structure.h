// Structure parameters: reading a named parameter (NEL, NEWLTY, ...) out of
// the structure-control array MSTRU, and the search of a name-indexed
// integer table.
//
// MSTRU has two layouts, told apart by its first word.  First word >= 0:
// fixed layout, parameter k of the built-in table is word k.  First word < 0:
// indexed layout, word 2 holds an offset c and a name-indexed table starts at
// word c+1; a name at position i of that table has its value in word i.
//
// Name-indexed table (words of the table, 1-based):
//   1      capacity (names the table can hold)
//   2      message unit of the search; the screen when <= 0
//   3      names held
//   4      1 = the searched name is folded to upper case first
//   5      in MSTRU's table: non-zero = a missing parameter is not an error
//   2i+4, 2i+5   name code of name i
#pragma once

#include <cstdint>
#include <string_view>

#include "dms/work_array.h"

namespace driver {

/// Entries of the built-in parameter table.
inline constexpr int32_t kStructureParameters = 200;

/// Name of position `position` (1..200) of the built-in parameter table, six
/// characters blank-padded ("      " for an unused position); empty outside
/// the table.
std::string_view structure_parameter_name(int32_t position);

/// Value of the structure parameter `name` (8 characters, blank-padded) in
/// MSTRU.  Fixed layout: the position is that of the first built-in entry
/// equal to the name's first 6 characters; a name not in the table gives 0
/// silently.  Indexed layout: the position is IDXIST over MSTRU's table; a
/// name it does not find gives 0 silently when table word 5 is non-zero.
///
/// A missing parameter writes to `unit`
///     (empty line)
///     "  *** ERROR IN GTSTRU ***"
///     "      PARAMETER NOT FOUND:" and the name (8 characters)
///     "      LEAVING GTSTRU"
///     (three empty lines)
/// lowers `status` by 1 and gives 0.  It is missing when the indexed table
/// does not hold it (word 5 zero), and in either layout when its position
/// lies beyond MSTRU, or when the indexed table's offset or the names it
/// claims to hold reach beyond MSTRU: MSTRU is never read outside its length.
int32_t GTSTRU(dms::Vec1<int32_t> mstru, std::string_view name, int unit, int32_t& status);

/// Position of `name` in the name-indexed `table`, 0 when absent or invalid.
/// The name is characters FSTCHR..LENTRM of `name`; it is valid when its last
/// non-blank character lies within the first 8 positions and each of its
/// characters has a code from 33 to 126.  An invalid name writes to the
/// table's message unit
///     (empty line)
///     "  *** ERROR IN IDXIST  ***"
///     (empty line)
///     "    Identifier length = 0 or > 8: " and characters 1..LENTRM of the name
/// Only the words the view holds are read: names beyond it are not searched.
/// IDXIST changes no status.
int32_t IDXIST(dms::Vec1<int32_t> table, std::string_view name);

/// The name code of the name-indexed tables: characters 1-4 give `first`,
/// characters 5-8 `second`, each character two decimal digits (code - 30),
/// weights 1,000,000, 10,000, 100 and 1; an empty group gives 0.  A character
/// outside 33..126 makes the integer of its group -1.  No case folding.
/// `name` holds at most 8 characters (further ones are ignored).
void index_name_code(std::string_view name, int32_t& first, int32_t& second);

}  // namespace driver
