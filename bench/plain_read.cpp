// Baseline for bench/run.sh: reads the named files front to back with read(2),
// in chunks of a given size into one reused page-aligned buffer, as tarvok
// reads them, and computes nothing.
//
//   plain_read [-k KIB] FILE...     (chunks of KIB KiB, default 1024)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
  int first = 1;
  std::size_t kib = 1024;
  if (argc > 2 && std::strcmp(argv[1], "-k") == 0) {
    char* end = nullptr;
    unsigned long const asked = std::strtoul(argv[2], &end, 10);
    if (*end != '\0' || asked == 0 || asked > (1UL << 20)) {
      std::fprintf(stderr, "plain_read: -k takes a size in KiB, not %s\n", argv[2]);
      return 2;
    }
    kib = asked;
    first = 3;
  }
  // Page-aligned as tarvok's, since the system copies faster into such memory.
  std::size_t const size = kib << 10;
  std::vector<char> storage(size + 4096);
  void* start = storage.data();
  std::size_t space = storage.size();
  char* const chunk = static_cast<char*>(std::align(4096, size, start, space));
  unsigned long long total = 0;
  int failures = 0;
  for (int i = first; i < argc; ++i) {
    int const fd = ::open(argv[i], O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::fprintf(stderr, "plain_read: cannot open %s\n", argv[i]);
      ++failures;
      continue;
    }
    for (;;) {
      ssize_t const got = ::read(fd, chunk, size);
      if (got > 0) {
        total += static_cast<unsigned long long>(got);
      } else if (got == 0) {
        break;
      } else if (errno != EINTR) {
        std::fprintf(stderr, "plain_read: cannot read %s\n", argv[i]);
        ++failures;
        break;
      }
    }
    ::close(fd);
  }
  std::printf("%llu bytes in %zu KiB chunks\n", total, kib);
  return failures;
}
