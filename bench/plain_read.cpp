// Baseline for bench/run.sh: reads the named files front to back, in
// 1 MiB chunks into one reused buffer (tarvok reads 256 KiB chunks the same
// way), and computes nothing.
#include <cstdio>
#include <fstream>
#include <vector>

int main(int argc, char** argv) {
  std::vector<char> chunk(std::size_t{1} << 20);
  unsigned long long total = 0;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::in | std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "plain_read: cannot open %s\n", argv[i]);
      ++failures;
      continue;
    }
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
      total += static_cast<unsigned long long>(in.gcount());
    }
  }
  std::printf("%llu bytes\n", total);
  return failures;
}
