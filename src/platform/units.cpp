// The unit table: one entry per unit number, holding the connection of that
// unit.  Text files go through stdio streams (buffered, one record a line);
// direct-access files through a POSIX descriptor with positioned transfers.
#include "platform/units.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace platform {
namespace {

enum class Kind { kNone, kText, kDirect };

struct Unit {
  Kind kind = Kind::kNone;
  std::string name;
  dev_t dev = 0;
  ino_t ino = 0;
  std::FILE* stream = nullptr;  // text files
  bool writable = false;        // text file opened for writing
  int fd = -1;                  // direct-access files
  int record_bytes = 0;
  int error = 0;  // sticky write failure of a text file
};

// The buffer of a captured unit.
struct Capture {
  bool on = false;
  std::string bytes;
};

struct UnitTable {
  std::array<Unit, kMaxUnit + 1> units;
  std::array<Capture, kMaxUnit + 1> captures;
};

UnitTable& table() {
  static UnitTable t;
  return t;
}

int errno_status() {
  return errno > 0 ? errno : kStatusBadUnit;
}

bool file_unit_ok(int unit) {
  return unit >= 1 && unit <= kMaxUnit && unit != kKeyboard && unit != kScreen;
}

bool name_ok(const std::string& name) {
  return !name.empty() && name.find('\0') == std::string::npos;
}

// True when `unit` is already connected to the file `name`.
bool same_file(const Unit& u, const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) return st.st_dev == u.dev && st.st_ino == u.ino;
  return u.name == name;
}

int close_entry(Unit& u) {
  int status = u.error;
  if (u.stream != nullptr) {
    if (std::fclose(u.stream) != 0 && status == 0) status = errno_status();
  }
  if (u.fd >= 0) {
    if (::close(u.fd) != 0 && status == 0) status = errno_status();
  }
  u = Unit{};
  return status;
}

void remember_identity(Unit& u, int fd) {
  struct stat st {};
  if (::fstat(fd, &st) == 0) {
    u.dev = st.st_dev;
    u.ino = st.st_ino;
  }
}

bool is_directory_fd(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_regular_fd(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Opens `name` with the flags an open status asks for.  Returns the
// descriptor with `result` 0, or -1 with the failure status in `result`.
int open_fd(const std::string& name, OpenStatus status, bool want_write, int& result) {
  int flags = 0;
  switch (status) {
    case OpenStatus::kOld:
      flags = want_write ? O_RDWR : O_RDONLY;
      break;
    case OpenStatus::kNew:
      flags = O_RDWR | O_CREAT | O_EXCL;
      break;
    case OpenStatus::kUnknown:
      flags = O_RDWR | O_CREAT;
      break;
  }
  int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0 && status == OpenStatus::kOld && want_write && (errno == EACCES || errno == EROFS)) {
    fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);  // a read-only file can still be read
  }
  if (fd < 0) {
    result = errno_status();
    return -1;
  }
  if (is_directory_fd(fd)) {
    ::close(fd);
    result = kStatusIsDirectory;
    return -1;
  }
  result = 0;
  return fd;
}

// True when a unit other than `unit` is connected to the regular file `name`.
bool held_by_other_unit(int unit, const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const auto& units = table().units;
  for (std::size_t k = 0; k < units.size(); ++k) {
    const Unit& other = units[k];
    if (static_cast<int>(k) != unit && other.kind != Kind::kNone && other.dev == st.st_dev &&
        other.ino == st.st_ino) {
      return true;
    }
  }
  return false;
}

}  // namespace

int open_text(int unit, const std::string& name, OpenStatus status) {
  if (!file_unit_ok(unit)) return kStatusBadUnit;
  if (!name_ok(name)) return kStatusBadName;
  Unit& u = table().units[static_cast<std::size_t>(unit)];
  if (u.kind == Kind::kText && same_file(u, name)) return 0;
  const bool writing = status != OpenStatus::kOld;
  // A file the run reads (or writes) on another unit is never cut.
  if (writing && held_by_other_unit(unit, name)) return kStatusInUse;
  if (u.kind != Kind::kNone) close_entry(u);

  int result = 0;
  int fd = open_fd(name, status, writing, result);
  if (fd < 0) return result;
  // A file opened for writing is rewritten from its start; its old contents
  // are cut at once, so that no stale text survives a run that writes little.
  if (writing && is_regular_fd(fd) && ::ftruncate(fd, 0) != 0) {
    result = errno_status();
    ::close(fd);
    return result;
  }
  std::FILE* stream = ::fdopen(fd, writing ? "r+" : "r");
  if (stream == nullptr) {
    result = errno_status();
    ::close(fd);
    return result;
  }
  u.kind = Kind::kText;
  u.name = name;
  u.stream = stream;
  u.writable = writing || (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDWR;
  remember_identity(u, fd);
  return 0;
}

namespace {

// The capture of `unit`, or nullptr when the unit is written for real.
Capture* capture_of(int unit) {
  Capture& c = table().captures[static_cast<std::size_t>(unit)];
  return c.on ? &c : nullptr;
}

int write_to_stream(int unit, Unit& u, std::string_view text, bool line_end) {
  if (u.error != 0) return u.error;
  if (!u.writable) return u.error = EBADF;
  if (Capture* c = capture_of(unit)) {
    c->bytes.append(text);
    if (line_end) c->bytes.push_back('\n');
    return 0;
  }
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), u.stream) != text.size()) {
    return u.error = errno_status();
  }
  if (line_end && std::fputc('\n', u.stream) == EOF) return u.error = errno_status();
  return 0;
}

}  // namespace

