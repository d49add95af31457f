// Banner words of the Windows deliverable.
#include "deliverable.h"

namespace app::deliverable {

const char* const architecture = "x86_64";
const char* const platformSuffix = "/Cygwin";

}  // namespace app::deliverable
