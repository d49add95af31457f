// Tests of the file extras: checked reading, standard input as a file, the
// stream overload of openForWrite, writeFile, realPath and the status tests.
#include "files/files_extras.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;

using dvk::test::capture_t;
using dvk::test::contents;

// What an error value's print writes.
std::string printed(std::optional<dvk::ErrorCli> const& error) {
  if (!error) return "(no error)";
  capture_t err(std::cerr);
  error->print();
  return err.text();
}

// Bytes that text-mode I/O would mangle: CR LF, a lone CR, Ctrl-Z, NUL.
std::string awkwardBytes(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = "ab\r\n\x1a\0\n\r\xff"[i % 9];
  return data;
}

// Each test works in a scratch folder of its own, removed afterwards.
class FilesExtras : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  void TearDown() override {
    // Windows cannot remove a file that is still open as standard input.
    if (fedStdin_) {
      const char* const nullDevice = dvk::exists("/dev/null") ? "/dev/null" : "NUL";
      EXPECT_NE(std::freopen(nullDevice, "rb", stdin), nullptr);
    }
    EXPECT_TRUE(scratch_.remove()) << dir_ << " is left behind";
  }
  std::string path(std::string const& name) const { return scratch_.path(name); }
  std::string make(std::string const& name, std::string const& data) const { return scratch_.write(name, data); }
  // Gives standard input the bytes of a file, as a shell redirection would.
  void feedStdin(std::string const& data) {
    const std::string source = make("stdin.bin", data);
    fedStdin_ = true;
    ASSERT_NE(std::freopen(source.c_str(), "rb", stdin), nullptr);
    std::cin.clear();
  }

  dvk::test::scratch_dir_t scratch_{"tarvok-files-extras-"};
  std::string const dir_ = scratch_.dir().string();
  bool fedStdin_ = false;
};

TEST_F(FilesExtras, VerifyFileForReadNamesTheFailure) {
  const std::string file = make("file.txt", "x");
  fs::create_directory(path("sub"));
  struct row_t {
    std::string path;
    std::string text;
  };
  const std::vector<row_t> rows = {
      {file, "(no error)"},
      {path("sub"), "'" + path("sub") + "': is a directory"},
      {path("sub/"), "'" + path("sub/") + "': is a directory"},
      {path("missing"), "'" + path("missing") + "': no such file or directory"},
      {path("missing/"), "'" + path("missing/") + "': no such file or directory"},
      {file + "/below", "'" + file + "/below': no such file or directory"},
      {"", "'': no such file or directory"},
  };
  for (row_t const& row : rows) {
    const std::optional<dvk::ErrorCli> error = dvk::verifyFileForRead(row.path);
    EXPECT_EQ(printed(error), row.text) << row.path;
    if (error) {
      EXPECT_EQ(error->code, 0);
    }
  }
}

TEST_F(FilesExtras, VerifyFileForReadPassesDevices) {
  if (!dvk::exists("/dev/null")) GTEST_SKIP() << "no /dev/null here";
  EXPECT_FALSE(dvk::verifyFileForRead("/dev/null").has_value());
  EXPECT_FALSE(dvk::isRegularFile("/dev/null"));
}

TEST_F(FilesExtras, ErrorTextOutlivesThePath) {
  std::optional<dvk::ErrorCli> error;
  {
    std::string temporary = path("gone");
    error = dvk::verifyFileForRead(temporary);
    temporary.assign(64, '#');
  }
  EXPECT_EQ(printed(error), "'" + path("gone") + "': no such file or directory");
}

TEST_F(FilesExtras, ReadFileAndProcessHandsOverTheLoadedFile) {
  const std::string data = awkwardBytes(5000);
  const std::string file = make("data.bin", data);
  int calls = 0;
  const auto result = dvk::readFileAndProcess(file, [&](dvk::file_t& loaded) -> std::optional<dvk::ErrorCli> {
    ++calls;
    EXPECT_EQ(loaded.dir, dir_ + "/");
    EXPECT_EQ(loaded.name, "data.bin");
    EXPECT_EQ(std::string(loaded.data.begin(), loaded.data.end()), data);
    return std::nullopt;
  });
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(result.has_value());
}

