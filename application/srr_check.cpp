// The .srr check (placeholder until the block walk lands).
#include "srr_check.h"

namespace app {

result_t checkSrr(dvk::file_t const&) { return result_t{}; }

}  // namespace app
