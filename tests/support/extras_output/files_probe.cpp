// Writes to a file that cannot be opened, then copies standard input into the
// file its argument names, with the file extras alone (no console linked), so
// that a test sees the failure line on standard error, the bytes read and the
// bytes written.
#include <ios>

#include "files/files_extras.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  constexpr std::ios_base::openmode binaryOut = std::ios::out | std::ios::binary;
  dvk::writeFile("no/such/dir/out.bin", "x", 1, binaryOut);
  dvk::file_t input;
  dvk::loadStdin(input);
  bool const copied = dvk::writeFile(argv[1], reinterpret_cast<const char*>(input.data.data()),
                                     static_cast<std::streamsize>(input.data.size()), binaryOut);
  return copied ? 0 : 1;
}
