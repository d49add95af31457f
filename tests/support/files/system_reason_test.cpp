// The system's words for an error, as a message line ends them.
#include "files/system_reason.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <system_error>

namespace {

// A category whose words are the code's entry in a table, as a system may word them.
const char* const wordings[] = {"Permission denied", "Access is denied.\r\n", "Path not found\n", "Odd. ", ""};

struct worded_category_t : std::error_category {
  const char* name() const noexcept override { return "worded"; }
  std::string message(int code) const override { return wordings[code]; }
};

TEST(SystemReason, WithoutTheLineEndAndThePeriodOfTheSystemsWords) {
  worded_category_t const worded;
  const char* const shown[] = {"Permission denied", "Access is denied", "Path not found", "Odd", ""};
  for (int code = 0; code < 5; ++code) {
    EXPECT_EQ(dvk::systemReason(std::error_code(code, worded)), shown[code]) << wordings[code];
  }
  // The system's own words, whatever they are, end in a letter.
  std::string const denied = dvk::systemReason(std::make_error_code(std::errc::permission_denied));
  ASSERT_FALSE(denied.empty());
  EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(denied.back()))) << denied;
}

}  // namespace
