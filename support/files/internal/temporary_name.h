// The name of the file that a stored file is written into before it is
// renamed over its own name.
#pragma once

#include <cstdint>
#include <string>

namespace dvk::internal {

// "." + last + "." + eight random hexadecimal digits: hidden on POSIX, beside
// the name it belongs to, and fresh at every call, so that two runs do not
// meet. A long last is cut (at a UTF-8 character boundary) so that the whole
// stays within the 255 bytes a file name may have.
std::string temporaryName(std::string const& last);

// Restarts the random suffixes from seed: a test learns the next name with
// one call, seeds again, and the writer's next name is the same one.
void seedTemporaryNames(std::uint32_t seed);

}  // namespace dvk::internal
