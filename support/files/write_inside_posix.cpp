// Writing a stored file on POSIX systems: every folder opened relative to the
// one before and without following links, the bytes written beside the name
// and renamed over it, all through directory handles, so that nothing swapped
// in between a test and a use can redirect the write. A replaced file keeps
// its owner, group and permission bits; an interrupted write leaves no
// temporary file.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "files/internal/interrupt_cleanup_posix.h"
#include "files/internal/temporary_name.h"
#include "files/internal/write_seams.h"
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
  // Closes a file that was written, now. A failed close can be the only sign
  // of bytes that never reached the disk (NFS, quotas).
  bool closeWritten() {
    int const fd = fd_;
    fd_ = -1;
    bool const closed = ::close(fd) == 0;
    return closed && !internal::writeSeams().failClose;
  }

 private:
  int fd_;
};

// A fresh file beside the name, removed again unless it was renamed into
// place; an interrupting signal removes it too while it exists.
class temporary_file_t {
 public:
  explicit temporary_file_t(int dir) : dir_(dir) {}
  ~temporary_file_t() { discard(); }
  temporary_file_t(temporary_file_t const&) = delete;
  temporary_file_t& operator=(temporary_file_t const&) = delete;

  // Creates it exclusively, never through a link or over anything that is
  // there (O_EXCL), with mode; 0 or the errno of the failure.
  int create(std::string const& last, mode_t mode) {
    for (int attempt = 0; attempt < createAttempts; ++attempt) {
      name_ = internal::temporaryName(last);
      // Held until it is recorded: a signal can come before the file exists
      // or once an interrupt would remove it, never between.
      internal::interrupts_held_t const held;
      int const fd = ::openat(dir_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
      if (fd >= 0) {
        internal::recordTemporary(dir_, name_.c_str());
        created_ = true;
        file_.reset(fd);
        return 0;
      }
      if (errno != EEXIST) return errno;
    }
    return EEXIST;
  }
  int fd() const { return file_.get(); }
  bool close() { return file_.closeWritten(); }
  // Replaces the directory entry last, whatever it is now (a link or a FIFO
  // swapped in is replaced, never written through).
  bool renameOver(std::string const& last) {
    // Held until it is forgotten: an interrupt never removes the file that
    // now bears the name.
    internal::interrupts_held_t const held;
    if (::renameat(dir_, name_.c_str(), dir_, last.c_str()) != 0) return false;
    internal::forgetTemporary();
    created_ = false;
    return true;
  }

 private:
  void discard() {
    file_.reset(-1);
    if (!created_) return;
    // Held until it is forgotten: an interrupt never removes another
    // process's file that takes the name once it is free.
    internal::interrupts_held_t const held;
    ::unlinkat(dir_, name_.c_str(), 0);
    internal::forgetTemporary();
    created_ = false;
  }

  int dir_;
  // Recorded for an interrupt while the file exists: never changed then.
  std::string name_;
  descriptor_t file_{-1};
  bool created_ = false;
};

bool isLink(int dir, std::string const& part) {
  struct stat info {};
  return ::fstatat(dir, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

file_id_t idOf(struct stat const& info) {
  return file_id_t{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// A file that may be replaced or rewritten: a regular file that someone may
// write. One that nobody may write is kept as it is, even by root, who could.
bool replaceable(struct stat const& info) { return S_ISREG(info.st_mode) && (info.st_mode & 0222) != 0; }

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

// Gives the fresh file fd (as it is now: fresh) the owner, group and
// permission bits of the file old that it replaces, before any byte is in it,
// so that the bytes are never readable by more users than the old ones were.
// The owner only where this process may give it (root); the group also where
// the user belongs to it. Only the 0777 bits: a setuid, setgid or sticky bit
// never passes to bytes that came from a stranger.
bool takeOver(int fd, struct stat const& fresh, struct stat const& old) {
  // EPERM: not root; EINVAL: an id this user namespace cannot map.
  auto const notGiven = [] { return errno == EPERM || errno == EINVAL; };
  if ((fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    if (!notGiven()) return false;
    if (fresh.st_gid != old.st_gid && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0 && !notGiven()) {
      return false;
    }
  }
  return ::fchmod(fd, old.st_mode & 0777) == 0;
}

// The existing file itself, rewritten where its folder takes no new entry.
// Only the very file that was probed (and that keep() was asked about): a
// link, a FIFO or another file swapped in since is refused. Only while this is
// its one name, so that no other name's bytes change. Opened without
// following a link, blocking or truncating; cut only once all that holds.
write_result_t rewriteInPlace(int dir, std::string const& last, struct stat const& probed, const uint8_t* bytes,
                              std::size_t size) {
  descriptor_t file(::openat(dir, last.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) return outcome(openFailure(errno, dir, last));
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !replaceable(info) || info.st_nlink != 1 || idOf(info) != idOf(probed)) {
    return outcome(write_outcome_t::openFailed);
  }
  if (::ftruncate(file.get(), 0) != 0 || !writeAll(file.get(), bytes, size) || !file.closeWritten()) {
    return outcome(write_outcome_t::writeFailed);
  }
  return write_result_t{write_outcome_t::written, idOf(info)};
}

// Probes the name last in dir: nothing there (opened stays closed), or a
// file that may be replaced, which this user may open for writing and which
// keep() does not keep (opened holds it, and info its status). Otherwise the
// outcome that refuses it; nothing is written.
std::optional<write_result_t> probe(int dir, std::string const& last, keep_file_t const& keep, descriptor_t& opened,
                                    struct stat& info) {
  if (::fstatat(dir, last.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return outcome(write_outcome_t::openFailed);
  }
  if (S_ISLNK(info.st_mode)) return outcome(write_outcome_t::throughLink);
  // A FIFO or a device is never opened, a folder never replaced.
  if (!replaceable(info)) return outcome(write_outcome_t::openFailed);
  // The file must be one this user may change; the test open neither
  // truncates nor blocks, and nothing is written through it.
  opened.reset(::openat(dir, last.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (opened.get() < 0) return outcome(openFailure(errno, dir, last));
  if (::fstat(opened.get(), &info) != 0 || !replaceable(info)) return outcome(write_outcome_t::openFailed);
  if (keep && keep(idOf(info))) return write_result_t{write_outcome_t::keptFile, idOf(info)};
  return std::nullopt;
}

// Writes last inside the folder dir.
write_result_t writeInFolder(int dir, std::string const& last, const uint8_t* bytes, std::size_t size,
                             keep_file_t const& keep) {
  if (last.empty() || last == ".") return outcome(write_outcome_t::openFailed);
  // Held open until the write is done, so that its identity cannot pass to
  // another file meanwhile (a freed inode number is given out again).
  descriptor_t probed(-1);
  struct stat existing {};
  if (std::optional<write_result_t> const refused = probe(dir, last, keep, probed, existing)) return *refused;
  bool const exists = probed.get() >= 0;
  if (exists && internal::writeSeams().afterProbe) internal::writeSeams().afterProbe();

  temporary_file_t temporary(dir);
  // A replacement starts readable by this user alone and then takes the old
  // file's bits; a new file's mode 0666 lets the umask decide.
  int const error = temporary.create(last, exists ? 0600 : 0666);
  if (error != 0) {
    // A folder that takes no new entry: a user who may change the file but
    // not the folder keeps that ability.
    if (exists && (error == EACCES || error == EPERM || error == EROFS)) {
      return rewriteInPlace(dir, last, existing, bytes, size);
    }
    return outcome(write_outcome_t::openFailed);
  }
  struct stat fresh {};
  if (::fstat(temporary.fd(), &fresh) != 0 || (exists && !takeOver(temporary.fd(), fresh, existing)) ||
      !writeAll(temporary.fd(), bytes, size) || !temporary.close() || !temporary.renameOver(last)) {
    return outcome(write_outcome_t::writeFailed);
  }
  return write_result_t{write_outcome_t::written, idOf(fresh)};
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
