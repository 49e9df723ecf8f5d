// The in-core data management (DMS): named arrays inside the one work array.
//
// The store keeps all of its state in the work array itself: the MCM at its
// start (layout in dms/mcm.h), the name table after it, and the storage of
// the arrays above that, handed out upward from the lowest free word.  An
// array is known by its number (11..NA) and, once the name table exists, by
// a name of up to 8 printable characters.  A pointer handed out by the store
// counts in units of the array's element size: the word number for one-word
// elements, the index into the real view for two-word elements.
//
// Errors are numbered and written by the two error writers DMSERN (errors
// about a name) and DMSERA (errors about a number or storage) to the message
// unit kept in MCM word 4: see each routine.  Every error lowers the
// error count in MCM word 3 by one, so a caller sees whether a call failed by
// comparing DMSSTA before and after it; routines with a status argument lower
// that as well.  A label is an integer of the caller's choosing that the
// error writers print with a message.
//
// Whatever the MCM holds, the store touches no word outside the work array
// (iw.size() words): a section, table, start, length or word count that would
// reach beyond it is reported as error 13 of DMSERA (the book-keeping is
// corrupt) or error 14 (room exceeded) and nothing is read or written there.
//
// Names are passed with their exact length (trailing blanks already cut).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dms/work_array.h"

