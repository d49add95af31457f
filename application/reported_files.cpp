// The files this run has reported on, kept by identity.
#include "reported_files.h"

#include <map>

namespace app {

namespace {

std::map<dvk::file_id_t, reported_file_t>& records() {
  static std::map<dvk::file_id_t, reported_file_t> reported;
  return reported;
}

}  // namespace

void recordReported(dvk::file_id_t const& file, reported_as_t as, std::string const& name) {
  records().emplace(file, reported_file_t{as, name});
}

reported_file_t const* findReported(dvk::file_id_t const& file) {
  auto const found = records().find(file);
  return found == records().end() ? nullptr : &found->second;
}

void forgetReported() { records().clear(); }

}  // namespace app
