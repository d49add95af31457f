// Writing a stored file on POSIX systems: every folder opened relative to the
// one before and without following links, the bytes written beside the name
// and renamed over it, all through directory handles, so that nothing swapped
// in between a test and a use can redirect the write.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "files/internal/temporary_name.h"
#include "files/path_rules.h"
#include "files/write_inside.h"

namespace dvk {

namespace {

// Enough for two runs that start together and a few strays of older ones.
constexpr int createAttempts = 16;

// Closes a descriptor on every way out; AT_FDCWD and -1 are never closed.
class descriptor_t {
 public:
  explicit descriptor_t(int fd) : fd_(fd) {}
  ~descriptor_t() {
    if (fd_ >= 0) ::close(fd_);
  }
  descriptor_t(descriptor_t const&) = delete;
  descriptor_t& operator=(descriptor_t const&) = delete;

  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now. A failed close can be the only sign of bytes that never
  // reached the disk (NFS, quotas).
  bool close() {
    int const fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// A fresh file beside the name, removed again unless it was renamed into place.
class temporary_file_t {
 public:
  explicit temporary_file_t(int dir) : dir_(dir) {}
  ~temporary_file_t() { discard(); }
  temporary_file_t(temporary_file_t const&) = delete;
  temporary_file_t& operator=(temporary_file_t const&) = delete;

  // Creates it exclusively, never through a link; mode 0666 lets the umask
  // decide, as for any new file. False with errno set when it cannot be made.
  bool create(std::string const& last) {
    for (int attempt = 0; attempt < createAttempts; ++attempt) {
      name_ = internal::temporaryName(last);
      int const fd = ::openat(dir_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd >= 0) {
        created_ = true;
        file_.reset(fd);
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }
  int fd() const { return file_.get(); }
  bool close() { return file_.close(); }
  // Replaces the directory entry last, whatever it is now (a link or a FIFO
  // swapped in is replaced, never written through).
  bool renameOver(std::string const& last) {
    if (::renameat(dir_, name_.c_str(), dir_, last.c_str()) != 0) return false;
    created_ = false;
    return true;
  }

 private:
  void discard() {
    file_.reset(-1);
    if (created_) ::unlinkat(dir_, name_.c_str(), 0);
    created_ = false;
  }

  int dir_;
  std::string name_;
  descriptor_t file_{-1};
  bool created_ = false;
};

bool isLink(int dir, std::string const& part) {
  struct stat info {};
  return ::fstatat(dir, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

bool isRegular(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

file_id_t idOf(struct stat const& info) {
  return file_id_t{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// The identity of an open file; false when it cannot be told.
bool identify(int fd, file_id_t& id) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  id = idOf(info);
  return true;
}

write_result_t outcome(write_outcome_t what) { return write_result_t{what, file_id_t{}}; }

// Why opening part in dir failed, as an outcome.
write_outcome_t openFailure(int error, int dir, std::string const& part) {
  if (error == ELOOP || error == ENOTDIR) {
    if (isLink(dir, part)) return write_outcome_t::throughLink;
  }
  return write_outcome_t::openFailed;
}

bool writeAll(int fd, const uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t const count = ::write(fd, bytes, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

// The existing file itself, rewritten through a handle that was opened
// without following a link or blocking, and checked to be a regular file.
write_result_t rewriteInPlace(int dir, std::string const& last, const uint8_t* bytes, std::size_t size) {
  descriptor_t file(::openat(dir, last.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return outcome(openFailure(errno, dir, last));
  write_result_t result{write_outcome_t::written, file_id_t{}};
  if (!isRegular(file.get()) || !identify(file.get(), result.file)) return outcome(write_outcome_t::openFailed);
  if (!writeAll(file.get(), bytes, size)) return outcome(write_outcome_t::writeFailed);
  return file.close() ? result : outcome(write_outcome_t::writeFailed);
}

// Writes last inside the folder dir.
write_result_t writeInFolder(int dir, std::string const& last, const uint8_t* bytes, std::size_t size,
                             keep_file_t const& keep) {
  if (last.empty() || last == ".") return outcome(write_outcome_t::openFailed);
  bool existed = false;
  struct stat info {};
  if (::fstatat(dir, last.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(info.st_mode)) return outcome(write_outcome_t::throughLink);
    // A FIFO or a device is never opened, a folder never replaced.
    if (!S_ISREG(info.st_mode)) return outcome(write_outcome_t::openFailed);
    // The file must be one this user may change (a read-only file stays as
    // it is); the test open neither truncates nor blocks.
    descriptor_t probe(::openat(dir, last.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (probe.get() < 0) return outcome(openFailure(errno, dir, last));
    struct stat opened {};
    if (::fstat(probe.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) return outcome(write_outcome_t::openFailed);
    if (keep && keep(idOf(opened))) return write_result_t{write_outcome_t::keptFile, idOf(opened)};
    if (!probe.close()) return outcome(write_outcome_t::openFailed);
    existed = true;
  } else if (errno != ENOENT) {
    return outcome(write_outcome_t::openFailed);
  }

  temporary_file_t temporary(dir);
  if (!temporary.create(last)) {
    // A folder that takes no new entry: a user who may change the file but
    // not the folder keeps that ability.
    if (existed && (errno == EACCES || errno == EPERM || errno == EROFS)) return rewriteInPlace(dir, last, bytes, size);
    return outcome(write_outcome_t::openFailed);
  }
  write_result_t result{write_outcome_t::written, file_id_t{}};
  if (!identify(temporary.fd(), result.file) || !writeAll(temporary.fd(), bytes, size) || !temporary.close() ||
      !temporary.renameOver(last)) {
    return outcome(write_outcome_t::writeFailed);
  }
  return result;
}

}  // namespace

write_result_t writeInside(std::string const& name, const uint8_t* bytes, std::size_t size, keep_file_t const& keep) {
  if (!staysInside(name)) return outcome(write_outcome_t::leadsOutside);
  if (hasHiddenPart(name)) return outcome(write_outcome_t::hiddenName);
  descriptor_t dir(AT_FDCWD);
  std::size_t begin = 0;
  for (std::size_t end = name.find('/'); end != std::string::npos; end = name.find('/', begin)) {
    std::string const part = name.substr(begin, end - begin);
    begin = end + 1;
    // Empty and "." parts stay where they are; ".." never gets here.
    if (part.empty() || part == ".") continue;
    int const next = ::openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) return outcome(openFailure(errno, dir.get(), part));
    dir.reset(next);
  }
  return writeInFolder(dir.get(), name.substr(begin), bytes, size, keep);
}

}  // namespace dvk
