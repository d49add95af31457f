// Writing a stored file: the one algorithm, over the platform's system calls
// (internal/write_inside_platform.h). Every folder is held from the current
// directory inward without following a link, the existing file is probed and
// kept or replaced as the rules say, and the bytes go into a fresh file
// beside the name that is moved over it, so that nothing swapped in between
// a test and a use can redirect the write.
#include "files/write_inside.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "files/files.h"
#include "files/internal/interrupt_cleanup.h"
#include "files/internal/temporary_name.h"
#include "files/internal/write_inside_platform.h"
#include "files/internal/write_seams.h"
#include "files/path_rules.h"

namespace dvk {

namespace {

using internal::file_facts_t;
using internal::folder_t;

// Enough for two runs that start together and a few strays of older ones.
constexpr int createAttempts = 16;

write_result_t outcome(write_outcome_t what) { return write_result_t{what, file_id_t{}, 0, {}}; }

// The name now holds the file facts tell of.
write_result_t written(file_facts_t const& facts) {
  return write_result_t{write_outcome_t::written, facts.id, facts.size, facts.stamp};
}

bool writeAll(internal::os_handle_t file, const uint8_t* bytes, std::size_t size) {
  uint64_t offset = 0;
  while (size > 0) {
    int64_t const count = internal::writeAt(file, bytes, size, offset);
    if (count <= 0) return false;
    bytes += count;
    size -= static_cast<std::size_t>(count);
    offset += static_cast<uint64_t>(count);
  }
  return true;
}

// Room for size bytes in the file that holds old bytes now, before one of them
// changes. Where the system reserves nothing, zeros past the old end take the
// room, and where they find none the file gets its old end back.
bool reserve(internal::os_handle_t file, uint64_t old, std::size_t size) {
  switch (internal::reserveSize(file, size)) {
    case internal::reserved_t::reserved:
      return true;
    case internal::reserved_t::failed:
      return false;
    case internal::reserved_t::unsupported:
      break;
  }
  static constexpr uint8_t zeros[4096] = {};
  for (uint64_t at = old; at < size;) {
    std::size_t const piece = size - at < sizeof zeros ? static_cast<std::size_t>(size - at) : sizeof zeros;
    int64_t const written = internal::writeAt(file, zeros, piece, at);
    if (written <= 0) {
      internal::setEnd(file, static_cast<std::size_t>(old));
      return false;
    }
    at += static_cast<uint64_t>(written);
  }
  return true;
}

// Closes a file that was written, now: a failed close can be the only sign of
// bytes that never reached the disk.
bool closeWritten(internal::owned_handle_t& file) {
  bool const closed = file.close();
  return closed && !internal::writeSeams().failClose;
}

// A fresh file beside the name, removed again unless it was moved into
// place; an interrupt removes it too while it exists.
class temporary_t {
 public:
  explicit temporary_t(folder_t const& folder) : folder_(folder) {}
  ~temporary_t() { discard(); }
  temporary_t(temporary_t const&) = delete;
  temporary_t& operator=(temporary_t const&) = delete;

  internal::created_t create(std::string const& last, bool replacing) {
    for (int attempt = 0; attempt < createAttempts; ++attempt) {
      file_.leaf = internal::temporaryName(last);
      // Held until it is recorded: an interrupt comes before the file exists
      // or once it would remove it, never between.
      internal::interrupts_held_t const held;
      internal::created_t const made = internal::writeSeams().denyTemporary
                                           ? internal::created_t::denied
                                           : internal::createTemporary(folder_, file_, replacing);
      if (made == internal::created_t::created) {
        internal::recordTemporary(folder_.handle.get(), file_.leaf.c_str(), internal::removalHandle(file_));
        recorded_ = true;
        // What was made elsewhere goes again, as any failed write's file.
        return internal::liesIn(folder_, file_) ? made : internal::created_t::failed;
      }
      if (made != internal::created_t::taken) return made;
    }
    return internal::created_t::taken;
  }
  internal::os_handle_t file() const { return file_.file.get(); }
  std::string const& leaf() const { return file_.leaf; }
  bool close() { return closeWritten(file_.file); }
  // Moves it over last, and it is no longer this writer's to remove.
  bool moveOver(std::string const& last) {
    // Held until it is forgotten: an interrupt never removes the file that
    // now bears the name.
    internal::interrupts_held_t const held;
    if (!internal::renameTemporary(folder_, file_, last)) return false;
    forget();
    return true;
  }

 private:
  void discard() {
    file_.file.reset();
    if (!recorded_) return;
    // Held until it is forgotten: an interrupt never removes another
    // process's file that takes the name once it is free.
    internal::interrupts_held_t const held;
    internal::removeTemporary(folder_, file_);
    forget();
  }
  void forget() {
    internal::forgetTemporary();
    recorded_ = false;
    file_.keeper.reset();
  }

