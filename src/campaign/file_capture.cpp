#include "campaign/file_capture.h"

#include "platform/units.h"

namespace campaign {
namespace {

constexpr int kUnits[] = {platform::kStandardError, platform::kScreen, platform::kOutputFile,
                          platform::kLogFile};

int write_without(int unit, std::string_view bytes, const Stretch& cut) {
  if (cut.length == 0) return platform::write_captured(unit, bytes);
  const int first = platform::write_captured(unit, bytes.substr(0, cut.offset));
  const int second = platform::write_captured(unit, bytes.substr(cut.offset + cut.length));
  return first != 0 ? first : second;
}

}  // namespace

FileCapture::FileCapture() {
  for (int unit : kUnits) platform::begin_capture(unit);
}

FileCapture::~FileCapture() {
  if (!running_) return;
  for (int unit : kUnits) platform::end_capture(unit);
}

void FileCapture::step_settings_begin() {
  screen_at_ = platform::captured_size(platform::kScreen);
  output_at_ = platform::captured_size(platform::kOutputFile);
}

void FileCapture::step_settings_end() {
  screen_ = {screen_at_, platform::captured_size(platform::kScreen) - screen_at_};
  output_ = {output_at_, platform::captured_size(platform::kOutputFile) - output_at_};
}

void FileCapture::finish(FileRecord& record) {
  record.screen = platform::end_capture(platform::kScreen);
  record.output = platform::end_capture(platform::kOutputFile);
  record.log = platform::end_capture(platform::kLogFile);
  record.errors = platform::end_capture(platform::kStandardError);
  record.step_screen = screen_;
  record.step_output = output_;
  running_ = false;
}

int replay(const FileRecord& record, bool keep_step_settings) {
  const Stretch none{};
  int status = write_without(platform::kScreen, record.screen,
                             keep_step_settings ? none : record.step_screen);
  const int output = write_without(platform::kOutputFile, record.output,
                                   keep_step_settings ? none : record.step_output);
  const int log = record.log.empty() ? 0 : platform::write_captured(platform::kLogFile, record.log);
  platform::write_captured(platform::kStandardError, record.errors);
  if (status == 0) status = output;
  if (status == 0) status = log;
  return status;
}

}  // namespace campaign
