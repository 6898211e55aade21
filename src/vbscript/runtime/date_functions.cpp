// Date and time functions. Dates are OLE dates (days since 1899-12-30); the arithmetic
// runs on whole seconds of a continuous day count.
#include <chrono>
#include <cmath>
#include <ctime>

#include "vb/strings.h"
#include "vbscript/runtime/library.h"

namespace tolvex::vbscript::lib {

namespace {

constexpr double kFirstDay = -657434.0;  // 100-01-01
constexpr double kEndDay = 2958466.0;    // the day after 9999-12-31

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string month_name(int m, bool abbreviate) {
  std::string n = kMonths[m - 1];
  return abbreviate ? n.substr(0, 3) : n;
}
std::string day_name(int wd, bool abbreviate) {
  std::string n = kDays[wd - 1];
  return abbreviate ? n.substr(0, 3) : n;
}

double checked_date(double d) {
  double linear = date_to_linear(d);
  if (!(linear >= kFirstDay && linear < kEndDay)) invalid_argument();
  return d;
}

struct Split {
  int64_t day;  // continuous day number
  int32_t secs; // seconds into the day
  vb::DateParts parts;
};

Split split(double oadate) {
  int64_t s = date_to_seconds(oadate);
  int64_t day = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
  Split r{day, int32_t(s - day * 86400), vb::split_date(double(day))};
  r.parts.hour = r.secs / 3600;
  r.parts.minute = r.secs / 60 % 60;
  r.parts.second = r.secs % 60;
  return r;
}

double join(int64_t day, int64_t secs) { return seconds_to_date(day * 86400 + secs); }

int days_in_month(int y, int m) {
  static const int n[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : n[m - 1];
}

int64_t day_number(int y, int m, int d) {
  auto r = vb::make_date(y, m, d);
  if (!r) invalid_argument();
  return int64_t(*r);
}

// firstdayofweek: 0 is the system setting (Sunday); error 5 outside 0-7.
int first_day_arg(Args a, size_t i) {
  int32_t f = long_arg_or(a, i, 1);
  if (f < 0 || f > 7) invalid_argument();
  return f == 0 ? 1 : f;
}
int first_week_arg(Args a, size_t i) {
  int32_t f = long_arg_or(a, i, 1);
  if (f < 0 || f > 3) invalid_argument();
  return f == 0 ? 1 : f;
}

// Weekday of a day number (1 = Sunday).
int weekday_of(int64_t day) {
  int64_t w = (day - 1) % 7;  // day 1 (1899-12-31) was a Sunday
  if (w < 0) w += 7;
  return int(w) + 1;
}

int relative_weekday(int64_t day, int first) { return (weekday_of(day) - first + 7) % 7 + 1; }

// The first day of week 1 of `year`.
int64_t week_one(int year, int first, int rule) {
  int64_t jan1 = day_number(year, 1, 1);
  int64_t start = jan1 - (relative_weekday(jan1, first) - 1);
  if (rule == 2 && jan1 - start >= 4) start += 7;  // week 1 needs four days of the year
  if (rule == 3 && start < jan1) start += 7;       // week 1 is the first full week
  return start;
}

int week_of_year(int64_t day, int year, int first, int rule) {
  if (rule == 1) {
    int64_t start = day_number(year, 1, 1);
    start -= relative_weekday(start, first) - 1;
    return int((day - start) / 7) + 1;
  }
  int64_t start = week_one(year, first, rule);
  if (day < start) return week_of_year(day, year - 1, first, rule);
  if (year < 9999 && day >= week_one(year + 1, first, rule)) return 1;
  return int((day - start) / 7) + 1;
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval interval_arg(Args a, size_t i) {
  std::string s = vb::ascii_lower(str_arg(a, i));
  if (s == "yyyy") return Interval::Year;
  if (s == "q") return Interval::Quarter;
  if (s == "m") return Interval::Month;
  if (s == "y") return Interval::DayOfYear;
  if (s == "d") return Interval::Day;
  if (s == "w") return Interval::Weekday;
  if (s == "ww") return Interval::Week;
  if (s == "h") return Interval::Hour;
  if (s == "n") return Interval::Minute;
  if (s == "s") return Interval::Second;
  invalid_argument();
}

template <int vb::DateParts::*Field>
Variant part(RuntimeEnv&, Args a) {
  Variant v = value_arg(a, 0);
  if (v.is_null()) return v;
  return Variant(int16_t(split(vb::to_date(v)).parts.*Field));
}

Variant fn_weekday(RuntimeEnv&, Args a) {
  int first = first_day_arg(a, 1);
  Variant v = value_arg(a, 0);
  if (v.is_null()) return v;
  return Variant(int16_t(relative_weekday(split(vb::to_date(v)).day, first)));
}

Variant fn_weekdayname(RuntimeEnv&, Args a) {
  int32_t n = long_arg(a, 0);
  bool abbreviate = bool_arg_or(a, 1, false);
  int first = first_day_arg(a, 2);
  if (n < 1 || n > 7) invalid_argument();
  return Variant(day_name((n - 1 + first - 1) % 7 + 1, abbreviate));
}

Variant fn_monthname(RuntimeEnv&, Args a) {
  if (null_arg(a, 1)) vb::raise(vb::err::kInvalidUseOfNull);  // before the month's own check
  int32_t m = long_arg(a, 0);
  bool abbreviate = bool_arg_or(a, 1, false);
  if (m < 1 || m > 12) invalid_argument();
  return Variant(month_name(m, abbreviate));
}

std::tm local_now(int* millis = nullptr) {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  if (millis) *millis = int(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  return tm;
}

double today(const std::tm& tm) { return double(day_number(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)); }
double clock_time(const std::tm& tm) { return vb::make_time(tm.tm_hour, tm.tm_min, tm.tm_sec); }

Variant fn_now(RuntimeEnv&, Args) {
  std::tm tm = local_now();
  return Variant::date(today(tm) + clock_time(tm));
}
Variant fn_date(RuntimeEnv&, Args) { return Variant::date(today(local_now())); }
Variant fn_time(RuntimeEnv&, Args) { return Variant::date(clock_time(local_now())); }

Variant fn_timer(RuntimeEnv&, Args) {
  int ms = 0;
  std::tm tm = local_now(&ms);
  return Variant(float(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) + float(ms / 10) / 100.0f);
}

int32_t int_arg(Args a, size_t i) {
  int32_t v = long_arg(a, i);
  if (v < -32768 || v > 32767) vb::raise(vb::err::kOverflow);
  return v;
}

Variant fn_dateserial(RuntimeEnv&, Args a) {
  int32_t y = int_arg(a, 0), m = int_arg(a, 1), d = int_arg(a, 2);
  auto r = vb::make_date(y, m, d);
  if (!r) invalid_argument();
  return Variant::date(checked_date(*r));
}

Variant fn_timeserial(RuntimeEnv&, Args a) {
  int64_t s = int64_t(int_arg(a, 0)) * 3600 + int64_t(int_arg(a, 1)) * 60 + int_arg(a, 2);
  return Variant::date(checked_date(seconds_to_date(s)));
}

Variant fn_datevalue(RuntimeEnv&, Args a) {
  Variant v = value_arg(a, 0);
  if (v.is_null()) return v;
  return Variant::date(std::trunc(vb::to_date(v)));
}

Variant fn_timevalue(RuntimeEnv&, Args a) {
  Variant v = value_arg(a, 0);
  if (v.is_null()) return v;
  return Variant::date(double(split(vb::to_date(v)).secs) / 86400.0);
}

int64_t add_months(const Split& s, int64_t months) {
  int64_t total = int64_t(s.parts.year) * 12 + (s.parts.month - 1) + months;
  int64_t y = total >= 0 ? total / 12 : -((-total + 11) / 12);
  int m = int(total - y * 12) + 1;
  if (y < 100 || y > 9999) invalid_argument();
  int d = std::min(s.parts.day, days_in_month(int(y), m));
  return day_number(int(y), m, d);
}

Variant fn_dateadd(RuntimeEnv&, Args a) {
  Interval iv = interval_arg(a, 0);
  double number = std::trunc(double_arg(a, 1));
  if (std::fabs(number) > 1e10) invalid_argument();
  int64_t n = int64_t(number);
  if (null_arg(a, 2)) return Variant::null();
  Split s = split(date_arg(a, 2));
  double r = 0;
  switch (iv) {
    case Interval::Year: r = join(add_months(s, n * 12), s.secs); break;
    case Interval::Quarter: r = join(add_months(s, n * 3), s.secs); break;
    case Interval::Month: r = join(add_months(s, n), s.secs); break;
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday: r = join(s.day + n, s.secs); break;
    case Interval::Week: r = join(s.day + n * 7, s.secs); break;
    case Interval::Hour: r = join(s.day, s.secs + n * 3600); break;
    case Interval::Minute: r = join(s.day, s.secs + n * 60); break;
    case Interval::Second: r = join(s.day, s.secs + n); break;
  }
  return Variant::date(checked_date(r));
}

Variant fn_datediff(RuntimeEnv&, Args a) {
  Interval iv = interval_arg(a, 0);
  Variant v1 = value_arg(a, 1), v2 = value_arg(a, 2);
  int first = first_day_arg(a, 3);
  first_week_arg(a, 4);
  if (v1.is_null() || v2.is_null()) return Variant::null();
  Split x = split(vb::to_date(v1)), y = split(vb::to_date(v2));
  int64_t sx = x.day * 86400 + x.secs, sy = y.day * 86400 + y.secs;
  auto floor_div = [](int64_t p, int64_t q) { return p >= 0 ? p / q : -((-p + q - 1) / q); };
  int64_t r = 0;
  switch (iv) {
    case Interval::Year: r = y.parts.year - x.parts.year; break;
    case Interval::Quarter:
      r = (int64_t(y.parts.year) * 4 + (y.parts.month - 1) / 3) - (int64_t(x.parts.year) * 4 + (x.parts.month - 1) / 3);
      break;
    case Interval::Month:
      r = (int64_t(y.parts.year) * 12 + y.parts.month) - (int64_t(x.parts.year) * 12 + x.parts.month);
      break;
    case Interval::DayOfYear:
    case Interval::Day: r = y.day - x.day; break;
    case Interval::Weekday: r = (y.day - x.day) / 7; break;
    case Interval::Week: {
      int64_t wx = x.day - (relative_weekday(x.day, first) - 1);
      int64_t wy = y.day - (relative_weekday(y.day, first) - 1);
      r = (wy - wx) / 7;
      break;
    }
    case Interval::Hour: r = floor_div(sy, 3600) - floor_div(sx, 3600); break;
    case Interval::Minute: r = floor_div(sy, 60) - floor_div(sx, 60); break;
    case Interval::Second: r = sy - sx; break;
  }
  if (r < INT32_MIN || r > INT32_MAX) vb::raise(vb::err::kOverflow);
  return Variant(int32_t(r));
}

Variant fn_datepart(RuntimeEnv&, Args a) {
  Interval iv = interval_arg(a, 0);
  Variant v = value_arg(a, 1);
  int first = first_day_arg(a, 2);
  int rule = first_week_arg(a, 3);
  if (v.is_null()) return v;
  Split s = split(vb::to_date(v));
  int r = 0;
  switch (iv) {
    case Interval::Year: r = s.parts.year; break;
    case Interval::Quarter: r = (s.parts.month - 1) / 3 + 1; break;
    case Interval::Month: r = s.parts.month; break;
    case Interval::DayOfYear: r = int(s.day - day_number(s.parts.year, 1, 1)) + 1; break;
    case Interval::Day: r = s.parts.day; break;
    case Interval::Weekday: r = relative_weekday(s.day, first); break;
    case Interval::Week: r = week_of_year(s.day, s.parts.year, first, rule); break;
    case Interval::Hour: r = s.parts.hour; break;
    case Interval::Minute: r = s.parts.minute; break;
    case Interval::Second: r = s.parts.second; break;
  }
  return Variant(int16_t(r));
}

std::string clock_text(const Split& s, bool twelve_hour, bool seconds) {
  char buf[32];
  int h = s.parts.hour;
  if (!twelve_hour) {
    std::snprintf(buf, sizeof buf, "%02d:%02d", h, s.parts.minute);
  } else {
    int h12 = h % 12 == 0 ? 12 : h % 12;
    if (seconds)
      std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h12, s.parts.minute, s.parts.second, h < 12 ? "AM" : "PM");
    else
      std::snprintf(buf, sizeof buf, "%d:%02d %s", h12, s.parts.minute, h < 12 ? "AM" : "PM");
  }
  return buf;
}

Variant fn_formatdatetime(RuntimeEnv&, Args a) {
  if (null_arg(a, 0)) vb::raise(vb::err::kTypeMismatch);  // 13, where a Null format is 94
  int32_t fmt = long_arg_or(a, 1, 0);
  if (fmt < 0 || fmt > 4) invalid_argument();
  double d = date_arg(a, 0);
  Split s = split(d);
  switch (fmt) {
    case 1: {
      std::string out = day_name(weekday_of(s.day), false) + ", " + month_name(s.parts.month, false) + " " +
                        std::to_string(s.parts.day) + ", " + std::to_string(s.parts.year);
      return Variant(std::move(out));
    }
    case 2:
      return Variant(std::to_string(s.parts.month) + "/" + std::to_string(s.parts.day) + "/" +
                     std::to_string(s.parts.year));
    case 3:
      return Variant(clock_text(s, true, true));
    case 4:
      return Variant(clock_text(s, false, false));
    default:
      return Variant(vb::format_date(d));
  }
}

const Builtin kBuiltins[] = {
    {"Now", fn_now, 0, 0},
    {"Date", fn_date, 0, 0},
    {"Time", fn_time, 0, 0},
    {"Timer", fn_timer, 0, 0},
    {"Year", part<&vb::DateParts::year>, 1, 1},
    {"Month", part<&vb::DateParts::month>, 1, 1},
    {"Day", part<&vb::DateParts::day>, 1, 1},
    {"Hour", part<&vb::DateParts::hour>, 1, 1},
    {"Minute", part<&vb::DateParts::minute>, 1, 1},
    {"Second", part<&vb::DateParts::second>, 1, 1},
    {"Weekday", fn_weekday, 1, 2},
    {"WeekdayName", fn_weekdayname, 1, 3},
    {"MonthName", fn_monthname, 1, 2},
    {"DateSerial", fn_dateserial, 3, 3},
    {"TimeSerial", fn_timeserial, 3, 3},
    {"DateValue", fn_datevalue, 1, 1},
    {"TimeValue", fn_timevalue, 1, 1},
    {"DateAdd", fn_dateadd, 3, 3},
    {"DateDiff", fn_datediff, 3, 5},
    {"DatePart", fn_datepart, 2, 4},
    {"FormatDateTime", fn_formatdatetime, 1, 2},
};

}  // namespace

std::span<const Builtin> date_builtins() { return kBuiltins; }

}  // namespace tolvex::vbscript::lib
