#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "vb/convert.h"
#include "vb_test_util.h"

using namespace tolvex::vb;
using vbtest::error_of;

namespace {
constexpr double kJan2_2003 = 37623;
constexpr double kT160506 = 57906.0 / 86400.0;  // 4:05:06 PM
}  // namespace

TEST(Date, MakeDateCarriesLikeDateSerial) {
  struct Case {
    int y, m, d;
    std::optional<double> serial;
  };
  const Case cases[] = {
      {2003, 1, 2, 37623},    {2003, 13, 1, 37987},   {2003, 3, 0, 37680},    {2004, 3, 0, 38046},
      {2003, 1, 32, 37653},   {2003, 0, 1, 37591},    {2003, -1, 1, 37561},   {2000, 2, 29, 36585},
      {1899, 12, 30, 0},      {1899, 12, 29, -1},     {1900, 1, 1, 2},        {100, 1, 1, -657434},
      {9999, 12, 31, 2958465}, {99, 1, 1, 36161},     {5, 1, 1, 38353},       {29, 1, 1, 47119},
      {30, 1, 1, 10959},      {10000, 1, 1, std::nullopt}, {100, 1, 0, std::nullopt},
      {9999, 12, 32, std::nullopt}, {-5, 1, 1, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
    EXPECT_EQ(make_date(c.y, c.m, c.d), c.serial);
  }
  EXPECT_DOUBLE_EQ(make_time(16, 5, 6), kT160506);
  EXPECT_DOUBLE_EQ(make_time(0, 90, 0), 1.5 / 24);  // minutes carry into hours
}

TEST(Date, SplitDateGivesPartsAndWeekday) {
  struct Case {
    double oadate;
    DateParts p;
  };
  const Case cases[] = {
      {kJan2_2003 + kT160506, {2003, 1, 2, 16, 5, 6, 5}},
      {0, {1899, 12, 30, 0, 0, 0, 7}},
      {1, {1899, 12, 31, 0, 0, 0, 1}},
      {-1.25, {1899, 12, 29, 6, 0, 0, 6}},
      {38046.5, {2004, 2, 29, 12, 0, 0, 1}},
      {37623.99999999, {2003, 1, 3, 0, 0, 0, 6}},  // rounds to the next day
      {-657434, {100, 1, 1, 0, 0, 0, 6}},
      {2958465 + 86399.0 / 86400, {9999, 12, 31, 23, 59, 59, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.oadate);
    DateParts p = split_date(c.oadate);
    EXPECT_EQ(p.year, c.p.year);
    EXPECT_EQ(p.month, c.p.month);
    EXPECT_EQ(p.day, c.p.day);
    EXPECT_EQ(p.hour, c.p.hour);
    EXPECT_EQ(p.minute, c.p.minute);
    EXPECT_EQ(p.second, c.p.second);
    EXPECT_EQ(p.weekday, c.p.weekday);
  }
}

TEST(Date, FormatDate) {
  struct Case {
    double oadate;
    const char* text;
  };
  const Case cases[] = {
      {kJan2_2003, "1/2/2003"},
      {kJan2_2003 + kT160506, "1/2/2003 4:05:06 PM"},
      {kT160506, "4:05:06 PM"},
      {0, "12:00:00 AM"},
      {0.5, "12:00:00 PM"},
      {1.0 / 24, "1:00:00 AM"},
      {-1.25, "12/29/1899 6:00:00 AM"},
      {-657434, "1/1/0100"},
      {2958465 + 86399.0 / 86400, "12/31/9999 11:59:59 PM"},
      {37623.99999999, "1/3/2003"},
  };
  vbtest::in_each_locale([&] {
    for (const auto& c : cases) EXPECT_EQ(format_date(c.oadate), c.text);
  });
  EXPECT_EQ(error_of([] { format_date(1e10); }), 6);
  EXPECT_EQ(error_of([] { format_date(std::nan("")); }), 6);
}

TEST(Date, ParseDateForms) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const double full = kJan2_2003 + kT160506;
  const Case cases[] = {
      {"1/2/2003", kJan2_2003},
      {" 01/02/2003 ", kJan2_2003},
      {"2003-01-02", kJan2_2003},
      {"2003/1/2", kJan2_2003},
      {"2-Jan-2003", kJan2_2003},
      {"2 January 2003", kJan2_2003},
      {"January 2, 2003", kJan2_2003},
      {"Jan 2 2003", kJan2_2003},
      {"jan 2, 03", kJan2_2003},
      {"1/2/03", kJan2_2003},
      {"1/2/29", 47120},
      {"1/2/30", 10960},
      {"1/2/99", 36162},
      {"13/1/2003", 37634},  // only day/month reads as a date
      {"2/29/2004", 38046},
      {"Jan 2003", 37622},
      {"1/2003", 37622},
      {"4:05:06 PM", kT160506},
      {"16:05:06", kT160506},
      {"4:05 pm", 57900.0 / 86400},
      {"4 PM", 57600.0 / 86400},
      {"12:00 AM", 0.0},
      {"12:30 PM", 45000.0 / 86400},
      {"0:00", 0.0},
      {"1/2/2003 4:05:06 PM", full},
      {"4:05:06 PM 1/2/2003", full},
      {"2003-01-02 16:05:06", full},
      {"Jan 2, 2003 4:05:06 PM", full},
      {"12/29/1899 6:00 AM", -1.25},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"5", std::nullopt},
      {"2/29/2003", std::nullopt},
      {"13/13/2003", std::nullopt},
      {"0/1/2003", std::nullopt},
      {"1/0/2003", std::nullopt},
      {"1/2/2003/4", std::nullopt},
      {"1//2/2003", std::nullopt},
      {"/1/2/2003", std::nullopt},
      {"1/2/2003/", std::nullopt},
      {"1/2/10000", std::nullopt},
      {"1/1/0099", std::nullopt},
      {"Jan Feb 2003", std::nullopt},
      {"1/2/2003 PM", std::nullopt},
      {"25:00", std::nullopt},
      {"10:60", std::nullopt},
      {"10:00:60", std::nullopt},
      {"13:00 PM", std::nullopt},
      {"PM", std::nullopt},
      {"10:", std::nullopt},
      {"10:00 10:00", std::nullopt},
      {"1.5", std::nullopt},
      {"Smarch 2, 2003", std::nullopt},
  };
  vbtest::in_each_locale([&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string("\"") + c.text + "\"");
      auto got = parse_date(c.text);
      ASSERT_EQ(got.has_value(), c.value.has_value());
      if (got) {
        EXPECT_NEAR(*got, *c.value, 1e-9);
      }
    }
  });
}

