// OLE dates: day numbers since 1899-12-30 with the time of day as the fraction.
// Before that day the whole part counts backwards while the fraction still counts
// forwards from midnight (-1.25 is 12/29/1899 6:00:00 AM).
#include <charconv>
#include <cmath>
#include <ctime>

#include "vb/convert.h"
#include "vb/error.h"
#include "vb/number_scan.h"
#include "vb/strings.h"

namespace tolvex::vb {

namespace {

constexpr int64_t kMinDay = -657434;  // 1/1/100
constexpr int64_t kMaxDay = 2958465;  // 12/31/9999
constexpr int64_t kUnixEpochDay = 25569;  // 1/1/1970

int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
int64_t days_from_civil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = floor_div(y, 400);
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  int64_t era = floor_div(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

bool is_leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && is_leap(y) ? 29 : kDays[m - 1];
}

// Two-digit years as VB reads them: 0-29 are 2000-2029, 30-99 are 1930-1999.
int widen_year(int y) { return y < 30 ? 2000 + y : 1900 + y; }

// The OLE date of a day number plus a time of day (0 <= time < 1).
double combine(int64_t day, double time) { return day < 0 ? double(day) - time : double(day) + time; }

// Whole days and seconds of the day, rounded to the nearest second.
void split_seconds(double oadate, int64_t& day, int64_t& seconds) {
  if (!std::isfinite(oadate)) oadate = 0;
  if (oadate < double(kMinDay - 1)) oadate = double(kMinDay);
  if (oadate > double(kMaxDay + 1)) oadate = double(kMaxDay);
  double whole = std::trunc(oadate);
  day = int64_t(whole);
  seconds = std::llround(std::fabs(oadate - whole) * 86400.0);
  if (seconds >= 86400) {  // rounds up into the next calendar day
    seconds -= 86400;
    ++day;
  }
}

}  // namespace

std::optional<double> make_date(int year, int month, int day) {
  if (year >= 0 && year <= 99) year = widen_year(year);
  // Months beyond 1..12 carry into the year, days beyond the month into the next months.
  int64_t m0 = int64_t(month) - 1;
  int64_t y = int64_t(year) + floor_div(m0, 12);
  int m = int(m0 - floor_div(m0, 12) * 12) + 1;
  if (y < 0 || y > 20000) return std::nullopt;
  int64_t serial = days_from_civil(y, m, 1) + kUnixEpochDay + (int64_t(day) - 1);
  if (serial < kMinDay || serial > kMaxDay) return std::nullopt;
  return double(serial);
}

double make_time(int hour, int minute, int second) {
  int64_t total = int64_t(hour) * 3600 + int64_t(minute) * 60 + int64_t(second);
  return double(total) / 86400.0;
}

DateParts split_date(double oadate) {
  int64_t day = 0, seconds = 0;
  split_seconds(oadate, day, seconds);
  DateParts p;
  civil_from_days(day - kUnixEpochDay, p.year, p.month, p.day);
  p.hour = int(seconds / 3600);
  p.minute = int(seconds / 60 % 60);
  p.second = int(seconds % 60);
  // 12/30/1899 (day 0) was a Saturday.
  p.weekday = int(((day % 7) + 7 + 6) % 7) + 1;
  return p;
}

std::string format_date(double oadate) {
  if (!(oadate > double(kMinDay - 1) && oadate < double(kMaxDay + 1))) raise(err::kOverflow);
  int64_t day = 0, seconds = 0;
  split_seconds(oadate, day, seconds);
  char buf[40];
  char* p = buf;
  char* end = buf + sizeof buf;
  if (day != 0) {
    int y = 0, m = 0, d = 0;
    civil_from_days(day - kUnixEpochDay, y, m, d);
    p = std::to_chars(p, end, m).ptr;
    *p++ = '/';
    p = std::to_chars(p, end, d).ptr;
    *p++ = '/';
    for (int div = 1000; div > y && div > 1; div /= 10) *p++ = '0';  // four-digit years
    p = std::to_chars(p, end, y).ptr;
    if (seconds == 0) return std::string(buf, size_t(p - buf));
    *p++ = ' ';
  }
  int h = int(seconds / 3600), mi = int(seconds / 60 % 60), s = int(seconds % 60);
  p = std::to_chars(p, end, h % 12 == 0 ? 12 : h % 12).ptr;
  *p++ = ':';
  *p++ = char('0' + mi / 10);
  *p++ = char('0' + mi % 10);
  *p++ = ':';
  *p++ = char('0' + s / 10);
  *p++ = char('0' + s % 10);
  *p++ = ' ';
  *p++ = h < 12 ? 'A' : 'P';
  *p++ = 'M';
  return std::string(buf, size_t(p - buf));
}

namespace {

struct Token {
  enum Kind : uint8_t { Number, Month, AmPm, Sep } kind;
  char sep = 0;  // Sep: ' ', '/', '-', ',', ':'
  int value = 0;  // Number: the value; Month: 1..12; AmPm: 0 AM, 1 PM
  int ndigits = 0;
};

constexpr const char* kMonthNames[12] = {"january", "february", "march",     "april",   "may",      "june",
                                         "july",    "august",   "september", "october", "november", "december"};

// 1..12 for a month's full English name or its first three letters.
int month_from_name(std::string_view w) {
  for (int i = 0; i < 12; ++i) {
    std::string_view full = kMonthNames[i];
    if (w.size() == 3 ? iequals(w, full.substr(0, 3)) : iequals(w, full)) return i + 1;
  }
  return 0;
}

bool tokenize(std::string_view s, Token* toks, int& count, int max) {
  count = 0;
  auto push = [&](Token t) {
    if (count == max) return false;
    toks[count++] = t;
    return true;
  };
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (detail::is_blank(c)) {
      while (i < s.size() && detail::is_blank(s[i])) ++i;
      if (!push({Token::Sep, ' '})) return false;
    } else if (c >= '0' && c <= '9') {
      size_t start = i;
      int v = 0;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (i - start >= 9) return false;
        v = v * 10 + (s[i] - '0');
        ++i;
      }
      if (!push({Token::Number, 0, v, int(i - start)})) return false;
    } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      size_t start = i;
      while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) ++i;
      std::string_view w = s.substr(start, i - start);
      if (iequals(w, "am") || iequals(w, "pm")) {
        if (!push({Token::AmPm, 0, ascii_lower(w[0]) == 'p'})) return false;
      } else if (int m = month_from_name(w)) {
        if (!push({Token::Month, 0, m})) return false;
      } else {
        return false;
      }
    } else if (c == '/' || c == '-' || c == ',' || c == ':') {
      if (!push({Token::Sep, c})) return false;
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

bool is_sep(const Token* t, int n, int i, char c) { return i < n && t[i].kind == Token::Sep && t[i].sep == c; }

int current_year() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

// A year token: two digits or fewer are widened, longer ones are taken as written.
bool looks_like_year(const Token& t) { return t.ndigits >= 3 || t.value > 31; }
int year_of(const Token& t) { return t.ndigits <= 2 ? widen_year(t.value) : t.value; }

}  // namespace

