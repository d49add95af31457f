// A fresh temporary directory for one test, made the working directory; the
// previous one comes back, and the directory goes, when the test ends.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

class ScratchDirectory {
 public:
  explicit ScratchDirectory(std::string const& prefix) : previous_(std::filesystem::current_path()) {
    std::random_device seed;
    root_ = std::filesystem::temp_directory_path() / (prefix + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(root_);
    std::filesystem::current_path(root_);
  }
  ~ScratchDirectory() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(root_, ec);
  }
  ScratchDirectory(ScratchDirectory const&) = delete;
  ScratchDirectory& operator=(ScratchDirectory const&) = delete;

  // Creates root/sub and makes it the working directory.
  void enter(std::filesystem::path const& sub) {
    std::filesystem::create_directories(root_ / sub);
    std::filesystem::current_path(root_ / sub);
  }
  std::filesystem::path const& root() const { return root_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path root_;
};
