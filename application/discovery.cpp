// Finding the checksum file in the current working directory, with the
// ".m3u", ".nfo" and directory-name tie-breaks.
#include "discovery.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "files/directory_listing.h"
#include "text/text.h"

namespace app {

namespace {

namespace fs = std::filesystem;

struct listing_t {
  std::string dirStem;             // lower-cased stem of the directory's own name
  std::vector<std::string> names;  // candidates, in listing order
};

// Names are UTF-8 inside the program: the u8 forms convert on Windows and
// are the bytes unchanged on POSIX.
std::string stemOf(std::string const& name) { return fs::u8path(name).stem().u8string(); }

// The listing's failure when the directory cannot be determined or listed to
// its end.
std::error_code listCandidates(std::string const& ext, listing_t& listing) {
  dvk::directory_listing_t directory;
  if (std::error_code const failure = dvk::listCurrentDirectory(directory)) {
    return failure;
  }
  listing.dirStem = dvk::toLower(stemOf(directory.name));
  for (std::string const& name : directory.entries) {
    if (dvk::toLower(fs::u8path(name).extension().u8string()) == ext) {
      listing.names.push_back(name);
    }
  }
  return std::error_code();
}

// active: the extensions being looked up by this lookup and its callers. A
// tie-break for one of them is skipped, so that nested ".m3u" and ".nfo"
// lookups cannot call each other without end.
discovery_t lookup(std::string const& ext, std::vector<std::string>& active) {
  listing_t listing;
  discovery_t found;
  found.failure = listCandidates(ext, listing);
  if (found.failure || listing.names.empty()) {
    return found;
  }
  std::vector<std::string> const& candidates = listing.names;
  found.count = static_cast<uint32_t>(candidates.size());
  if (candidates.size() == 1) {
    found.name = candidates.front();
    return found;
  }

  // A candidate name is never empty, so empty means nothing chosen yet; the
  // last candidate that satisfies the deciding rule wins.
  std::string chosen;
  for (const char* rule : {".m3u", ".nfo"}) {
    if (!chosen.empty() || std::find(active.begin(), active.end(), rule) != active.end()) {
      continue;
    }
    // A nested listing that fails has no name, which no candidate's stem
    // matches: the rule decides nothing.
    active.emplace_back(rule);
    std::string const companion = stemOf(lookup(rule, active).name);
    active.pop_back();
    for (std::string const& candidate : candidates) {
      if (stemOf(candidate) == companion) {
        chosen = candidate;
      }
    }
  }
  if (chosen.empty()) {
    for (std::string const& candidate : candidates) {
      if (dvk::toLower(stemOf(candidate)).find(listing.dirStem) != std::string::npos) {
        chosen = candidate;
      }
    }
  }
  found.name = chosen.empty() ? candidates.front() : chosen;
  return found;
}

}  // namespace

discovery_t discover(std::string const& ext) {
  std::vector<std::string> active{ext};
  return lookup(ext, active);
}

}  // namespace app