std::optional<double> parse_date(std::string_view s) {
  constexpr int kMaxTokens = 32;
  Token toks[kMaxTokens];
  int n = 0;
  if (!tokenize(s, toks, n, kMaxTokens)) return std::nullopt;

  // The time: h:mm[:ss] [AM|PM], or h AM|PM.
  bool have_time = false;
  int64_t time_seconds = 0;
  bool used[kMaxTokens] = {};
  for (int i = 0; i < n; ++i) {
    if (toks[i].kind == Token::AmPm && !used[i]) return std::nullopt;  // AM/PM without a time
    if (toks[i].kind != Token::Number) continue;
    int j = i + 1;
    int h = toks[i].value, mi = 0, sec = 0;
    bool colon = is_sep(toks, n, j, ':');
    if (colon) {
      if (j + 1 >= n || toks[j + 1].kind != Token::Number) return std::nullopt;
      mi = toks[j + 1].value;
      j += 2;
      if (is_sep(toks, n, j, ':')) {
        if (j + 1 >= n || toks[j + 1].kind != Token::Number) return std::nullopt;
        sec = toks[j + 1].value;
        j += 2;
      }
    }
    int k = is_sep(toks, n, j, ' ') ? j + 1 : j;
    bool ampm = k < n && toks[k].kind == Token::AmPm;
    if (!colon && !ampm) continue;  // a part of the date
    if (have_time) return std::nullopt;
    if (ampm) {
      if (h > 12) return std::nullopt;
      bool pm = toks[k].value == 1;
      if (h == 12) h = 0;
      if (pm) h += 12;
      j = k + 1;
    }
    if (h > 23 || mi > 59 || sec > 59) return std::nullopt;
    have_time = true;
    time_seconds = int64_t(h) * 3600 + mi * 60 + sec;
    for (int u = i; u < j; ++u) used[u] = true;
    i = j - 1;
  }

  // The date: numbers and at most one month name, with one separator
  // ("/", "-", "," or blanks) between them.
  const Token* items[3];
  int nitems = 0;
  char pending = 0;  // the non-blank separator since the last item
  bool gap = true;   // a separator (or the start) precedes the next item
  int months = 0;
  for (int i = 0; i < n; ++i) {
    const Token& t = toks[i];
    if (used[i] || t.kind == Token::Sep) {
      char c = used[i] ? ' ' : t.sep;
      if (c != ' ') {
        if (pending || nitems == 0) return std::nullopt;  // "1//2", "/1/2"
        if (c == ':') return std::nullopt;
        pending = c;
      }
      gap = true;
      continue;
    }
    if (!gap || nitems == 3) return std::nullopt;
    if (t.kind == Token::Month && ++months > 1) return std::nullopt;
    items[nitems++] = &t;
    pending = 0;
    gap = false;
  }
  if (pending && pending != ',') return std::nullopt;  // "1/2/"

  if (nitems == 0) {
    if (!have_time) return std::nullopt;
    return double(time_seconds) / 86400.0;
  }

  int y = 0, m = 0, d = 0;
  if (months == 0) {
    const Token& a = *items[0];
    if (nitems == 3) {
      const Token& b = *items[1];
      const Token& c = *items[2];
      if (looks_like_year(a)) {  // YYYY-MM-DD, YYYY/MM/DD
        y = year_of(a), m = b.value, d = c.value;
      } else {  // M/D/Y, or D/M/Y when only that reading is a date
        m = a.value, d = b.value, y = year_of(c);
        if (m > 12 && d <= 12) std::swap(m, d);
        if (c.ndigits > 4) return std::nullopt;
      }
    } else if (nitems == 2) {
      const Token& b = *items[1];
      if (looks_like_year(b)) {  // M/YYYY
        m = a.value, d = 1, y = year_of(b);
      } else if (looks_like_year(a)) {  // YYYY/M
        y = year_of(a), m = b.value, d = 1;
      } else {  // M/D of this year
        m = a.value, d = b.value, y = current_year();
        if (m > 12 && d <= 12) std::swap(m, d);
      }
    } else {
      return std::nullopt;  // a lone number is no date
    }
  } else {
    const Token* nums[2];
    int nn = 0;
    for (int i = 0; i < nitems; ++i) {
      if (items[i]->kind == Token::Month)
        m = items[i]->value;
      else
        nums[nn++] = items[i];
    }
    if (nn == 2) {  // D-Mon-YYYY, Month D, YYYY, YYYY Mon D
      if (looks_like_year(*nums[0]) && !looks_like_year(*nums[1]))
        y = year_of(*nums[0]), d = nums[1]->value;
      else
        d = nums[0]->value, y = year_of(*nums[1]);
    } else if (nn == 1) {  // Mon YYYY, or D Mon of this year
      if (looks_like_year(*nums[0]))
        y = year_of(*nums[0]), d = 1;
      else
        d = nums[0]->value, y = current_year();
    } else {
      return std::nullopt;
    }
  }
  if (m < 1 || m > 12 || y < 100 || y > 9999 || d < 1 || d > days_in_month(y, m)) return std::nullopt;
  int64_t day = days_from_civil(y, m, d) + kUnixEpochDay;
  return combine(day, double(time_seconds) / 86400.0);
}

}  // namespace tolvex::vb
