// The writer's test seams.
#include "files/internal/write_seams.h"

namespace dvk::internal {

write_seams_t& writeSeams() {
  static write_seams_t seams;
  return seams;
}

}  // namespace dvk::internal
