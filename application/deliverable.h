// The words that tell the two deliverables apart in the version banner; one
// of deliverable_linux.cpp and deliverable_windows.cpp is built.
#pragma once

namespace app::deliverable {

extern const char* const architecture;    // "i386" or "x86_64"
extern const char* const platformSuffix;  // "/Linux" or "/Cygwin"

}  // namespace app::deliverable
