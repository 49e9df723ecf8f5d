#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/units.h"

namespace vemrask_fuzz {

const std::string& scratch_dir() {
  static const std::string dir = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vemrask-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }();
  return dir;
}

std::string write_input(const std::string& name, const uint8_t* data, std::size_t size) {
  const std::string path = scratch_dir() + "/" + name;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("cannot write the input file");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return path;
}

void open_message_units() {
  static_cast<void>(platform::open_text(kOutputUnit, "/dev/null", platform::OpenStatus::kUnknown));
  static_cast<void>(platform::open_text(kLogUnit, "/dev/null", platform::OpenStatus::kUnknown));
}

void silence_screen() {
  std::fflush(stdout);
  const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::dup2(fd, 1);
    ::close(fd);
  }
}

}  // namespace vemrask_fuzz
