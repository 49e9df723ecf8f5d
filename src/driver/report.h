// The report written after the last RAF file of a run: a summary line per
// file (highest pancake utilisation, element, step value, global
// displacement), for every file a list of elements sorted by utilisation,
// and a closing line.
//
// The report reads only the result blocks and the file-name table.  It uses
// the element count NEL, the external element numbers MELEX and NEWLTY of the
// last file processed: all files of one list are analyses of one model.
// Element records a block does not hold (a file with fewer elements than the
// last one) read as zero.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dms/work_array.h"
#include "driver/result_blocks.h"

namespace driver {

/// One row of the file summary table.  Value 1: highest utilisation; 2 and
/// 3: element end and step of that element, truncated toward zero; 4 to 7:
/// values 4 to 7 of that element's record; 8: its external element number.
using SummaryRow = std::array<double, kValuesPerElement>;
using SummaryTable = std::vector<SummaryRow>;

/// Nearest integer of a real, halves away from zero (add 0.5 to a value >= 0,
/// subtract 0.5 otherwise, then truncate).  A value that is not a number
/// gives 0; values beyond the 32-bit range, infinities included, give the
/// nearest end of that range.
int32_t nearest_int(double value);

/// Fills the summary table, one row per file 1..nfiles.  For file i the
/// element j = 1..NEL of block i whose value 1 is highest is chosen (the
/// lowest position among equal values); its record sets row i.  A file where
/// no element has a value 1 above -1.0E7 keeps the row it had.  The table is
/// extended with zero rows to nfiles when it is shorter.  MELEX entries
/// beyond the view read as 0.
void SUMFIL(int32_t nel, int32_t nfiles, const ResultBlocks& blocks, dms::Vec1<int32_t> melex,
            SummaryTable& sumtab);

/// Writes the summary to `unit`: two empty lines, the heading with the name
/// field of `name_width` columns, and one line per file 1..nfiles.  NEWLTY = 1
/// gives the time form of the heading, any other value the load-level form.
/// The name field shows the stored name without its last four characters
/// (".raf"), blank when the stored name has four characters or fewer.
void write_summary(const SummaryTable& sumtab, int32_t nfiles,
                   const std::vector<std::string>& file_names, int32_t name_width, int32_t newlty,
                   int unit);

/// The two pieces write_summary is made of, for a writer that has one file
/// at a time: the two empty lines and the heading, and the line of file `i`
/// from its row and stored name.
void write_summary_heading(int32_t name_width, int32_t newlty, int unit);
void write_summary_line(int32_t i, const SummaryRow& row, std::string_view stored_name,
                        int32_t name_width, int unit);

/// Selects `n` of the first `count` entries of `values` in order and stores
/// their positions in index(1..n).  Direction 1: largest first; -1: smallest
/// first; equal values in ascending position order.  Only values beyond the
/// +/-1.0E35 limit are ranked (above -1.0E35 for direction 1, below +1.0E35
/// for -1); the others (NaN included) follow in ascending position order, so
/// every stored position is a real position.  Any other direction leaves
/// index(1..n) at 0.  `count` is cut to the size of `values`, `n` to `count`
/// and to the size of `index`.  Cost O(count log count).
void SELSRT(dms::Vec1<double> values, dms::Vec1<int32_t> index, int32_t count, int32_t n,
            int32_t direction);

/// Writes the sorted list of every file 1..nfiles to `unit`.  The list
/// length is `nsort` cut to NEL; -1, and any length below it, lists all NEL
/// elements; 0 writes nothing.  Nothing is written with nfiles < 1.  The
/// heading values (step value, load case, global displacement) carry over
/// from file to file: a file sets them from its last element whose step value
/// exceeds 1.0E-9, and after its list the step value is that of the last
/// listed element.  `values` and `index` are the work lists; they are resized
/// to NEL.
void SRTLST(int32_t nel, int32_t nfiles, const ResultBlocks& blocks, dms::Vec1<int32_t> melex,
            std::vector<double>& values, std::vector<int32_t>& index, int32_t nsort,
            const std::vector<std::string>& file_names, int32_t newlty, int unit);

/// A listed file that the run passed over (--keep-going).
struct SkippedFile {
  int32_t position = 0;  ///< its place in the list (1-based)
  std::string name;      ///< trimmed, as the file-name table holds it
};

/// Writes the list of skipped files to `unit`: two empty lines, a rule, the
/// count, a dashed line, the column heading and one line per file with its
/// list position (10 columns) and name.  Nothing when `skipped` is empty.
void write_skipped(std::span<const SkippedFile> skipped, int unit);

/// The heading values the sorted lists carry from one file to the next.
struct SortedListCarry {
  double step_value = 0.0;
  double displacement = 0.0;
  int32_t load_case = 0;
};

/// The sorted list of one file, as SRTLST writes it for file `file_no`,
/// from block `block` of `blocks` (a writer holding one file at a time keeps
/// it as block 1).  `carry` holds the heading values of the files before and
/// is updated for the next one.
void write_sorted_list(int32_t file_no, int32_t nel, const ResultBlocks& blocks, int32_t block,
                       dms::Vec1<int32_t> melex, std::vector<double>& values,
                       std::vector<int32_t>& index, int32_t nsort, std::string_view name,
                       int32_t newlty, int unit, SortedListCarry& carry);

/// Writes the closing line (after an empty line) to `unit`.
void write_closing(int unit);

/// Writes the whole report to `unit`: file summary, summary heading and
/// lines, sorted lists, the skipped files (if any), closing line.  `nel`,
/// `melex` and `newlty` are those of the last file.  With no file (nfiles <
/// 1) no NEWLTY was ever read and the headings take the time form.
void write_report(const ResultBlocks& blocks, int32_t nfiles,
                  const std::vector<std::string>& file_names, int32_t longest_name,
                  int32_t sorted_list_length, int32_t nel, dms::Vec1<int32_t> melex, int32_t newlty,
                  int unit, std::span<const SkippedFile> skipped = {});

}  // namespace driver