  folder_t const& folder_;
  // Recorded for an interrupt while the file exists: never changed then.
  internal::temporary_file_t file_;
  bool recorded_ = false;
};

// The existing file itself, rewritten where its folder takes no new entry.
// Only where no one else can swap the name meanwhile, only the very file that
// was probed (and that keep() was asked about), only while it may still be
// written and this is its one name, so that no other name's bytes change.
// Nothing changes until its new size is reserved; interrupts wait until it is
// whole; the bytes come first and the end of the file last.
write_result_t rewriteInPlace(folder_t const& folder, std::string const& last, file_facts_t const& probed,
                              const uint8_t* bytes, std::size_t size) {
  if (!internal::folderIsPrivate(folder)) return outcome(write_outcome_t::othersFolder);
  internal::owned_handle_t file;
  file_facts_t facts;
  write_outcome_t const opened = internal::openExisting(folder, last, internal::open_for_t::rewrite, file, facts);
  if (opened != write_outcome_t::written) return outcome(opened);
  if (!facts.replaceable || facts.links != 1 || facts.id != probed.id) return outcome(write_outcome_t::openFailed);
  if (!reserve(file.get(), facts.size, size)) return outcome(write_outcome_t::writeFailed);
  internal::interrupts_held_t const held;
  file_facts_t after;
  if (!writeAll(file.get(), bytes, size) || !internal::setEnd(file.get(), size) ||
      !internal::identify(file.get(), after) || !closeWritten(file)) {
    return outcome(write_outcome_t::writeFailed);
  }
  return written(after);
}

// The file at last in folder before anything is written: none (absent), or
// one that this user may replace (facts, and held where the platform pins it
// so); otherwise the outcome that refuses the name.
write_outcome_t probe(folder_t const& folder, std::string const& last, bool& exists, internal::owned_handle_t& held,
                      file_facts_t& facts) {
  exists = false;
  switch (internal::lookAt(folder, last, facts)) {
    case internal::entry_t::absent:
      return write_outcome_t::written;
    case internal::entry_t::link:
      return write_outcome_t::throughLink;
    case internal::entry_t::failed:
      return write_outcome_t::openFailed;
    case internal::entry_t::present:
      break;
  }
  // A FIFO or a device is never opened, a folder or a read-only file never
  // replaced.
  if (!facts.replaceable) return write_outcome_t::openFailed;
  // This user must be one who may change it: the test open neither
  // truncates nor waits, and nothing is written through it.
  write_outcome_t const opened = internal::openExisting(folder, last, internal::open_for_t::probe, held, facts);
  if (opened != write_outcome_t::written) return opened;
  if (!facts.replaceable) return write_outcome_t::openFailed;
  exists = true;
  return write_outcome_t::written;
}

// Writes last inside folder.
write_result_t writeInFolder(folder_t const& folder, std::string const& last, const uint8_t* bytes, std::size_t size,
                             keep_file_t const& keep) {
  if (last.empty() || last == ".") return outcome(write_outcome_t::openFailed);
  bool exists = false;
  // Held open until the file is replaced or rewritten, so that its identity
  // cannot pass to another file meanwhile.
  internal::owned_handle_t probed;
  file_facts_t existing;
  write_outcome_t const refused = probe(folder, last, exists, probed, existing);
  if (refused != write_outcome_t::written) return outcome(refused);
  if (exists && keep && keep(existing.id)) return write_result_t{write_outcome_t::keptFile, existing.id, 0, {}};
  if (exists && internal::writeSeams().afterProbe) internal::writeSeams().afterProbe();

  temporary_t temporary(folder);
  internal::created_t const made = temporary.create(last, exists);
  if (made == internal::created_t::denied && exists) return rewriteInPlace(folder, last, existing, bytes, size);
  if (made != internal::created_t::created) return outcome(write_outcome_t::openFailed);
  file_facts_t fresh;
  if (!internal::identify(temporary.file(), fresh) ||
      (exists && !internal::takeOver(temporary.file(), fresh, existing)) || !writeAll(temporary.file(), bytes, size)) {
    return outcome(write_outcome_t::writeFailed);
  }
  if (internal::writeSeams().afterWrite) internal::writeSeams().afterWrite(temporary.leaf());
  if (!temporary.close()) return outcome(write_outcome_t::writeFailed);
  probed.reset();
  // Where the temporary is moved by its name, something else may bear that
  // name by now: the name must end up holding the very file written.
  file_facts_t placed;
  if (!temporary.moveOver(last) || internal::lookAt(folder, last, placed) != internal::entry_t::present ||
      placed.id != fresh.id) {
    return outcome(write_outcome_t::writeFailed);
  }
  return written(placed);
}

}  // namespace

write_result_t writeInside(std::string const& name, const uint8_t* bytes, std::size_t size, keep_file_t const& keep) {
  // The rules on the text come first: none of these names reaches a call.
  if (!staysInside(name)) return outcome(write_outcome_t::leadsOutside);
  if (hasHiddenPart(name)) return outcome(write_outcome_t::hiddenName);
  if (auto const refused = internal::refusedByPlatform(name)) return outcome(*refused);

  // Each folder on the way stays held until the file is in place.
  std::vector<folder_t> folders(1);
  write_outcome_t const here = internal::openCurrentFolder(folders.back());
  if (here != write_outcome_t::written) return outcome(here);
  std::size_t begin = 0;
  for (std::size_t end = name.find_first_of(pathSeparators); end != std::string::npos;
       end = name.find_first_of(pathSeparators, begin)) {
    std::string const part = name.substr(begin, end - begin);
    begin = end + 1;
    // Empty and "." parts stay where they are; ".." never gets here.
    if (part.empty() || part == ".") continue;
    folder_t next;
    write_outcome_t const opened = internal::openFolder(folders.back(), part, next);
    if (opened != write_outcome_t::written) return outcome(opened);
    folders.push_back(std::move(next));
  }
  return writeInFolder(folders.back(), name.substr(begin), bytes, size, keep);
}

write_batch_t::write_batch_t() { internal::watchInterrupts(); }

write_batch_t::~write_batch_t() { internal::unwatchInterrupts(); }

}  // namespace dvk
