// Units: the numbered channels through which the system reaches the console
// and its files.
//
// A unit is a small positive integer.  Unit 5 is the keyboard (standard
// input), unit 6 the screen (standard output); every other unit is connected
// to a file by name, either as a formatted sequential text file (one record a
// line) or as an unformatted direct-access file of fixed-length records.
//
// Every operation returns a platform status: 0 for success, a positive value
// for a failure (the value the user is shown as "Computer's error flag"), and
// for reads kEndOfFile when a sequential file or the keyboard has no more
// records.  No operation throws.
//
// Records: a write is one record.  A record may itself contain line feeds;
// they are written as they are.  A prompt writes its text and leaves the
// record open: the next record written to that unit continues the same line,
// as the answer typed on the keyboard does on a terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

/// The unit table of the system.  Unit 0 is standard error: a record
/// written to it reaches it at once, after any text the screen still holds;
/// like the screen it is never connected to a file and can be captured.
inline constexpr int kStandardError = 0;
inline constexpr int kKeyboard = 5;
inline constexpr int kScreen = 6;
inline constexpr int kOutputFile = 17;
inline constexpr int kLogFile = 18;
inline constexpr int kListFile = 19;
inline constexpr int kRafFile = 22;

/// Highest unit number a file can be connected to.
inline constexpr int kMaxUnit = 99;

/// Status returned by a read when no record is left.
inline constexpr int kEndOfFile = -1;

/// Failure statuses of our own (OS failures return their errno value).
inline constexpr int kStatusBadUnit = 5001;  ///< unit out of range or not usable
inline constexpr int kStatusPastEnd = 5002;  ///< direct-access record beyond the end of the file
inline constexpr int kStatusNotOpen = 5003;  ///< unit not connected
inline constexpr int kStatusWrongKind =
    5004;  ///< sequential operation on a direct unit or the reverse
inline constexpr int kStatusBadName = 5005;        ///< empty name or a name holding a NUL
inline constexpr int kStatusIsDirectory = 5006;    ///< the name is a directory
inline constexpr int kStatusRecordTooLong = 5007;  ///< a text record longer than kMaxRecordLength
inline constexpr int kStatusInUse = 5008;          ///< the file is connected to another unit

/// Longest text record a read takes: a longer one (a binary file, or a
/// device without line ends) fails with kStatusRecordTooLong.
inline constexpr std::size_t kMaxRecordLength = std::size_t{1} << 20;

/// How a file is opened.
enum class OpenStatus : int {
  kOld = 1,      ///< the file must exist
  kNew = 2,      ///< the file must not exist; it is created
  kUnknown = 3,  ///< an existing file is used from its start, a missing one is created
};

// ---- formatted sequential files --------------------------------------------

/// Connects `unit` to the text file `name`.  Opening a unit already connected
/// to the same file keeps the connection and its position; a unit connected to
/// another file is closed first.  A file opened with kUnknown or kNew is
/// rewritten from its start: its old contents are cut when it is opened.
/// Opening a regular file for writing that another unit is connected to
/// (the list file named as the output file, say) fails with kStatusInUse
/// and leaves the file as it is.
[[nodiscard]] int open_text(int unit, const std::string& name, OpenStatus status);

/// Writes one record (text and a line end).  Units 6 writes to the screen.
int write_record(int unit, std::string_view text);

/// Writes `text` and leaves the record open (no line end); the text reaches
/// the screen at once.
int write_prompt(int unit, std::string_view text);

/// Reads one record into `line` without its line end (a carriage return
/// before the line end is dropped as well).  Returns 0, kEndOfFile or a
/// failure status (kStatusRecordTooLong after kMaxRecordLength characters
/// without a line end).
[[nodiscard]] int read_record(int unit, std::string& line);

// ---- unformatted direct-access files ---------------------------------------

/// Connects `unit` to a direct-access file with records of `record_bytes`.
[[nodiscard]] int open_direct(int unit, const std::string& name, OpenStatus status,
                              int record_bytes);

/// Reads `nbytes` (at most one record) from record `record` (numbered from 1).
/// A record wholly or partly beyond the end of the file is kStatusPastEnd.
[[nodiscard]] int read_direct(int unit, int64_t record, void* buffer, std::size_t nbytes);

/// Reads `nbytes` starting at the first byte of record `record`, running over
/// consecutive records, in one system call where possible.  Fails like
/// read_direct when any requested byte lies beyond the end of the file.
[[nodiscard]] int read_direct_run(int unit, int64_t record, void* buffer, std::size_t nbytes);

/// Writes `nbytes` (at most one record) to record `record`; the rest of the
/// record is filled with zero bytes.
[[nodiscard]] int write_direct(int unit, int64_t record, const void* buffer, std::size_t nbytes);

/// Size of the connected direct-access file in bytes, or -1.
[[nodiscard]] int64_t direct_file_size(int unit);

// ---- files by name -----------------------------------------------------------

/// True when `name` is an existing regular file whose first bytes are
/// `prefix` (a look at a file before it is overwritten).
[[nodiscard]] bool file_begins_with(const std::string& name, std::string_view prefix);

// ---- any unit --------------------------------------------------------------

/// Closes the unit; a unit that is not connected is not an error.
int close_unit(int unit);

/// True when `unit` is connected to a file (or is the keyboard or screen).
[[nodiscard]] bool is_connected(int unit);

/// Closes every file unit and forgets any open prompt record.  Used at the
/// end of a run and by tests.
void close_all_units();

/// Flushes every buffered output unit (screen and files).
void flush_all_units();

// ---- output capture ----------------------------------------------------------
//
// A unit can be captured: what write_record and write_prompt send to it is
// appended to a buffer of the unit instead of its file or the screen, byte
// for byte as the unit would have received it (a record and its line end; a
// prompt without one, so the next record continues its line).  Everything
// else stays as it is: the checks of a write (unit not connected, wrong kind,
// file not writable, a sticky write failure) give the statuses they give
// without capture, and open_text, close_unit and is_connected act on the
// real connection.  Opening a captured unit on the file it is connected to
// therefore keeps the connection and the capture (raf.log reopened for every
// RAF file), and a capture outlives the unit being connected to another file.
//
// Used to run one file's work in a process of its own (or to collect it for a
// part file) and to write its text later, in list order, with
// write_captured.  Capture the screen only where nothing is read from the
// keyboard: a prompt in the buffer is not shown before a read.

/// Starts capturing `unit` (standard error, the screen or any file unit) with an empty
/// buffer; a capture already running is restarted empty.  kStatusBadUnit
/// for the keyboard or a number outside the table.
int begin_capture(int unit);

/// True while `unit` is captured.
[[nodiscard]] bool is_captured(int unit);

/// Bytes captured so far on `unit` (0 when it is not captured): positions
/// in the buffer, for cutting a stretch out of a file's text.
[[nodiscard]] std::size_t captured_size(int unit);

/// Ends the capture of `unit` and returns the bytes it collected (empty when
/// it was not captured).
std::string end_capture(int unit);

/// Writes captured `bytes` to the real `unit` as they are, as the records
/// and prompts that made them would have: on the screen, bytes that end
/// without a line end leave the record open and reach the screen at once.
/// Returns the status the writes give (a file unit's sticky failure
/// included); nothing is written to a unit that is itself captured
/// (kStatusInUse).
int write_captured(int unit, std::string_view bytes);

}  // namespace platform