TEST_F(FilesExtras, ReadFileAndProcessPassesTheCallbacksErrorOn) {
  const std::string file = make("empty.txt", "");
  const auto result = dvk::readFileAndProcess(file, [](dvk::file_t& loaded) -> std::optional<dvk::ErrorCli> {
    EXPECT_TRUE(loaded.data.empty());
    return dvk::ErrorCli{7, [] { std::cerr << "callback says no"; }};
  });
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->code, 7);
  EXPECT_EQ(printed(result), "callback says no");
}

TEST_F(FilesExtras, ReadFileAndProcessStopsBeforeTheCallback) {
  fs::create_directory(path("sub"));
  int calls = 0;
  const dvk::file_process_t count = [&](dvk::file_t&) -> std::optional<dvk::ErrorCli> {
    ++calls;
    return std::nullopt;
  };
  EXPECT_EQ(printed(dvk::readFileAndProcess(path("sub"), count)), "'" + path("sub") + "': is a directory");
  EXPECT_EQ(printed(dvk::readFileAndProcess(path("none"), count)), "'" + path("none") + "': no such file or directory");
  EXPECT_EQ(calls, 0);
}

TEST_F(FilesExtras, ReadFileAndProcessReportsAFileThatCannotBeLoaded) {
  // Something that exists and is no directory but cannot be loaded whole: a
  // file without read permission (not while privileged), or a file that cannot
  // be positioned at its end.
  const std::string locked = make("locked.txt", "secret");
  std::error_code ignored;
  fs::permissions(locked, fs::perms::none, ignored);
  std::string unreadable;
  for (std::string const& candidate : {locked, std::string("/proc/self/mem")}) {
    dvk::file_t probe;
    if (dvk::exists(candidate) && !dvk::isDirectory(candidate) && !dvk::loadFile(candidate, probe)) {
      unreadable = candidate;
      break;
    }
  }
  // Permissions come back on every path: Windows cannot remove a read-only
  // file with its folder.
  if (unreadable.empty()) {
    fs::permissions(locked, fs::perms::owner_all, ignored);
    GTEST_SKIP() << "every candidate is readable here";
  }
  bool called = false;
  const auto result = dvk::readFileAndProcess(unreadable, [&](dvk::file_t&) -> std::optional<dvk::ErrorCli> {
    called = true;
    return std::nullopt;
  });
  EXPECT_FALSE(called);
  EXPECT_EQ(printed(result), "could not read from '" + unreadable + "'");
  fs::permissions(locked, fs::perms::owner_all, ignored);
}

TEST_F(FilesExtras, ReadFileAndProcessWithoutCallbackThrowsAfterLoading) {
  const std::string file = make("x.txt", "x");
  EXPECT_THROW(dvk::readFileAndProcess(file, dvk::file_process_t()), std::bad_function_call);
  // A failure before loading wins over the missing callback.
  EXPECT_EQ(printed(dvk::readFileAndProcess(path("none"), dvk::file_process_t())),
            "'" + path("none") + "': no such file or directory");
}

TEST_F(FilesExtras, LoadStdinReadsAllBytesAcrossThePieceSize) {
  const std::size_t mib = 1u << 20;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, mib - 1, mib, mib + 1, 2 * mib, 5 * mib / 2 + 3}) {
    const std::string data = awkwardBytes(size);
    feedStdin(data);
    dvk::file_t file;
    file.dir = "stale/";
    file.name = "stale";
    EXPECT_FALSE(dvk::loadStdin(file).has_value());
    EXPECT_EQ(file.data.size(), size);
    EXPECT_TRUE(std::string(file.data.begin(), file.data.end()) == data) << "size " << size;
    EXPECT_EQ(file.data.capacity(), file.data.size()) << "size " << size;
    EXPECT_EQ(file.dir, "");
    EXPECT_EQ(file.name, "{data from stdin}");
    EXPECT_TRUE(std::cin.eof());
  }
}

TEST_F(FilesExtras, LoadStdinAppendsToWhatTheFileHeld) {
  feedStdin("tail");
  dvk::file_t file;
  file.data = {'h', 'e', 'a', 'd'};
  dvk::loadStdin(file);
  EXPECT_EQ(std::string(file.data.begin(), file.data.end()), "headtail");
}

