// The Linux deliverable adopts the user's locale.
#include "console/console.h"

#include <clocale>

namespace dvk::con {

void initLocale() { std::setlocale(LC_ALL, ""); }

}  // namespace dvk::con
