// Reading regular files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "files/internal/identity_posix.h"
#include "files/native_path.h"
#include "files/regular_file.h"

namespace dvk {

regular_file_t::regular_file_t(std::string const& name, name_from_t from) {
  std::optional<std::filesystem::path> const native = platform::systemPath(name, from);
  if (!native) return;
  // O_NONBLOCK: a FIFO without a writer opens at once instead of waiting; it
  // is then refused by its type. O_NOCTTY: a terminal never becomes ours.
  int const fd = ::open(native->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return;
  }
  // Reads of a regular file never wait anyway; clear the flag so that none
  // can end early with EAGAIN.
  int const flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return;
  }
  handle_ = fd;
  size_ = static_cast<uint64_t>(info.st_size);
  left_ = size_;
  id_ = internal::identityOf(info);
  stamp_ = internal::stampOf(info);
}

regular_file_t::~regular_file_t() {
  if (isOpen()) ::close(static_cast<int>(handle_));
}

// Not const, though the handle stays: a read moves the file's position.
// NOLINTNEXTLINE(readability-make-member-function-const)
int64_t regular_file_t::read(uint8_t* buffer, std::size_t count) {
  if (!isOpen()) return -1;
  if (count > left_) count = static_cast<std::size_t>(left_);
  if (count == 0) return 0;
  for (;;) {
    ssize_t const got = ::read(static_cast<int>(handle_), buffer, count);
    if (got >= 0) {
      left_ -= static_cast<uint64_t>(got);
      return static_cast<int64_t>(got);
    }
    if (errno != EINTR) return -1;
  }
}

}  // namespace dvk
