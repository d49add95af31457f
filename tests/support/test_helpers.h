// Helpers shared by every unit test: byte buffers from text, capturing a
// standard stream, a scratch directory that cleans up, and a working
// directory for a test's duration.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <system_error>
#include <vector>

namespace dvk::test {

inline std::vector<uint8_t> toBytes(std::string const& text) { return {text.begin(), text.end()}; }

// Every byte of a file; "" when it cannot be read.
inline std::string contents(std::string const& path) {
  std::ifstream in(path, std::ios::in | std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Redirects a stream into a string while it lives.
class capture_t {
 public:
  explicit capture_t(std::ostream& stream) : stream_(stream), old_(stream.rdbuf(text_.rdbuf())) {}
  ~capture_t() { stream_.rdbuf(old_); }
  capture_t(capture_t const&) = delete;
  capture_t& operator=(capture_t const&) = delete;
  std::string text() const { return text_.str(); }
  // The text so far; the capture starts empty again.
  std::string take() {
    std::string text = text_.str();
    text_.str("");
    return text;
  }

 private:
  std::ostream& stream_;
  std::ostringstream text_;
  std::streambuf* old_;
};

// A fresh directory under the system's temporary one, removed with everything
// in it when the object goes. Construct it inside a test (or a fixture), where
// a failure to create it can fail the test.
class scratch_dir_t {
 public:
  explicit scratch_dir_t(std::string const& prefix) {
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
      std::filesystem::path const candidate =
          std::filesystem::temp_directory_path() / (prefix + std::to_string(seed()) + std::to_string(seed()));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) dir_ = candidate;
    }
    EXPECT_FALSE(dir_.empty()) << "no scratch directory for " << prefix;
  }
  ~scratch_dir_t() { remove(); }
  scratch_dir_t(scratch_dir_t const&) = delete;
  scratch_dir_t& operator=(scratch_dir_t const&) = delete;

  std::filesystem::path const& dir() const { return dir_; }
  // dir + "/" + name: a slash on every platform, so expected texts are simple.
  std::string path(std::string const& name) const { return dir_.string() + "/" + name; }

  // Writes bytes unchanged to a file of the directory, returns its path.
  std::string write(std::string const& name, std::string const& bytes) const {
    std::string file = path(name);
    std::ofstream out(file, std::ios::out | std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

  // Removes the directory now; true when it is gone.
  bool remove() {
    if (dir_.empty()) return true;
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    return !std::filesystem::exists(dir_, ec);
  }

 private:
  std::filesystem::path dir_;
};

// Switches the working directory for a test's duration.
class in_directory_t {
 public:
  explicit in_directory_t(std::filesystem::path const& dir) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~in_directory_t() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }
  in_directory_t(in_directory_t const&) = delete;
  in_directory_t& operator=(in_directory_t const&) = delete;

 private:
  std::filesystem::path saved_;
};

// A scratch directory that is the working directory while it lives: the
// previous working directory comes back first, then the directory goes.
class working_dir_t {
 public:
  explicit working_dir_t(std::string const& prefix) : scratch_(prefix), here_(scratch_.dir()) {}

  // Creates root/sub and makes it the working directory.
  void enter(std::filesystem::path const& sub) const {
    std::filesystem::create_directories(root() / sub);
    std::filesystem::current_path(root() / sub);
  }
  std::filesystem::path const& root() const { return scratch_.dir(); }

 private:
  scratch_dir_t scratch_;
  in_directory_t here_;
};

}  // namespace dvk::test
