// The fixture of diskCrc's tests: a scratch working directory, an empty
// CRC cache, standard output and error captured.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app_output.h"
#include "crc_cache.h"
#include "files/file_status.h"
#include "test_helpers.h"

namespace dvk::test {

class DiskCrc : public ::testing::Test {
 protected:
  void SetUp() override { app::crcCache.clear(); }
  void TearDown() override { app::crcCache.clear(); }
  static void write(std::string const& name, std::vector<uint8_t> const& data) {
    std::ofstream(name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  // diskCrc after the one status query a check makes.
  static app::disk_crc_t diskCrcOf(std::string const& name) { return app::diskCrc(name, dvk::fileStatus(name)); }
  working_dir_t dir_{"tarvok-crc-"};
  app_output_t output_;
};

}  // namespace dvk::test
