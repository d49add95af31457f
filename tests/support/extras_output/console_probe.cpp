// Writes through the console extras without attaching a console, so that a
// test reading its standard output and error through pipes sees the bytes
// that reach them. With the argument "unsynced" the standard streams are
// first switched off stdio synchronisation, as the program does.
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string_view>
#include <vector>

#include "console/console_extras.h"
#include "text/text.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "unsynced") == 0) std::ios::sync_with_stdio(false);
  dvk::con::setProgramName("probe");
  dvk::con::dumpLineViews({std::string_view("ab"), std::string_view()});
  std::vector<uint8_t> const data = {'c', 'd', '\n', 'e'};
  dvk::con::dumpLines(dvk::splitLines(data));
  dvk::con::warning([] { std::cerr << "careful"; });
  dvk::con::fatal([] { std::cerr << "stop"; });
  std::cout.flush();
  return 0;
}