TEST(Date, MonthAndDayAloneMeanThisYear) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  int year = tm.tm_year + 1900;
  EXPECT_EQ(parse_date("1/2"), make_date(year, 1, 2));
  EXPECT_EQ(parse_date("Mar 5"), make_date(year, 3, 5));
}

TEST(Date, TextRoundTripsOverTheWholeRange) {
  // Every 997th day from 1/1/100 to 12/31/9999, each with a different time of day.
  int checked = 0;
  for (int64_t day = -657434; day <= 2958465; day += 997) {
    int64_t secs = (day * 7919) % 86400;
    if (secs < 0) secs += 86400;
    double t = double(secs) / 86400.0;
    double oadate = day < 0 ? double(day) - t : double(day) + t;
    DateParts p = split_date(oadate);
    ASSERT_EQ(make_date(p.year, p.month, p.day), double(day)) << day;
    ASSERT_EQ(p.hour * 3600 + p.minute * 60 + p.second, secs) << day;
    std::string text = format_date(oadate);
    auto back = parse_date(text);
    ASSERT_TRUE(back.has_value()) << text;
    if (day != 0) {
      ASSERT_NEAR(*back, oadate, 1e-6) << text;
    }
    ++checked;
  }
  EXPECT_GT(checked, 3000);
}
