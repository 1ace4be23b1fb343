#include "settings/text_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(ParseWholeNumberTest, AcceptsOnlyASignedDecimal32BitNumber) {
  const struct {
    std::string text;
    std::optional<std::int32_t> value;
  } cases[] = {{"0", 0},
               {"42", 42},
               {"-17", -17},
               {"+7", 7},
               {"-0", 0},
               {"007", 7},
               {"2147483647", 2147483647},
               {"-2147483648", -2147483647 - 1},
               {"2147483648", std::nullopt},
               {"-2147483649", std::nullopt},
               {"99999999999999999999999", std::nullopt},
               {"", std::nullopt},
               {"-", std::nullopt},
               {"+", std::nullopt},
               {"12x", std::nullopt},
               {" 12", std::nullopt},
               {"12 ", std::nullopt},
               {"1.0", std::nullopt},
               {"0x10", std::nullopt},
               {"--1", std::nullopt},
               {std::string("1\0", 2), std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ParseWholeNumber(c.text), c.value) << "'" << c.text << "'";
}

TEST(JoinPathTest, AddsOneSeparator) {
  EXPECT_EQ(JoinPath("/home/u", "Build.txt"), "/home/u/Build.txt");
  EXPECT_EQ(JoinPath("/", "Build.txt"), "/Build.txt");
  EXPECT_EQ(JoinPath("/home/u/", "Build.txt"), "/home/u/Build.txt");
}

}  // namespace
