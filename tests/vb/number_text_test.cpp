#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vb/convert.h"
#include "vb_test_util.h"

using namespace tolvex::vb;

TEST(NumberText, DoublesAndSinglesAsVBWritesThem) {
  struct D {
    double v;
    const char* text;
  };
  const D doubles[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {-1.5, "-1.5"},
      {100.0, "100"},
      {123.456, "123.456"},
      {1e20, "1E+20"},
      {1.5e-7, "1.5E-07"},
      {123456789012345680.0, "1.23456789012346E+17"},
      {999999999999999.0, "999999999999999"},
      {9999999999999999.0, "1E+16"},
      {1e15, "1E+15"},
      {123456789012345.0, "123456789012345"},
      {0.0001, "0.0001"},
      {0.00001, "1E-05"},
      {0.000123456, "0.000123456"},
      {1e100, "1E+100"},
      {-2.5e-300, "-2.5E-300"},
      {1.7976931348623157e308, "1.79769313486232E+308"},
      {0.1 + 0.2, "0.3"},
  };
  struct S {
    float v;
    const char* text;
  };
  const S singles[] = {
      {0.1f, "0.1"},
      {1.0f / 3.0f, "0.3333333"},
      {1234567.0f, "1234567"},
      {12345678.0f, "1.234568E+07"},
      {1e-5f, "1E-05"},
      {-0.5f, "-0.5"},
      {3.4028235e38f, "3.402823E+38"},
  };
  struct C {
    int64_t scaled;
    const char* text;
  };
  const C currencies[] = {
      {0, "0"},
      {10000, "1"},
      {15000, "1.5"},
      {123456, "12.3456"},
      {-1, "-0.0001"},
      {-123450000, "-12345"},
      {std::numeric_limits<int64_t>::max(), "922337203685477.5807"},
      {std::numeric_limits<int64_t>::min(), "-922337203685477.5808"},
  };
  vbtest::in_each_locale([&] {
    for (const auto& c : doubles) EXPECT_EQ(format_double(c.v), c.text) << c.text;
    for (const auto& c : singles) EXPECT_EQ(format_single(c.v), c.text) << c.text;
    for (const auto& c : currencies) EXPECT_EQ(format_currency(c.scaled), c.text);
    EXPECT_EQ(to_string(Variant(2.5)), "2.5");
  });
}

TEST(NumberText, ParseNumberReadsVBsNumberForms) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const std::string long_digits = "0.1000000000000000055511151231257827021181583404541015625";
  const std::string huge = "1" + std::string(400, '0');
  const std::string tiny = "0." + std::string(500, '0') + "1";
  const Case cases[] = {
      {"1.5", 1.5},
      {" -2 ", -2.0},
      {"\t+3\r\n", 3.0},
      {".5", 0.5},
      {"5.", 5.0},
      {"007", 7.0},
      {"1e3", 1000.0},
      {"1E-2", 0.01},
      {"2.5e+2", 250.0},
      {"1d2", 100.0},
      {"&H10", 16.0},
      {"&hff", 255.0},
      {"&O17", 15.0},
      {"&HFFFF", -1.0},
      {"&H8000", -32768.0},
      {"&HFFFF&", 65535.0},
      {"&H10000", 65536.0},
      {"&H7FFFFFFF", 2147483647.0},
      {"&HFFFFFFFF", -1.0},
      {"1,234.5", 1234.5},
      {"1,234,567", 1234567.0},
      {"$5", 5.0},
      {"-$5", -5.0},
      {"(2)", -2.0},
      {"2-", -2.0},
      {"-0", 0.0},
      {long_digits.c_str(), 0.1},
      {tiny.c_str(), 0.0},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"1.2.3", std::nullopt},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {"--1", std::nullopt},
      {"-1-", std::nullopt},
      {"1 2", std::nullopt},
      {",1", std::nullopt},
      {"1,", std::nullopt},
      {"1,,2", std::nullopt},
      {"1.5,0", std::nullopt},
      {"&H", std::nullopt},
      {"&HG", std::nullopt},
      {"&O8", std::nullopt},
      {"&H100000000", std::nullopt},
      {"(1", std::nullopt},
      {"(-1)", std::nullopt},
      {"1e400", std::nullopt},
      {huge.c_str(), std::nullopt},
      {"0x10", std::nullopt},
      {"1.5abc", std::nullopt},
      {"Infinity", std::nullopt},
      {"nan", std::nullopt},
  };
  vbtest::in_each_locale([&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string("\"") + c.text + "\"");
      auto got = parse_number(c.text);
      ASSERT_EQ(got.has_value(), c.value.has_value());
      if (got) {
        EXPECT_EQ(*got, *c.value);
        EXPECT_FALSE(std::signbit(*got) && *got == 0.0) << "negative zero";
      }
    }
  });
}

TEST(NumberText, RoundHalfEven) {
  const double cases[][2] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, -0}, {-1.5, -2}, {-2.5, -2},
                             {2.4999999999999996, 2}, {2.5000000000000004, 3}, {1e300, 1e300}};
  for (const auto& c : cases) EXPECT_EQ(round_half_even(c[0]), c[1]) << c[0];
}
