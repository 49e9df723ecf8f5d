// The array recall layer: the message store shared with the other
// subsystems, the in-core catalogue of a RAF file's arrays, booking named
// arrays in the in-core store and reading them from the RAF file.
//
// Message control.  The routines that frame their messages (ARRECL, ARREC1,
// ARBOOK, ARINI1, ARINIT, GTARAF, INIDMS) take the message control and hand
// their framed text to MSGSTO on the way out whenever their caller's error
// counter is negative, innermost routine first.  The routines that write
// their records straight away take a message unit (word 1 of the control);
// nothing is written to a unit below 1.
//
// Error counters belong to the caller: a failing routine lowers its counter
// by one (the set-up routines set it to -1) and otherwise leaves it alone.
// Inner calls run on counters of their own, so one failing call lowers the
// caller's counter once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "dms/work_array.h"
#include "recall/array_names.h"
#include "recall/catalogue.h"

namespace recall {

/// Message control: word 1 is an output unit (> 0: messages are written at
/// once), -321 for store mode, anything else drops messages; words 2..5 are
/// the store's book-keeping in store mode.  A caller that only wants direct
/// writing passes a view of one integer holding the unit.
using MessageControl = dms::Vec1<int32_t>;

/// The array-name table: name n (up to 6 characters, blank for none) is the
/// name of array number n.  Entries past the end of the span count as blank.
using ArrayNameTable = std::span<const std::string_view>;

/// Hands a framed message `text` (up to 256 characters, lines separated by
/// line feeds) to the message control: written at once as one record when
/// word 1 is a unit, or stored/fetched in store mode (`mode` "S..." or
/// "F...").  `status` is the status that goes with the message.
void MSGSTO(MessageControl control, int32_t status, std::string& text, std::string_view mode);

// ---- recall -----------------------------------------------------------------

/// Recalls every catalogued array of the store types that `instruction` (25
/// characters, one of the kRecall... texts) names, for `step`: books each in
/// the in-core store and reads its values under its key from the RAF file on
/// `raf_unit`.  Arrays without a name in core or without a key for the step
/// are passed over; "-AR-" arrays are never recalled.
/// Failure (counter lowered by one; the arrays read before stay in core):
/// "*** ERROR IN ARRECL ***" with "Occured during recall  of: " and the name
/// (catalogue array missing, unusable key, read failure), with "Unknown
/// Instruction      : " and the instruction, or alone (ARKEYS or ARBOOK
/// failed and reported first).
void ARRECL(dms::IntView iw, dms::RealView rw, std::string_view instruction, int32_t step,
            int32_t raf_unit, MessageControl message_control, int32_t& error_counter);

/// Recalls one array by name for a step: books it in the in-core store (its
/// storage is re-used when it is already there) and reads its values under
/// the key of `step`.  `pointer` receives the array's pointer (in units of its
/// element size).  A name the store does not know is passed over silently.
/// Allocates nothing unless it fails.
/// Failure (counter lowered by one): "*** ERROR IN ARREC1 ***" with "Error
/// During Recallin Array: " and the name (no usable key for the step, read
/// failure), or alone (ARKEYS or ARBOOK failed and reported first).
void ARREC1(dms::IntView iw, dms::RealView rw, std::string_view name, int32_t& pointer,
            int32_t step, int32_t raf_unit, MessageControl message_control, int32_t& error_counter);

// ---- catalogue ----------------------------------------------------------------

/// The catalogue entry of a named array for a step, as ARKEYS gives it.
struct CatalogueEntry {
  int32_t key = 0;  ///< RAF key (0: no record for the step; kInvalidKey: unusable)
  int32_t data_type = 0;
  int32_t words_per_element = 0;
  int32_t length = 0;
  int32_t store_type = 0;
  int32_t structure_index = 0;  ///< KEYRAF word 5
  int32_t result_index = 0;     ///< KEYRAF word 6
  int32_t restart_index = 0;    ///< KEYRAF word 7
  int32_t re_flag = 0;          ///< KEYRAF word 8
  std::string_view store_word = store_word::kUnknown;
  std::string_view data_word = data_word::kUnknown;
};

/// Fills `entry` from the KEYRAF record of the array `name` and computes its
/// key for `step` from NUMRAF.  Writes nothing itself on success.
/// Failure (the store rejects the name, the name has no catalogue record, or
/// NUMRAF/KEYRAF are missing): an empty record and "  *** ERROR IN ARKEYS
/// ***" to `message_unit`, the counter lowered once, `entry` unchanged.
void ARKEYS(dms::IntView iw, std::string_view name, int32_t step, CatalogueEntry& entry,
            int32_t message_unit, int32_t& error_counter);

/// Compares the store type word with word 4 of record `number` of `keyraf`:
/// 0 when they agree, -1 when they differ.  An unknown word (or a record
/// outside `keyraf`) lowers the counter by one and gives 0.  `message_unit`
/// is not used.
int32_t ArKeyChk1(dms::Vec1<int32_t> keyraf, int32_t number, std::string_view store_word,
                  int32_t record_length, int32_t message_unit, int32_t& error_counter);

// ---- booking ------------------------------------------------------------------

/// Books the array `name` with `length` elements in the in-core store and
/// creates or refreshes its KEYRAF record; `pointer` receives its pointer.
/// An array that has storage is re-used when length, data type and store
/// type agree, and refused otherwise.
/// Failure (counter lowered by one; local status -1, -101 for the room):
/// "*** ERROR IN ARBOOK ***" with one of "DMS not prepared for Name Option
/// " (and "Occured during booking of: " with the name), "Re-allocatng with
/// new data-type for array: ", "Re-allocatng with new lengthfor array: ",
/// "Re-allocatng with new store-type for array: ", "Insufficient space for
/// array " (also for a negative length) with the name, "UNKNOWN
/// ARRAY-TYPE:" with the data type word (nothing is booked), or alone (store
/// error, unknown store type word, a record routine failed).
void ARBOOK(dms::IntView iw, std::string_view name, int32_t& pointer, int32_t length,
            std::string_view store_word, std::string_view data_word, MessageControl message_control,
            int32_t& error_counter);

/// Writes the new KEYRAF record `number`: codes, length, the key-block
/// indices from NUMRAF words 1-3 (unless the store code is 0), the "RE" flag
/// and, unless scratch, the pointer divided by NUMRAF word 11.
/// Failure (counter lowered by one, record unchanged), written to
/// `message_unit`: "*** ERROR IN ARINFO ***" with "UNKNOWN ARRAY-TYPE:" or
/// "UNKNOWN STORE-INFO:" and the word, and "LEAVING ARINFO"; the error record
/// alone when the record lies outside `keyraf`.
void ARINFO(dms::Vec1<int32_t> keyraf, int32_t number, std::string_view store_word,
            std::string_view data_word, int32_t length, int32_t words_per_element,
            int32_t record_length, dms::Vec1<int32_t> numraf, int32_t pointer, int32_t message_unit,
            int32_t& error_counter);

/// Refreshes the existing KEYRAF record `number`: length and word 10 for a
/// store code other than 0 (the key-block indices stay); the codes, length,
/// flag and word 10 for "SKIP"/"SCRA".  Failures as ARINFO, under ARUPDA.
void ARUPDA(dms::Vec1<int32_t> keyraf, int32_t number, std::string_view store_word,
            std::string_view data_word, int32_t length, int32_t words_per_element,
            dms::Vec1<int32_t> numraf, int32_t record_length, int32_t pointer, int32_t message_unit,
            int32_t& error_counter);

/// Clears the storage of the array `name` (length x words per element words).
/// Failure (store error, or storage outside the work array): an empty record
/// and "  *** ERROR IN ARZERO ***"; counter lowered by one.
void ARZERO(dms::IntView iw, std::string_view name, int32_t message_unit, int32_t& error_counter);

// ---- set-up for a RAF file ----------------------------------------------------

/// Starts the in-core store afresh over the first `nwiwa` words for `narr`
/// user array numbers and the three catalogue arrays, predefines the names of
/// `names` and merges the catalogue of the RAF file on `raf_unit`.
/// Failure: `status` -1 and "*** ERROR IN INIDMS ***" to the message control.
void INIDMS(dms::IntView iw, int32_t nwiwa, ArrayNameTable names, int32_t narr,
            int32_t longest_name, int32_t raf_unit, MessageControl message_control,
            int32_t& status);

/// Builds the catalogue in a store opened for `narr` + 3 array numbers:
/// ARINIT, then the file's keys 101-103 read and merged (through MSCRA,
/// booked and released again).
/// Failure: the counter set to -1 and "*** ERROR IN ARINI1 ***", with a
/// detail line "Illegal record length in catalogue:" or "Illegal highest
/// array number      :" and the value when the file's catalogue has a record
/// length other than 10 or a highest number that gives no catalogue; alone
/// when its key base is not 100.
void ARINI1(dms::IntView iw, ArrayNameTable names, int32_t longest_name, int32_t narr,
            int32_t raf_unit, MessageControl message_control, int32_t& error_counter);

/// Adds the name table, predefines the names of `names` under their
/// positions (numbering flag 0) and creates NUMRAF, KEYRAF and IARRNM with
/// their records and name codes.
/// Too few array numbers in the store: the records "DMS initiated with too
/// few array_numbers ", "Required : " and "Available: " (after "*** ERROR IN
/// ARINIT ***") go straight to the message unit; status lowered by one.
/// Other failures: status -1 and "*** ERROR IN ARINIT ***".
void ARINIT(dms::IntView iw, ArrayNameTable names, int32_t longest_name, int32_t narr,
            int32_t numbering, MessageControl message_control, int32_t& status);

/// Reads `count` values under `key` from the RAF file on `raf_unit` into
/// `target` (the integer and the real target of the call, which share their
/// storage): code 1 with RAFGIN, code 2 with RAFGRE, code 3 with RAFGRD
/// (`re_flag` 1) or RAFGDP; other codes read nothing.
/// Failure (read error, negative count, or `target` smaller than the values):
/// status -1 and "*** ERROR IN GTARAF ***".
void GTARAF(std::span<std::byte> target, int32_t count, int32_t key, int32_t data_type,
            int32_t re_flag, int32_t raf_unit, MessageControl message_control, int32_t& status);

/// Releases the storage of the array `name` (mode "CLEAN": cleared first;
/// "NOCLEAN": left as it is) and empties its KEYRAF record when its store
/// code is 0.
/// Failure (status lowered by one), written when `message_unit` > 5:
/// "*** ERROR IN ARFREE ***" with "Illegal release message for array :" or
/// "Illegal raf - number for array :" and the name, or alone.
void ARFREE(dms::IntView iw, std::string_view name, std::string_view mode, int32_t message_unit,
            int32_t& status);

/// Copies, for every in-core array number 1..`narr` with a name code, the
/// KEYRAF record of the first file array number with the same name code
/// into the in-core KEYRAF (records of `kRecordLength` words; the file's are
/// `file_record_length` words apart).  Records that would lie outside any of
/// the four views are not touched.
void ARMERG(dms::Vec1<int32_t> file_iarrnm, dms::Vec1<int32_t> file_keyraf, int32_t file_highest,
            int32_t file_record_length, dms::Vec1<int32_t> iarrnm, dms::Vec1<int32_t> keyraf,
            int32_t narr);

// ---- lookup by name -----------------------------------------------------------

/// The pointer of the array `name` (trailing blanks ignored).  Not allocated
/// (predefined only) or released: "*** ERROR IN ARGTIP ***" with "*** Array
/// not allocated : " or "*** Array is released   : " and the name, written
/// when `message_unit` > 6 (never to the console); a store error: the error
/// record alone.  Each failure lowers the counter by one; the value is then
/// not to be used.
int32_t ARGTIP(dms::IntView iw, std::string_view name, int32_t message_unit,
               int32_t& error_counter);

/// As ARGTIP, under the name ARPOIN, with the messages always written; the
/// pointer is stored (also after a store error) unless the array is not
/// allocated or released.
void ARPOIN(dms::IntView iw, std::string_view name, int32_t& pointer, int32_t message_unit,
            int32_t& error_counter);

/// The array number of `name` (0 for a valid name the store does not know).
/// A name the store rejects: "*** ERROR IN ARNUMB ***"; counter lowered by one.
void ARNUMB(dms::IntView iw, std::string_view name, int32_t& number, int32_t message_unit,
            int32_t& error_counter);

}  // namespace recall
