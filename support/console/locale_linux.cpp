// The Linux deliverable adopts the user's locale.
#include <clocale>

#include "console/console.h"

namespace dvk::con {

void initLocale() { std::setlocale(LC_ALL, ""); }

}  // namespace dvk::con
