// Baseline for bench/run.sh: reads the named files front to back, in
// 1 MiB chunks into one reused page-aligned buffer (tarvok reads 256 KiB
// chunks the same way), and computes nothing.
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
  // Page-aligned as tarvok's, since the system copies faster into such memory.
  constexpr std::size_t size = std::size_t{1} << 20;
  std::vector<char> storage(size + 4096);
  void* start = storage.data();
  std::size_t space = storage.size();
  char* const chunk = static_cast<char*>(std::align(4096, size, start, space));
  unsigned long long total = 0;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::in | std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "plain_read: cannot open %s\n", argv[i]);
      ++failures;
      continue;
    }
    while (in.read(chunk, static_cast<std::streamsize>(size)) || in.gcount() > 0) {
      total += static_cast<unsigned long long>(in.gcount());
    }
  }
  std::printf("%llu bytes\n", total);
  return failures;
}