TEST_F(FilesExtras, LoadStdinReadsNothingAtEndOfInputOrAfterAFailure) {
  feedStdin("unread");
  std::cin.setstate(std::ios::eofbit);
  dvk::file_t file;
  dvk::loadStdin(file);
  EXPECT_TRUE(file.data.empty());
  EXPECT_EQ(file.name, "{data from stdin}");

  // A failed stream without end of input must end the loop too, not spin.
  feedStdin("unread");
  std::cin.setstate(std::ios::failbit);
  dvk::file_t failed;
  EXPECT_FALSE(dvk::loadStdin(failed).has_value());
  EXPECT_TRUE(failed.data.empty());
  EXPECT_EQ(failed.data.capacity(), 0u);
  EXPECT_TRUE(std::cin.fail());
  std::cin.clear();
}

TEST_F(FilesExtras, ReadStdinAndProcessHandsOverStandardInput) {
  feedStdin("from stdin\r\n");
  int calls = 0;
  const auto result = dvk::readStdinAndProcess([&](dvk::file_t& file) -> std::optional<dvk::ErrorCli> {
    ++calls;
    EXPECT_EQ(std::string(file.data.begin(), file.data.end()), "from stdin\r\n");
    EXPECT_EQ(file.name, "{data from stdin}");
    EXPECT_EQ(file.dir, "");
    return dvk::ErrorCli{0, [] { std::cerr << "seen"; }};
  });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(printed(result), "seen");

  feedStdin("");
  EXPECT_THROW(dvk::readStdinAndProcess(dvk::file_process_t()), std::bad_function_call);
}

TEST_F(FilesExtras, OpenForWriteMovesTheNewFileIntoTheCallersStream) {
  std::fstream stream;
  ASSERT_FALSE(dvk::openForWrite(path("a.txt"), stream, std::ios::out | std::ios::binary).has_value());
  stream << "first";  // still buffered when the stream moves on
  ASSERT_FALSE(dvk::openForWrite(path("b.txt"), stream, std::ios::out | std::ios::binary).has_value());
  EXPECT_EQ(contents(path("a.txt")), "first");
  stream << "second";
  stream.close();
  EXPECT_EQ(contents(path("b.txt")), "second");
}

TEST_F(FilesExtras, OpenForWriteFailureLeavesAFailedStreamWithoutFile) {
  std::fstream stream;
  ASSERT_FALSE(dvk::openForWrite(path("open.txt"), stream, std::ios::out).has_value());
  const std::string target = path("no/such/dir/file");
  const auto error = dvk::openForWrite(target, stream, std::ios::out | std::ios::binary);
  EXPECT_EQ(printed(error), "'" + target + "': could not be opened for writing");
  EXPECT_TRUE(stream.fail());
  EXPECT_FALSE(stream.is_open());
}

TEST_F(FilesExtras, OpenForWriteRefusesAPathWithNul) {
  // Opened as far as the NUL, the name would truncate the file before it.
  const std::string kept = make("keep.bin", "keep");
  const std::string target = kept + std::string(1, '\0') + ".part";
  std::fstream stream;
  EXPECT_EQ(printed(dvk::openForWrite(target, stream, std::ios::out)),
            "'" + target + "': could not be opened for writing");
  EXPECT_TRUE(stream.fail());
  EXPECT_FALSE(stream.is_open());
  capture_t err(std::cerr);
  EXPECT_FALSE(dvk::writeFile(target, "x", 1, std::ios::out | std::ios::binary));
  EXPECT_EQ(contents(kept), "keep");
}

TEST_F(FilesExtras, OpenForWriteGivesTheStreamTheNewStreamsSettings) {
  std::fstream stream;
  stream << std::hex;
  stream.exceptions(std::ios::failbit);
  // The exception mask goes with the old settings: a failed open is an error value.
  const std::string target = path("no/such/dir/file");
  EXPECT_EQ(printed(dvk::openForWrite(target, stream, std::ios::out)),
            "'" + target + "': could not be opened for writing");
  stream << std::hex;
  ASSERT_FALSE(dvk::openForWrite(path("n.txt"), stream, std::ios::out).has_value());
  stream << 255;
  stream.close();
  EXPECT_EQ(contents(path("n.txt")), "255");
}

