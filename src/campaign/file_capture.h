// The capture of one file's work and its replay: how a worker process, or a
// run writing a part, collects what the work on one RAF file writes to the
// screen, the output file and the message log into a FileRecord, and how
// the parent (or a merge) writes it later to the real units.
//
//   // worker, for file k:
//   campaign::FileCapture capture;       // screen, output file, log captured
//   ... the work on file k, unchanged: opens, messages, result pass ...
//   campaign::FileRecord record;         // outcome, name, block set by the caller
//   capture.finish(record);              // screen/output/log bytes into it
//   return campaign::encode_record(record);
//
//   // parent, in list order:
//   campaign::decode_record(bytes, record, error);
//   campaign::replay(record, true);
#pragma once

#include "campaign/part_file.h"

namespace campaign {

/// Captures standard error, the screen, the output file and the log (unit 0,
/// 6, 17, 18) for as long as it lives
/// or until finish().  Opening and closing the units act on the real files
/// meanwhile (see platform output capture).
class FileCapture {
 public:
  FileCapture();
  ~FileCapture();  ///< ends a capture not finished; its bytes are dropped
  FileCapture(const FileCapture&) = delete;
  FileCapture& operator=(const FileCapture&) = delete;

  /// Marks where the step settings (the first file's dialogue on the screen
  /// and its line(s) in the output file) begin and end, so that a merge can
  /// keep them only where the merged run writes them.
  void step_settings_begin();
  void step_settings_end();

  /// Ends the capture and moves the bytes and marks into `record`.
  void finish(FileRecord& record);

 private:
  bool running_ = true;
  uint64_t screen_at_ = 0, output_at_ = 0;
  Stretch screen_, output_;
};

/// Writes a record's bytes to the real screen, output file, log and
/// standard error (the program's lines there go through unit 0).  Without `keep_step_settings` the
/// marked step settings are left out.  Returns the first failing unit status, else 0.
int replay(const FileRecord& record, bool keep_step_settings);

}  // namespace campaign
