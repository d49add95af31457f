// run: chooses the .sfv and .srr to verify, runs the checks, and turns the
// failures of both checks into the exit status.
#include "run.h"

#include <cstddef>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "check_result.h"
#include "console/console.h"
#include "crc_cache.h"
#include "discovery.h"
#include "files/file_status.h"
#include "files/files.h"
#include "files/system_reason.h"
#include "finish.h"
#include "program.h"
#include "reported_files.h"
#include "sfv_check.h"
#include "srr_check.h"

namespace {

struct chosen_t {
  std::string sfv;
  std::string srr;
  // Typed as arguments, or entries that discovery found.
  dvk::name_from_t from = dvk::name_from_t::user;
};

// Arguments in command-line order; a later one of a kind replaces an earlier one.
bool chooseFromArguments(std::vector<std::string> const& arguments, chosen_t& chosen) {
  for (std::string const& argument : arguments) {
    if (!dvk::exists(argument)) {
      dvk::con::error([&argument] { std::cerr << "could not find '" << argument << "' - does it exist ?"; });
      return false;
    }
    if (dvk::isDirectory(argument)) {
      dvk::con::error([&argument] { std::cerr << "'" << argument << "' is a directory."; });
      return false;
    }
    (dvk::extension(argument) == "srr" ? chosen.srr : chosen.sfv) = argument;
  }
  return true;
}

// Several candidates: the best guess is checked, after a warning.
void warnIfSeveral(const char* ext, app::discovery_t const& found) {
  if (found.count > 1) {
    dvk::con::warning(std::string("found multiple files with a ") + ext + " extension; using best guess.");
  }
}

// False, after the error, when discovery could not list the current
// directory: it never looked, so "could not find" would not be true.
bool listed(app::discovery_t const& found) {
  if (!found.failure) return true;
  dvk::con::error("could not list the current working directory: " + dvk::systemReason(found.failure) + ".");
  return false;
}

// Discovery of one kind; false (after the error) when none was found.
bool discoverOne(const char* ext, std::string& name) {
  app::discovery_t const found = app::discover(ext);
  if (!listed(found)) return false;
  name = found.name;
  if (found.count == 0) {
    dvk::con::error(std::string("could not find an ") + ext + " file in the current working directory.");
    return false;
  }
  warnIfSeveral(ext, found);
  return true;
}

bool chooseByDiscovery(chosen_t& chosen) {
  chosen.from = dvk::name_from_t::directory;
  if (app::optSfv.isSet()) {
    return discoverOne(".sfv", chosen.sfv);
  }
  if (app::optSrr.isSet()) {
    return discoverOne(".srr", chosen.srr);
  }
  app::discovery_t const srr = app::discover(".srr");
  if (!listed(srr)) return false;
  app::discovery_t const sfv = app::discover(".sfv");
  if (!listed(sfv)) return false;
  if (srr.count == 0 && sfv.count == 0) {
    dvk::con::error("could not find an .sfv or .srr file in the current working directory.");
    return false;
  }
  warnIfSeveral(".sfv", sfv);
  warnIfSeveral(".srr", srr);
  chosen.sfv = sfv.name;
  chosen.srr = srr.name;
  return true;
}

// Loads a chosen checksum file whole; false (after the error) when it is not
// a regular file (never opened: a FIFO would block), cannot be read, or is empty.
// Its buffer is reserved first: memory running out there is reported as that
// (loadFile, which never throws, would only say that it could not read).
bool loadChecksumFile(std::string const& name, dvk::name_from_t from, dvk::file_t& file) {
  dvk::file_status_t const status = dvk::fileStatus(name, from);
  bool const loadable = status.ok && status.kind == dvk::file_kind_t::regular;
  if (loadable && status.size <= file.data.max_size()) file.data.reserve(static_cast<std::size_t>(status.size));
  if (!loadable || !dvk::loadFile(name, file, from)) {
    dvk::con::error([&name] { std::cerr << "could not read from '" << name << "'"; });
    return false;
  }
  if (file.data.empty()) {
    dvk::con::error([&file] { std::cerr << "'" << file.name << "' is an empty file."; });
    return false;
  }
  return true;
}

// check over file, or empty, after the error, when memory ran out on the way:
// the check stops there (with -x nothing more is written), and what it had
// collected is released as it unwinds.
std::optional<app::result_t> checkWithinMemory(app::result_t (*check)(dvk::file_t const&), dvk::file_t const& file) {
  try {
    return check(file);
  } catch (std::bad_alloc const&) {
  }
  // The cache may be what filled the memory, and the run ends here.
  app::crcCache.clear();
  // Written piece by piece: a message built as one string would need memory.
  dvk::con::error([&file] { std::cerr << "'" << file.name << "' could not be checked: not enough memory."; });
  return std::nullopt;
}

// Every entry is counted once as ok, mismatch or missing, so the sum is 0
// exactly when the check passed.
uint64_t failureCount(app::result_t const& result) {
  return uint64_t{result.mismatch} + result.missing + result.unparseable;
}

int runChecks() {
  chosen_t chosen;
  std::vector<std::string> const& arguments = app::rootParser.positionals();
  if (!(arguments.empty() ? chooseByDiscovery(chosen) : chooseFromArguments(arguments, chosen))) {
    return 1;
  }

  // Both checks count: an .srr stores the .nfo and the .sfv, not the archive
  // volumes, so its passing says nothing about volumes the .sfv found damaged.
  uint64_t failures = 0;
  if (!chosen.sfv.empty()) {
    dvk::file_t sfv;
    if (!loadChecksumFile(chosen.sfv, chosen.from, sfv)) {
      return 1;
    }
    std::optional<app::result_t> const checked = checkWithinMemory(app::check, sfv);
    if (!checked) {
      return 1;
    }
    app::result_t const& result = *checked;
    if (result.checked == 0) {
      dvk::con::error([&sfv] { std::cerr << "'" << sfv.name << "' didn't contain any file checksum entries."; });
      return 1;
    }
    failures += failureCount(result);
    // A list found intact is in the report: -x leaves it as it is.
    if (result.passed) app::recordReported(sfv.id, app::reported_as_t::list, chosen.sfv, chosen.from);
    if (!chosen.srr.empty()) {
      std::cout << "\n";
    }
  }
  if (!chosen.srr.empty()) {
    dvk::file_t srr;
    if (!loadChecksumFile(chosen.srr, chosen.from, srr)) {
      return 1;
    }
    // A block may name the .srr itself, under any spelling: the file the user
    // checks is never replaced.
    app::recordReported(srr.id, app::reported_as_t::srr, chosen.srr, chosen.from);
    std::optional<app::result_t> const checked = checkWithinMemory(app::checkSrr, srr);
    if (!checked) {
      return 1;
    }
    failures += failureCount(*checked);
  }
  return app::exitStatus(failures);
}

}  // namespace

int run(dvk::con::Console& /*console*/) {
  // Outside the checks only discovery's listing, the chosen names and the
  // loading take memory; running out there ends the run the same way.
  try {
    return runChecks();
  } catch (std::bad_alloc const&) {
  }
  dvk::con::error([] { std::cerr << "not enough memory."; });
  return 1;
}