TEST_F(FilesExtras, OpenForWriteUsesTheModeUnchanged) {
  const std::string file = make("keep.txt", "kept");
  std::fstream stream;
  ASSERT_FALSE(dvk::openForWrite(file, stream, std::ios::out | std::ios::app | std::ios::binary).has_value());
  stream << "+more";
  stream.close();
  EXPECT_EQ(contents(file), "kept+more");
  // Without out (or app) there is nothing to write with: in alone opens for reading.
  ASSERT_FALSE(dvk::openForWrite(file, stream, std::ios::in).has_value());
  std::string word;
  stream >> word;
  EXPECT_EQ(word, "kept+more");
}

TEST_F(FilesExtras, WriteFileWritesTheBytesUnchanged) {
  const std::string data = awkwardBytes(100000);
  capture_t err(std::cerr);
  EXPECT_TRUE(dvk::writeFile(path("out.bin"), data.data(), static_cast<std::streamsize>(data.size()),
                             std::ios::out | std::ios::binary));
  EXPECT_TRUE(contents(path("out.bin")) == data);
  EXPECT_EQ(err.text(), "");
}

TEST_F(FilesExtras, WriteFileOfNothingCreatesOrTruncates) {
  const std::string existing = make("old.txt", "old contents");
  capture_t err(std::cerr);
  EXPECT_TRUE(dvk::writeFile(existing, nullptr, 0, std::ios::out | std::ios::binary));
  EXPECT_TRUE(dvk::writeFile(path("new.txt"), "", 0, std::ios::out));
  EXPECT_TRUE(dvk::exists(path("new.txt")));
  EXPECT_EQ(contents(existing), "");
  EXPECT_EQ(contents(path("new.txt")), "");
  EXPECT_EQ(err.text(), "");
}

TEST_F(FilesExtras, WriteFileOfANegativeCountFails) {
  capture_t err(std::cerr);
  EXPECT_FALSE(dvk::writeFile(path("neg.txt"), "ab", -1, std::ios::out | std::ios::binary));
  EXPECT_EQ(err.text(), "error: failure while trying to write to \"" + path("neg.txt") + "\"\n");
}

TEST_F(FilesExtras, WriteFileThatCannotOpenSaysSoOnStandardError) {
  const std::string target = path("missing/dir/out.bin");
  capture_t err(std::cerr);
  EXPECT_FALSE(dvk::writeFile(target, "abc", 3, std::ios::out | std::ios::binary));
  EXPECT_EQ(err.text(), "error: could not open \"" + target + "\" for writing\n");
  EXPECT_FALSE(dvk::exists(target));
}

