// Prints the name of the locale that the program's set-up leaves in force, so
// that a test can tell a locale adopted from one that was refused.
#include <clocale>
#include <cstdio>

#include "console/console.h"

int main() {
  dvk::con::initLocale();
  char const* const name = std::setlocale(LC_CTYPE, nullptr);
  std::printf("%s\n", name != nullptr ? name : "(none)");
  return 0;
}
