// The writer's system calls on POSIX systems: every entry opened relative to
// a held folder and without following links, the temporary created
// exclusively and renamed within its folder.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "files/internal/identity_posix.h"
#include "files/internal/write_inside_platform.h"

namespace dvk::internal {

namespace {

int fd(owned_handle_t const& handle) { return static_cast<int>(handle.get()); }

bool isLink(int dir, std::string const& part) {
  struct stat info {};
  return ::fstatat(dir, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

// Why opening part in dir failed, as an outcome.
write_outcome_t openFailure(int error, int dir, std::string const& part) {
  if ((error == ELOOP || error == ENOTDIR) && isLink(dir, part)) return write_outcome_t::throughLink;
  return write_outcome_t::openFailed;
}

file_facts_t factsOf(struct stat const& info) {
  file_facts_t facts;
  facts.id = identityOf(info);
  facts.size = static_cast<uint64_t>(info.st_size);
  facts.stamp = stampOf(info);
  facts.links = static_cast<uint64_t>(info.st_nlink);
  facts.replaceable = S_ISREG(info.st_mode) && (info.st_mode & 0222) != 0;
  facts.permissions = static_cast<uint32_t>(info.st_mode);
  facts.owner = static_cast<uint32_t>(info.st_uid);
  facts.group = static_cast<uint32_t>(info.st_gid);
  return facts;
}

// Folders are held by a descriptor that only locates them (O_PATH): names are
// opened relative to it, and it needs no right to list the folder.
write_outcome_t holdFolder(int parent, const char* part, folder_t& folder) {
  int const opened = ::openat(parent, part, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (opened < 0) return openFailure(errno, parent, part);
  folder.handle.reset(opened);
  return write_outcome_t::written;
}

}  // namespace

std::optional<write_outcome_t> refusedByPlatform(std::string const& /*name*/) { return std::nullopt; }

write_outcome_t openCurrentFolder(folder_t& folder) {
  // The process holds its current directory already: it stays the same
  // folder whatever is renamed meanwhile.
  folder.handle.reset(AT_FDCWD);
  return write_outcome_t::written;
}

write_outcome_t openFolder(folder_t const& parent, std::string const& part, folder_t& folder) {
  folder.spelt = parent.spelt + part + "/";
  return holdFolder(fd(parent.handle), part.c_str(), folder);
}

entry_t lookAt(folder_t const& folder, std::string const& part, file_facts_t& facts) {
  struct stat info {};
  if (::fstatat(fd(folder.handle), part.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? entry_t::absent : entry_t::failed;
  }
  if (S_ISLNK(info.st_mode)) return entry_t::link;
  facts = factsOf(info);
  return entry_t::present;
}

write_outcome_t openExisting(folder_t const& folder, std::string const& last, open_for_t /*purpose*/,
                             owned_handle_t& file, file_facts_t& facts) {
  // O_NONBLOCK: a FIFO swapped in opens at once (or fails) instead of
  // waiting for a reader; O_NOCTTY: a terminal never becomes ours.
  file.reset(::openat(fd(folder.handle), last.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.valid()) return openFailure(errno, fd(folder.handle), last);
  return identify(file.get(), facts) ? write_outcome_t::written : write_outcome_t::openFailed;
}

bool identify(os_handle_t file, file_facts_t& facts) {
  struct stat info {};
  if (::fstat(static_cast<int>(file), &info) != 0) return false;
  facts = factsOf(info);
  return true;
}

bool folderIsPrivate(folder_t const& folder) {
  struct stat info {};
  // An empty path: the folder itself, the current directory for AT_FDCWD.
  if (::fstatat(fd(folder.handle), "", &info, AT_EMPTY_PATH) != 0) return false;
  bool const ownOrRoot = info.st_uid == ::geteuid() || info.st_uid == 0;
  return ownOrRoot && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

created_t createTemporary(folder_t const& folder, temporary_file_t& temporary, bool replacing) {
  // O_EXCL: never through a link, never over anything that is there.
  int const opened = ::openat(fd(folder.handle), temporary.leaf.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, replacing ? 0600 : 0666);
  if (opened >= 0) {
    temporary.file.reset(opened);
    return created_t::created;
  }
  if (errno == EEXIST) return created_t::taken;
  if (errno == EACCES || errno == EPERM || errno == EROFS) return created_t::denied;
  return created_t::failed;
}

// Created relative to the folder's descriptor: it lies there.
bool liesIn(folder_t const& /*folder*/, temporary_file_t const& /*temporary*/) { return true; }

os_handle_t removalHandle(temporary_file_t const& /*temporary*/) { return noHandle; }

void removeTemporary(folder_t const& folder, temporary_file_t& temporary) {
  ::unlinkat(fd(folder.handle), temporary.leaf.c_str(), 0);
}

bool renameTemporary(folder_t const& folder, temporary_file_t const& temporary, std::string const& last) {
  return ::renameat(fd(folder.handle), temporary.leaf.c_str(), fd(folder.handle), last.c_str()) == 0;
}

bool takeOver(os_handle_t file, file_facts_t const& fresh, file_facts_t const& old) {
  int const descriptor = static_cast<int>(file);
  // EPERM: not root, or not a member of the group; EINVAL: an id this user
  // namespace cannot map.
  auto const notGiven = [] { return errno == EPERM || errno == EINVAL; };
  bool groupKept = fresh.group == old.group;
  if (fresh.owner != old.owner || !groupKept) {
    if (::fchown(descriptor, old.owner, old.group) == 0) {
      groupKept = true;
    } else if (!notGiven()) {
      return false;
    } else if (!groupKept) {
      if (::fchown(descriptor, static_cast<uid_t>(-1), old.group) == 0) {
        groupKept = true;
      } else if (!notGiven()) {
        return false;
      }
    }
  }
  // The bytes are a stranger's: they may be read and written as the old
  // ones were, never run. The group's bits belong to the old group: another
  // group (a set-group-ID folder's) gets none.
  mode_t mode = static_cast<mode_t>(old.permissions) & 0666;
  if (!groupKept) mode &= static_cast<mode_t>(~0070);
  return ::fchmod(descriptor, mode) == 0;
}

int64_t writeAt(os_handle_t file, const uint8_t* bytes, std::size_t size, uint64_t offset) {
  for (;;) {
    ssize_t const count = ::pwrite(static_cast<int>(file), bytes, size, static_cast<off_t>(offset));
    if (count >= 0 || errno != EINTR) return count;
  }
}

reserved_t reserveSize(os_handle_t file, std::size_t size) {
  // A write past the limit would fail part way (SIGXFSZ, EFBIG).
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size > limit.rlim_cur) {
    return reserved_t::failed;
  }
  if (size == 0) return reserved_t::reserved;
  // The blocks are reserved and the visible size stays as it is.
  if (::fallocate(static_cast<int>(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) {
    return reserved_t::reserved;
  }
  return errno == EOPNOTSUPP || errno == ENOSYS ? reserved_t::unsupported : reserved_t::failed;
}

bool setEnd(os_handle_t file, std::size_t size) {
  return ::ftruncate(static_cast<int>(file), static_cast<off_t>(size)) == 0;
}

}  // namespace dvk::internal
