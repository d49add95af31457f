// Error values that name a path, shared by files.cpp and the extras so that
// each message is written once.
#pragma once

#include <iostream>
#include <string>

#include "files/files.h"

namespace dvk::internal {

// An error (code 0) whose print writes prefix + path + suffix. It holds its
// own copy of path, since the error outlives the caller's string; prefix and
// suffix are literals.
inline ErrorCli pathError(const char* prefix, std::string const& path, const char* suffix) {
  return ErrorCli{0, [prefix, path, suffix] { std::cerr << prefix << path << suffix; }};
}

// "'path': could not be opened for writing", from both forms of openForWrite.
inline ErrorCli notOpenedForWriting(std::string const& path) {
  return pathError("'", path, "': could not be opened for writing");
}

}  // namespace dvk::internal
