// The listing of the current directory on POSIX systems.
#include <filesystem>
#include <system_error>

#include "files/directory_listing.h"

namespace dvk {

namespace fs = std::filesystem;

std::error_code listCurrentDirectory(directory_listing_t& listing) {
  std::error_code ec;
  fs::path const dir = fs::current_path(ec);
  if (ec) return ec;
  // A name is its bytes here.
  listing.name = dir.filename().string();
  fs::directory_iterator entry(dir, ec);
  for (fs::directory_iterator const end; !ec && entry != end; entry.increment(ec)) {
    listing.entries.push_back(entry->path().filename().string());
  }
  return ec;
}

}  // namespace dvk
