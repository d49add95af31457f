// Banner words of the Linux deliverable.
#include "deliverable.h"

namespace app::deliverable {

const char* const architecture = "i386";
const char* const platformSuffix = "/Linux";

}  // namespace app::deliverable
