// The files this run has reported on, kept by identity.
#include "reported_files.h"

#include "files/file_status.h"

namespace app {

void recordReported(dvk::file_id_t const& file, reported_as_t as, std::string const& name, dvk::name_from_t from) {
  std::optional<reported_file_t>& reported = crcCache[file].reported;
  if (!reported) reported = reported_file_t{as, name, from};
}

reported_file_t const* findReported(dvk::file_id_t const& file) {
  auto const found = crcCache.find(file);
  if (found == crcCache.end() || !found->second.reported) return nullptr;
  return &*found->second.reported;
}

bool keepReported(dvk::file_id_t const& file) {
  reported_file_t const* const record = findReported(file);
  if (record == nullptr) return false;
  dvk::file_status_t const now = dvk::fileStatus(record->name, record->from);
  if (now.ok && now.id == file) return true;
  crcCache.erase(file);
  return false;
}

void forgetReported() { crcCache.clear(); }

}  // namespace app