namespace {

// Standard error: unbuffered, so the screen's text is sent first.
int write_standard_error(std::string_view text, bool line_end) {
  if (Capture* c = capture_of(kStandardError)) {
    c->bytes.append(text);
    if (line_end) c->bytes.push_back('\n');
    return 0;
  }
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  if (line_end) std::fputc('\n', stderr);
  std::fflush(stderr);
  return std::ferror(stderr) ? EIO : 0;
}

}  // namespace

int write_record(int unit, std::string_view text) {
  if (unit == kStandardError) return write_standard_error(text, true);
  if (unit == kScreen) {
    if (Capture* c = capture_of(unit)) {
      c->bytes.append(text);
      c->bytes.push_back('\n');
      return 0;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return std::ferror(stdout) ? EIO : 0;
  }
  if (unit < 1 || unit > kMaxUnit) return kStatusBadUnit;
  Unit& u = table().units[static_cast<std::size_t>(unit)];
  if (u.kind == Kind::kNone) return kStatusNotOpen;
  if (u.kind != Kind::kText) return kStatusWrongKind;
  return write_to_stream(unit, u, text, true);
}

int write_prompt(int unit, std::string_view text) {
  if (unit == kStandardError) return write_standard_error(text, false);
  if (unit == kScreen) {
    if (Capture* c = capture_of(unit)) {
      c->bytes.append(text);
      return 0;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return std::ferror(stdout) ? EIO : 0;
  }
  if (unit < 1 || unit > kMaxUnit) return kStatusBadUnit;
  Unit& u = table().units[static_cast<std::size_t>(unit)];
  if (u.kind == Kind::kNone) return kStatusNotOpen;
  if (u.kind != Kind::kText) return kStatusWrongKind;
  return write_to_stream(unit, u, text, false);
}

namespace {

int read_line(std::FILE* stream, std::string& line) {
  line.clear();
  int c = 0;
  bool any = false;
  while ((c = std::getc(stream)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (line.size() >= kMaxRecordLength) return kStatusRecordTooLong;
    line.push_back(static_cast<char>(c));
  }
  if (c == EOF) {
    if (std::ferror(stream)) return errno_status();
    if (!any) return kEndOfFile;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return 0;
}

}  // namespace

int read_record(int unit, std::string& line) {
  if (unit == kKeyboard) {
    std::fflush(stdout);
    return read_line(stdin, line);
  }
  if (unit < 1 || unit > kMaxUnit) return kStatusBadUnit;
  Unit& u = table().units[static_cast<std::size_t>(unit)];
  if (u.kind == Kind::kNone) return kStatusNotOpen;
  if (u.kind != Kind::kText) return kStatusWrongKind;
  return read_line(u.stream, line);
}

int open_direct(int unit, const std::string& name, OpenStatus status, int record_bytes) {
  if (!file_unit_ok(unit) || record_bytes <= 0) return kStatusBadUnit;
  if (!name_ok(name)) return kStatusBadName;
  Unit& u = table().units[static_cast<std::size_t>(unit)];
  if (u.kind == Kind::kDirect && same_file(u, name) && u.record_bytes == record_bytes) return 0;
  if (u.kind != Kind::kNone) close_entry(u);
  int result = 0;
  int fd = open_fd(name, status, true, result);
  if (fd < 0) return result;
  u.kind = Kind::kDirect;
  u.name = name;
  u.fd = fd;
  u.record_bytes = record_bytes;
  remember_identity(u, fd);
  return 0;
}

namespace {

Unit* direct_unit(int unit, int& status) {
  if (unit < 1 || unit > kMaxUnit) {
    status = kStatusBadUnit;
    return nullptr;
  }
  Unit& u = table().units[static_cast<std::size_t>(unit)];
  if (u.kind == Kind::kNone) {
    status = kStatusNotOpen;
    return nullptr;
  }
  if (u.kind != Kind::kDirect) {
    status = kStatusWrongKind;
    return nullptr;
  }
  status = 0;
  return &u;
}

// Byte offset of a record, or -1 when the record number cannot address a file.
int64_t record_offset(const Unit& u, int64_t record) {
  if (record < 1) return -1;
  const int64_t limit = INT64_MAX / u.record_bytes;
  if (record - 1 >= limit) return -1;
  return (record - 1) * u.record_bytes;
}

int pread_all(int fd, void* buffer, std::size_t nbytes, int64_t offset) {
  auto* p = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < nbytes) {
    ssize_t got = ::pread(fd, p + done, nbytes - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno_status();
    }
    if (got == 0) return kStatusPastEnd;
    done += static_cast<std::size_t>(got);
  }
  return 0;
}

}  // namespace

int read_direct(int unit, int64_t record, void* buffer, std::size_t nbytes) {
  int status = 0;
  Unit* u = direct_unit(unit, status);
  if (u == nullptr) return status;
  if (nbytes > static_cast<std::size_t>(u->record_bytes)) return kStatusBadUnit;
  int64_t offset = record_offset(*u, record);
  if (offset < 0) return kStatusPastEnd;
  return pread_all(u->fd, buffer, nbytes, offset);
}

int read_direct_run(int unit, int64_t record, void* buffer, std::size_t nbytes) {
  int status = 0;
  Unit* u = direct_unit(unit, status);
  if (u == nullptr) return status;
  int64_t offset = record_offset(*u, record);
  if (offset < 0 || static_cast<uint64_t>(INT64_MAX - offset) < nbytes) return kStatusPastEnd;
  return pread_all(u->fd, buffer, nbytes, offset);
}

int write_direct(int unit, int64_t record, const void* buffer, std::size_t nbytes) {
  int status = 0;
  Unit* u = direct_unit(unit, status);
  if (u == nullptr) return status;
  if (nbytes > static_cast<std::size_t>(u->record_bytes)) return kStatusBadUnit;
  int64_t offset = record_offset(*u, record);
  if (offset < 0) return kStatusBadUnit;
  std::vector<char> full(static_cast<std::size_t>(u->record_bytes), 0);
  if (nbytes > 0) std::memcpy(full.data(), buffer, nbytes);
  std::size_t done = 0;
  while (done < full.size()) {
    ssize_t put = ::pwrite(u->fd, full.data() + done, full.size() - done,
                           static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno_status();
    }
    done += static_cast<std::size_t>(put);
  }
  return 0;
}

int64_t direct_file_size(int unit) {
  int status = 0;
  Unit* u = direct_unit(unit, status);
  if (u == nullptr) return -1;
  struct stat st {};
  if (::fstat(u->fd, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool file_begins_with(const std::string& name, std::string_view prefix) {
  if (!name_ok(name)) return false;
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  std::string head(prefix.size(), '\0');
  const bool begins =
      is_regular_fd(fd) && pread_all(fd, head.data(), head.size(), 0) == 0 && head == prefix;
  ::close(fd);
  return begins;
}

int close_unit(int unit) {
  if (unit == kScreen) {
    std::fflush(stdout);
    return 0;
  }
  if (unit < 1 || unit > kMaxUnit || unit == kKeyboard) return 0;
  Unit& u = table().units[static_cast<std::size_t>(unit)];
  if (u.kind == Kind::kNone) return 0;
  return close_entry(u);
}

bool is_connected(int unit) {
  if (unit == kKeyboard || unit == kScreen || unit == kStandardError) return true;
  if (unit < 1 || unit > kMaxUnit) return false;
  return table().units[static_cast<std::size_t>(unit)].kind != Kind::kNone;
}

void close_all_units() {
  for (auto& u : table().units) {
    if (u.kind != Kind::kNone) close_entry(u);
  }
  for (auto& c : table().captures) c = Capture{};
  std::fflush(stdout);
}

void flush_all_units() {
  std::fflush(stdout);
  for (auto& u : table().units) {
    if (u.stream != nullptr && u.error == 0 && std::fflush(u.stream) != 0) u.error = errno_status();
  }
}

int begin_capture(int unit) {
  if (unit < kStandardError || unit > kMaxUnit || unit == kKeyboard) return kStatusBadUnit;
  Capture& c = table().captures[static_cast<std::size_t>(unit)];
  c.on = true;
  c.bytes.clear();
  return 0;
}

bool is_captured(int unit) {
  return unit >= kStandardError && unit <= kMaxUnit && capture_of(unit) != nullptr;
}

std::size_t captured_size(int unit) {
  return is_captured(unit) ? capture_of(unit)->bytes.size() : 0;
}

std::string end_capture(int unit) {
  if (!is_captured(unit)) return {};
  Capture& c = *capture_of(unit);
  std::string bytes = std::move(c.bytes);
  c = Capture{};
  return bytes;
}

int write_captured(int unit, std::string_view bytes) {
  if (unit < kStandardError || unit > kMaxUnit || unit == kKeyboard) return kStatusBadUnit;
  if (is_captured(unit)) return kStatusInUse;
  if (unit == kStandardError) return bytes.empty() ? 0 : write_standard_error(bytes, false);
  if (unit == kScreen) {
    if (bytes.empty()) return 0;
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (bytes.back() != '\n') std::fflush(stdout);
    return std::ferror(stdout) ? EIO : 0;
  }
  Unit& u = table().units[static_cast<std::size_t>(unit)];
  if (u.kind == Kind::kNone) return kStatusNotOpen;
  if (u.kind != Kind::kText) return kStatusWrongKind;
  return write_to_stream(unit, u, bytes, false);
}

}  // namespace platform
