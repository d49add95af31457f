// The Windows deliverable keeps the classic locale.
#include "console/console.h"

namespace dvk::con {

// Deliberately empty: character classes and case stay those of the "C" locale.
void initLocale() {}

}  // namespace dvk::con
