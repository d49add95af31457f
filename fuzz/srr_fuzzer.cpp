// libFuzzer target: the .srr block walk and disk test on arbitrary bytes, extraction off.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <streambuf>
#include <string>
#include <system_error>

#include "console/console.h"
#include "crc_cache.h"
#include "files/files.h"
#include "program.h"
#include "srr_check.h"

namespace {

// Swallows standard output: the debug dump and the lines only cost time here.
class null_buffer_t : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

null_buffer_t nullBuffer;
std::filesystem::path scratch;

void removeScratch() {
  std::error_code ignored;
  std::filesystem::current_path(scratch.parent_path(), ignored);
  std::filesystem::remove_all(scratch, ignored);
}

void writeFile(std::filesystem::path const& path, std::string const& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Stored names are relative to the working directory: give them a folder
  // of their own with a few names the seeds use, so that the disk paths run.
  std::random_device random;
  std::error_code failed;
  for (int attempt = 0;; ++attempt) {
    if (attempt == 100) std::abort();
    scratch = std::filesystem::temp_directory_path(failed) / ("tarvok-fuzz-" + std::to_string(random()));
    if (std::filesystem::create_directory(scratch, failed)) break;
  }
  std::filesystem::create_directory(scratch / "Sample");
  writeFile(scratch / "release.nfo", "Release notes\r\n");
  writeFile(scratch / "release.sfv", "release.rar 1234abcd\r\n");
  writeFile(scratch / "Sample" / "release-sample.mkv", "sample video bytes");
  std::filesystem::current_path(scratch);
  std::atexit(removeScratch);

  std::cout.rdbuf(&nullBuffer);
  dvk::con::setProgramName(app::programName);
  dvk::con::setVerbose(0);
  dvk::con::setQuiet(3);          // damage and unreadable-file messages
  app::optDebug.typed = "debug";  // the dump reads the same fields once more
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dvk::file_t srr;
  srr.name = "fuzz.srr";
  srr.data.assign(data, data + size);
  app::crcCache.clear();  // keeps memory flat over millions of inputs
  app::result_t const result = app::checkSrr(srr);
  // Every stored-file block is counted exactly once; damage is one unparseable.
  if (result.ok + result.mismatch + result.missing != result.checked) std::abort();
  if (result.unparseable > 1) std::abort();
  if (result.passed != (result.ok == result.checked && result.unparseable == 0)) std::abort();
  return 0;
}
