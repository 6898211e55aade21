#include <cmath>

#include "lib_support.h"

namespace tolvex::vbscript::test {
namespace {

TEST(LibDates, PartsAndNames) {
  Variant d = DT(2024, 2, 29, 13, 5, 9);  // a Thursday
  check_calls({
      {"Year", {d}, "Integer 2024"},
      {"Month", {d}, "Integer 2"},
      {"Day", {d}, "Integer 29"},
      {"Hour", {d}, "Integer 13"},
      {"Minute", {d}, "Integer 5"},
      {"Second", {d}, "Integer 9"},
      {"Year", {S("3/4/1999")}, "Integer 1999"},
      {"Year", {Null()}, "Null"},
      {"Weekday", {d}, "Integer 5"},
      {"Weekday", {d, I(2)}, "Integer 4"},
      {"Weekday", {d, I(8)}, "error 5"},
      {"WeekdayName", {I(1)}, "String Sunday"},
      {"WeekdayName", {I(1), B(true), I(2)}, "String Mon"},
      {"WeekdayName", {I(0)}, "error 5"},
      {"MonthName", {I(9)}, "String September"},
      {"MonthName", {I(9), B(true)}, "String Sep"},
      {"MonthName", {I(13)}, "error 5"},
      {"Hour", {D(-1.25)}, "Integer 6"},  // the fraction of a negative date counts forwards
  });
}

TEST(LibDates, SerialsAndValues) {
  check_calls({
      {"DateSerial", {I(2024), I(14), I(1)}, "Date 2/1/2025"},
      {"DateSerial", {I(2024), I(3), I(0)}, "Date 2/29/2024"},
      {"DateSerial", {I(99), I(1), I(1)}, "Date 1/1/1999"},
      {"DateSerial", {I(5), I(1), I(1)}, "Date 1/1/2005"},
      {"DateSerial", {I(10000), I(1), I(1)}, "error 5"},
      {"TimeSerial", {I(13), I(70), I(0)}, "Date 2:10:00 PM"},
      {"TimeSerial", {I(-1), I(0), I(0)}, "Date 12/29/1899 11:00:00 PM"},
      {"DateValue", {S("2/3/2001 4:05 PM")}, "Date 2/3/2001"},
      {"TimeValue", {S("2/3/2001 4:05 PM")}, "Date 4:05:00 PM"},
      {"DateValue", {Null()}, "Null"},
      {"DateValue", {S("nonsense")}, "error 13"},
  });
}

TEST(LibDates, DateAddDiffPart) {
  Variant jan31 = DT(2023, 1, 31, 10, 0, 0);
  check_calls({
      {"DateAdd", {S("m"), I(1), jan31}, "Date 2/28/2023 10:00:00 AM"},
      {"DateAdd", {S("yyyy"), I(1), DT(2024, 2, 29)}, "Date 2/28/2025"},
      {"DateAdd", {S("q"), I(-1), jan31}, "Date 10/31/2022 10:00:00 AM"},
      {"DateAdd", {S("d"), I(1), jan31}, "Date 2/1/2023 10:00:00 AM"},
      {"DateAdd", {S("ww"), I(2), jan31}, "Date 2/14/2023 10:00:00 AM"},
      {"DateAdd", {S("h"), I(15), jan31}, "Date 2/1/2023 1:00:00 AM"},
      {"DateAdd", {S("n"), I(-601), jan31}, "Date 1/30/2023 11:59:00 PM"},
      {"DateAdd", {S("s"), I(1), DT(1899, 12, 29, 23, 59, 59)}, "Date 12:00:00 AM"},
      {"DateAdd", {S("x"), I(1), jan31}, "error 5"},
      {"DateAdd", {S("yyyy"), I(9000), jan31}, "error 5"},
      {"DateAdd", {S("h"), I(23), DT(9999, 12, 31)}, "Date 12/31/9999 11:00:00 PM"},
      {"DateAdd", {S("h"), I(24), DT(9999, 12, 31)}, "error 5"},
      {"Hour", {call("DateAdd", {S("h"), I(12), DT(100, 1, 1)})}, "Integer 12"},  // times of the first day
      {"DateAdd", {S("d"), I(-1), DT(100, 1, 1)}, "error 5"},
      {"DateAdd", {S("d"), D(1.9), DT(2023, 1, 1)}, "Date 1/2/2023"},  // fractions are dropped
      {"DateDiff", {S("d"), DT(2023, 1, 1, 23, 0, 0), DT(2023, 1, 2, 1, 0, 0)}, "Long 1"},
      {"DateDiff", {S("yyyy"), DT(2022, 12, 31), DT(2023, 1, 1)}, "Long 1"},
      {"DateDiff", {S("m"), DT(2023, 3, 31), DT(2023, 1, 1)}, "Long -2"},
      {"DateDiff", {S("q"), DT(2023, 3, 31), DT(2023, 4, 1)}, "Long 1"},
      {"DateDiff", {S("h"), DT(2023, 1, 1, 1, 59, 0), DT(2023, 1, 1, 2, 1, 0)}, "Long 1"},
      {"DateDiff", {S("n"), DT(2023, 1, 1, 1, 59, 59), DT(2023, 1, 1, 2, 0, 0)}, "Long 1"},
      {"DateDiff", {S("s"), DT(2023, 1, 1), DT(2023, 1, 2)}, "Long 86400"},
      {"DateDiff", {S("w"), DT(2023, 1, 1), DT(2023, 1, 14)}, "Long 1"},
      {"DateDiff", {S("ww"), DT(2023, 1, 7), DT(2023, 1, 8)}, "Long 1"},  // Saturday to Sunday
      {"DateDiff", {S("ww"), DT(2023, 1, 7), DT(2023, 1, 8), I(2)}, "Long 0"},
      {"DateDiff", {S("d"), Null(), DT(2023, 1, 8)}, "Null"},
      {"DatePart", {S("q"), DT(2023, 8, 1)}, "Integer 3"},
      {"DatePart", {S("y"), DT(2023, 3, 1)}, "Integer 60"},
      {"DatePart", {S("w"), DT(2023, 1, 2), I(2)}, "Integer 1"},
      {"DatePart", {S("ww"), DT(2023, 1, 1)}, "Integer 1"},
      {"DatePart", {S("ww"), DT(2023, 1, 8)}, "Integer 2"},
      {"DatePart", {S("ww"), DT(2021, 1, 1), I(2), I(2)}, "Integer 53"},  // belongs to 2020's last week
      {"DatePart", {S("ww"), DT(2021, 1, 4), I(2), I(2)}, "Integer 1"},
      {"DatePart", {S("ww"), DT(2019, 12, 30), I(2), I(2)}, "Integer 1"},  // first week of 2020
      {"DatePart", {S("ww"), DT(2023, 1, 1), I(1), I(3)}, "Integer 1"},
      {"DatePart", {S("ww"), DT(2022, 1, 1), I(1), I(3)}, "Integer 52"},
      {"DatePart", {S("h"), DT(2023, 1, 1, 17, 0, 0)}, "Integer 17"},
  });
}

TEST(LibDates, FormatDateTime) {
  Variant d = DT(2006, 1, 2, 15, 4, 5);
  check_calls({
      {"FormatDateTime", {d}, "String 1/2/2006 3:04:05 PM"},
      {"FormatDateTime", {d, I(1)}, "String Monday, January 2, 2006"},
      {"FormatDateTime", {d, I(2)}, "String 1/2/2006"},
      {"FormatDateTime", {d, I(3)}, "String 3:04:05 PM"},
      {"FormatDateTime", {d, I(4)}, "String 15:04"},
      {"FormatDateTime", {DT(2006, 1, 2, 0, 4, 0), I(3)}, "String 12:04:00 AM"},
      {"FormatDateTime", {d, I(5)}, "error 5"},
  });
}

TEST(LibDates, ClockFunctionsAgree) {
  Variant now = call("Now", {}), today = call("Date", {}), time = call("Time", {});
  EXPECT_EQ(now.type(), VarType::Date);
  EXPECT_EQ(today.raw_date(), std::trunc(today.raw_date()));
  EXPECT_LT(time.raw_date(), 1.0);
  EXPECT_NEAR(now.raw_date(), std::trunc(now.raw_date()) + time.raw_date(), 2.0 / 86400 + 1.0);
  Variant timer = call("Timer", {});
  EXPECT_EQ(timer.type(), VarType::Single);
  EXPECT_GE(timer.raw_single(), 0.0f);
  EXPECT_LT(timer.raw_single(), 86400.0f);
}

}  // namespace
}  // namespace tolvex::vbscript::test