TEST_F(FilesExtras, WriteFileThatCannotWriteSaysSoOnStandardError) {
  if (!dvk::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  // Larger than any stream buffer, so that the write reaches the device.
  const std::string data(1u << 20, 'x');
  capture_t err(std::cerr);
  EXPECT_FALSE(dvk::writeFile("/dev/full", data.data(), static_cast<std::streamsize>(data.size()),
                              std::ios::out | std::ios::binary));
  EXPECT_EQ(err.text(), "error: failure while trying to write to \"/dev/full\"\n");
}

TEST_F(FilesExtras, WriteFileOfAFewBytesToAFullDeviceFails) {
  if (!dvk::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  // Ten bytes stay in the stream's buffer: only the flush at the end finds
  // that the device takes none of them.
  capture_t err(std::cerr);
  EXPECT_FALSE(dvk::writeFile("/dev/full", "0123456789", 10, std::ios::out | std::ios::binary));
  EXPECT_EQ(err.text(), "error: failure while trying to write to \"/dev/full\"\n");
}

TEST_F(FilesExtras, RealPathIsAbsoluteAndPlain) {
  const std::string file = make("real.txt", "r");
  fs::create_directory(path("sub"));
  const std::string roundabout = dir_ + "/./sub/../real.txt";
  const std::string resolved = dvk::realPath(roundabout);
  ASSERT_FALSE(resolved.empty());
  const fs::path result(resolved);
  EXPECT_TRUE(result.is_absolute()) << resolved;
  for (fs::path const& part : result) {
    EXPECT_NE(part, ".") << resolved;
    EXPECT_NE(part, "..") << resolved;
  }
  EXPECT_TRUE(fs::equivalent(result, file)) << resolved;
  EXPECT_EQ(dvk::realPath(file), resolved);
  // A relative path resolves against the current directory.
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  const std::string fromHere = dvk::realPath("sub/../real.txt");
  const bool resolvesFromHere = dvk::pathResolves("real.txt");
  fs::current_path(before);
  EXPECT_EQ(fromHere, resolved);
  EXPECT_TRUE(resolvesFromHere);
  EXPECT_TRUE(dvk::pathResolves(roundabout));
  EXPECT_TRUE(dvk::pathResolves(roundabout.c_str()));
  // The string form stops at the first zero byte, as the C call sees it.
  EXPECT_TRUE(dvk::pathResolves(file + std::string("\0junk", 5)));
}

TEST_F(FilesExtras, RealPathOfAUtf8NameIsUtf8) {
  const std::string name = "\xc3\xa9-\xe6\x97\xa5\xe6\x9c\xac-\xf0\x9d\x84\x9e";
  std::ofstream(scratch_.dir() / fs::u8path(name)) << "r";
  const std::string resolved = dvk::realPath(scratch_.dir().u8string() + "/" + name);
  ASSERT_GT(resolved.size(), name.size());
  EXPECT_EQ(resolved.substr(resolved.size() - name.size()), name);
  EXPECT_TRUE(fs::equivalent(fs::u8path(resolved), scratch_.dir() / fs::u8path(name))) << resolved;
}

TEST_F(FilesExtras, RealPathOfSomethingMissingIsEmpty) {
  const std::string file = make("f", "");
  for (std::string const& missing : {path("nothing"), path("nothing/deeper"), std::string()}) {
    EXPECT_EQ(dvk::realPath(missing), "") << missing;
    EXPECT_FALSE(dvk::pathResolves(missing)) << missing;
    EXPECT_FALSE(dvk::pathResolves(missing.c_str())) << missing;
  }
  EXPECT_EQ(dvk::realPath(file + "/below"), "");
  EXPECT_EQ(dvk::realPath(file + "/"), "");  // only a directory may end in a separator
}

TEST_F(FilesExtras, StatusTestsOfEachKind) {
  const std::string file = make("plain.txt", "p");
  fs::create_directory(path("sub"));
  struct row_t {
    std::string path;
    bool exists, directory, regular;
  };
  const std::vector<row_t> rows = {
      {file, true, false, true},         {path("sub"), true, true, false},       {path("sub/"), true, true, false},
      {file + "/", false, false, false}, {path("missing"), false, false, false}, {"", false, false, false},
  };
  for (row_t const& row : rows) {
    EXPECT_EQ(dvk::exists(row.path.c_str()), row.exists) << row.path;
    EXPECT_EQ(dvk::isDirectory(row.path.c_str()), row.directory) << row.path;
    EXPECT_EQ(dvk::isRegularFile(row.path.c_str()), row.regular) << row.path;
    EXPECT_EQ(dvk::isRegularFile(row.path), row.regular) << row.path;
    EXPECT_EQ(dvk::exists(row.path), row.exists) << row.path;
    EXPECT_EQ(dvk::isDirectory(row.path), row.directory) << row.path;
  }
}

TEST_F(FilesExtras, StatusAndRealPathFollowSymbolicLinks) {
  const std::string file = make("target.txt", "t");
  fs::create_directory(path("dir"));
  std::error_code failed;
  fs::create_symlink("target.txt", path("link"), failed);
  if (!failed) fs::create_directory_symlink("dir", path("dirlink"), failed);
  if (failed || !fs::is_symlink(path("link"))) GTEST_SKIP() << "no symbolic links here: " << failed.message();
  EXPECT_TRUE(dvk::isRegularFile(path("link")));
  EXPECT_FALSE(dvk::isRegularFile(path("dirlink")));
  EXPECT_TRUE(dvk::isDirectory(path("dirlink").c_str()));
  EXPECT_EQ(dvk::realPath(path("link")), dvk::realPath(file));
  EXPECT_EQ(dvk::realPath(path("dirlink")), dvk::realPath(path("dir")));
  fs::remove(file);
  EXPECT_FALSE(dvk::isRegularFile(path("link")));  // dangling
  EXPECT_EQ(dvk::realPath(path("link")), "");
}

}  // namespace
