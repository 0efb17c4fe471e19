#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/decimal_number.h"

namespace corvane::platform {
namespace {

TEST(DecimalNumberTest, ReadsTheCLocaleFormExactly) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::string text;
    double value;
  };
  const Case cases[] = {
      {"1e3", 1000.0},  {"-0.5", -0.5},  {".5", 0.5},       {"5.", 5.0},          {"7", 7.0},
      {"-2.5E-3", -0.0025}, {"1.5", 1.5},  // a comma-decimal locale would stop at the '.' and give 1
      {"0.1", 0.1},     {"inf", inf},    {"-Infinity", -inf}, {"4.9e-324", std::numeric_limits<double>::denorm_min()},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto value = parseDecimalNumber(c.text);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, c.value);
  }
  for (const char* text : {"nan", "NaN", "-nan"}) {
    SCOPED_TRACE(text);
    auto value = parseDecimalNumber(text);
    ASSERT_TRUE(value.has_value());
    EXPECT_TRUE(std::isnan(*value));
  }
}

TEST(DecimalNumberTest, RefusesWhatIsNotOneWholeNumber) {
  const std::string refused[] = {"", "-", ".", "1,5", "1.5.2", "+1", " 1", "1 ", "--1", "0x10", "-0X1p3", "1e",
                                 "1e999", "-1e999", "1e-999", "infinit", "nanx", std::string("1\0" "2", 3)};
  for (const std::string& text : refused) {
    SCOPED_TRACE(text);
    EXPECT_EQ(parseDecimalNumber(text), std::nullopt);
  }
}

}  // namespace
}  // namespace corvane::platform