namespace dms {

// ---- set-up -------------------------------------------------------------------

/// Opens the store over the first `nwiwa` words of `iw` with NA = |nla| array
/// numbers.  `nla` > 0 clears all `nwiwa` words, `nla` < 0 only the MCM (words
/// 1 .. 3*NA+1); a non-zero `file_option` adds the file-unit and file-address
/// sections.  `message_unit` becomes the store's message unit.
/// Status: lowered by one (and MCM word 3 as well) when NA <= 10, when `nwiwa`
/// is smaller than the MCM plus one word, or when `nwiwa` exceeds iw.size().
/// Messages (message unit >= 1): three empty records, " *** ERROR RETURN - K O
/// R LIBRARY ROUTINE DMSOPN_32 **" and the record "ILLEGAL PARAMETER(S) :
/// NWIWA, NLA  =" with both values.
void DMSOPN_32(IntView iw, int32_t nwiwa, int32_t nla, int32_t file_option, int32_t message_unit,
               int32_t& status);

/// Adds the name table (2*NA words) directly after the MCM.  `numbering_mode`
/// 1: the store picks array numbers (from 11 up); any other value: callers
/// give them.  `case_flag` 1: lower-case letters of names count as upper case.
/// Errors (DMSERN): 14 when the store already handed out storage, already has
/// a table or its MCM is corrupt; 15 when the table does not fit below the
/// highest free word (the MCM is left unchanged).
void DMSANN(IntView iw, int32_t numbering_mode, int32_t case_flag, int32_t label);

// ---- name codes ---------------------------------------------------------------

/// Name code of `name`: two decimal digits (character code - 30) per
/// character, characters 1-4 in `first`, 5-8 in `second` (0 for a name of at
/// most four characters).  With the case flag of the name table set, a..z
/// count as A..Z.  An empty name gives 0 and 0 without an error.
/// Errors (DMSERN): 11 when the name is longer than 8 characters, 12 when it
/// holds a character outside the codes 33..126; both integers are then 0.
void DMSCOD(IntView iw, std::string_view name, int32_t label, int32_t& first, int32_t& second);

/// Decodes a name code into `text` (blank-filled first, and widened to 8
/// characters when shorter) and `count` characters.  Decoding of each integer
/// stops at its first digit pair 00.
/// Errors (DMSERN): 13 with the character code when a pair does not give a
/// code in 33..126; `text` and `count` then hold what was decoded before it.
void DMSDEC(IntView iw, int32_t first, int32_t second, int32_t label, std::string& text,
            int32_t& count);

// ---- error writers ------------------------------------------------------------

/// Writes the error `number` about the array `name` to the message unit (MCM
/// word 4, nothing when it is below 1).  Numbers 11..49 get three empty
/// records and the heading " *** ERROR return from a  K O R  library
/// routine"; every message record starts with five blanks; all numbers but
/// 14, 28 and 51 end with the record "Detected by a DMS-routine called with
/// label" and the label.  Number 51 ("Occured for array  " and the name)
/// follows another error and stands alone.  Numbers below 50 lower MCM word 3.
void DMSERN(IntView iw, int32_t number, std::string_view name, int64_t value, int32_t label);

/// Writes the error or warning `number` about an array number or storage,
/// with the values `a`, `b` and `c`, to the message unit (MCM word 4).
/// Numbers above 10 are errors (heading " *** ERROR return from a  K O R
/// library routine"), 10 and below warnings (" *** WARNING from a  K O R
/// library routine"); the label record follows when `label` is not 0.  Does
/// not change MCM word 3: its callers count the error.
void DMSERA(IntView iw, int32_t number, int64_t a, int64_t b, int64_t c, int32_t label);

// ---- codes --------------------------------------------------------------------

/// Inquiry codes of DMSINQ.
inline constexpr int32_t kInquireLength = 1;
inline constexpr int32_t kInquireWordsPerElement = 2;
inline constexpr int32_t kInquireStart = 3;
inline constexpr int32_t kInquireFileUnit = 4;
inline constexpr int32_t kInquireFileAddress = 5;

/// Parameter codes of DMSPAR.
inline constexpr int32_t kParameterNumbers = 1;
inline constexpr int32_t kParameterMessageUnit = 2;
inline constexpr int32_t kParameterMcmOnlyCleared = 3;
inline constexpr int32_t kParameterLowestFree = 4;
inline constexpr int32_t kParameterHighestFree = 5;
inline constexpr int32_t kParameterHighWater = 6;
inline constexpr int32_t kParameterNextNumber = 7;
inline constexpr int32_t kParameterCaseFlag = 8;
inline constexpr int32_t kParameterHighestNamed = 9;

/// Naming modes of DMSMOD (kModeFileOption is added with the file option).
inline constexpr int32_t kModeNumberedByStore = 1;
inline constexpr int32_t kModeNumberedByCaller = 2;
inline constexpr int32_t kModeNoNames = 3;
inline constexpr int32_t kModeFileOption = 10;

/// Numbering mode of DMSANN under which the store picks array numbers.
inline constexpr int32_t kImplicitNumbering = 1;

// ---- lookup -------------------------------------------------------------------

/// The lowest array number n in 11 .. (table word 3) whose name code in
/// `name_table` (the 2*NA words of the table) is `first`, `second`; 0 when
/// there is none or `first` is 0 (no name codes as 0).  The scan never
/// passes the end of `name_table`.  Writes nothing.
int32_t DMSFND(IntView name_table, int32_t first, int32_t second);

/// Word n of the MCM section with code `section` (6 lengths, 7 words per
/// element, 8 storage starts, 9 file units, 10 file addresses).
/// Errors (DMSERA, no label): 13 when the MCM is corrupt, the section does
/// not exist or n lies outside 1..NA; the result is then 0.
int32_t DMSGTW(IntView iw, int32_t section, int32_t n);

/// Sets word n of the MCM section with code `section` to `value`.
/// Errors: as DMSGTW; nothing is written then.
void DMSPTW(IntView iw, int32_t section, int32_t n, int32_t value);

/// The array number of `name`; 0 when no array has that name.
/// Errors: those of DMSCOD, followed by DMSERN 51 for the name (result 0);
/// DMSERA 13 when the MCM is corrupt.
int32_t DMSNUM(IntView iw, std::string_view name, int32_t label);

/// The name of array `number` in `name` (blank-filled, widened to 8 when
/// shorter) and its length in `count`; count 0 and a blank name when the
/// number has no name or there is no name table.
/// Errors: DMSERN 23 when the number is 10 or less or above MCM word 8 (or
/// NA); those of DMSDEC followed by DMSERN 51; DMSERA 13 (corrupt MCM).
void DMSNAM(IntView iw, int32_t number, int32_t label, std::string& name, int32_t& count);

/// Inquiry about the array `name`: code 1 its length in elements, 2 its words
/// per element, 3 its storage start word (0 = no storage), 4 its file unit
/// and 5 its file address (0 without the file option); any other code 0.
/// -1 when the name is malformed, empty or unknown, or the MCM cannot be read.
/// Never writes a message and never changes the error count.
int32_t DMSINQ(IntView iw, std::string_view name, int32_t code);

/// The pointer of the array `name` in units of its element size; an array
/// without storage gets its storage first (as DMSALC).  0 on an error.
/// Errors: those of DMSCOD followed by DMSERN 51; DMSERN 24 when the name is
/// unknown or the array undefined; DMSERN 25 when its storage start does not
/// fit its element size; DMSERA 13 (corrupt MCM or storage reaching past the
/// lowest free word) followed by DMSERN 51; the errors of DMSALC followed by
/// DMSERN 51.
int32_t DMSPTR(IntView iw, std::string_view name, int32_t label);

// ---- parameters ---------------------------------------------------------------

/// The error count (MCM word 3): 0 while no error occurred since opening.
/// -1 for a work array too small to hold it.
int32_t DMSSTA(IntView iw);

/// The naming mode: 1 when the store picks array numbers, 2 when callers give
/// them, 3 without a name table; 10 more with the file option.
/// Errors (DMSERA 13, no label; result 0): a negative MCM word 9, a negative
/// or misplaced table start, a table word 1 from 1 to 10 or negative.
int32_t DMSMOD(IntView iw);

/// MCM parameter `code`: 1 NA, 2 message unit, 3 word 5 (1 when opened with
/// a negative NLA), 4 lowest free word, 5 highest free word, 6 high-water
/// mark, 7/8/9 name table words 1/2/3 (0 without a table); any other code 0.
/// The free room in words is code 5 - code 4 + 1.
/// Errors (DMSERA 13, no label; result 0): a corrupt MCM.
int32_t DMSPAR(IntView iw, int32_t code);

// ---- definition and storage ---------------------------------------------------

/// Defines the array `name` with `length` elements of `words_per_element`
/// words under `number`, or, with `number` 0, under the next number the store
/// hands out.  A number that is already defined may be redefined (while it
/// has no storage) under its own name or a new one.
/// Errors (DMSERN; each preceded by "Array  <name>  cannot be
/// defined/redefined"): 16 number 0 while callers give numbers; 17 the name
/// belongs to another number (with that number); 18 the store has handed out
/// every number (with NA); 19 a new number given while the store picks them;
/// 20 a negative words-per-element word, or no name table; 21 a number
/// outside 11..NA.  The errors of DMSCOD and of DMSSET followed by DMSERN 51.
void DMSDEF(IntView iw, std::string_view name, int32_t number, int32_t length,
            int32_t words_per_element, int32_t label);

/// Sets the length and words per element of array `number`.
/// Errors (DMSERA; MCM word 3 and `status` lowered by one; nothing changed):
/// 11 number outside 11..NA; 12 words per element outside 1..10; 26 negative
/// length; 30 the array already has storage; 13 corrupt MCM.
void DMSSET(IntView iw, int32_t number, int32_t length, int32_t words_per_element, int32_t label,
            int32_t& status);

/// Gives array `number` storage at the lowest free word, aligned to its
/// element size (an array of length 0 takes one word), and returns its
/// pointer in `pointer` (0 on an error).
/// Warning (DMSERA 1, not counted): the array already has storage; its
/// pointer is returned.
/// Errors (DMSERA; MCM word 3 and `status` lowered by one): 11 number outside
/// 11..NA; 24 undefined array; 14 the room is exceeded (with the highest free
/// word, the shortage and the number; the array stays without storage); 13
/// corrupt MCM or storage.
void DMSALC(IntView iw, int32_t number, int32_t& pointer, int32_t label, int32_t& status);

// ---- release ------------------------------------------------------------------

/// Releases the storage of the array `name` (as DMSRLS).
/// Errors: DMSERN 22 when the name has no number; those of DMSNUM; those of
/// DMSRLS followed by DMSERN 51.
void DMSRLN(IntView iw, std::string_view name, int32_t label);

/// Releases the storage of array `number`: the arrays stored above it move
/// down (their pointers change); the array keeps its name, number and length
/// and can be given storage again.  Errors: those of DMSSHR.
void DMSRLS(IntView iw, int32_t number, int32_t label, int32_t& status);

/// Shrinks array `number` to `new_length` elements and moves the arrays
/// stored above it down, each to the lowest word that fits its element size.
/// The compaction stops at the first array that is already in place, so the
/// arrays from there up keep their pointers (a gap smaller than that array's
/// element size stays unused).  Freed words are cleared while the store keeps
/// free space zero (opened with a positive NLA).
/// Errors (DMSERA; MCM word 3 and `status` lowered by one; nothing changed):
/// 11 number outside 11..NA; 26 negative new length; 27 new length above the
/// length; 13 corrupt MCM or storage.
void DMSSHR(IntView iw, int32_t number, int32_t new_length, int32_t label, int32_t& status);

// ---- utility ------------------------------------------------------------------

/// Sets the first n*m integers of `ia` to `value`; nothing when n*m <= 0, and
/// never more than the ia.size() integers of the view.
void IFILL(Vec1<int32_t> ia, int32_t n, int32_t m, int32_t value);

}  // namespace dms
