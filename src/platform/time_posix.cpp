// POSIX clocks and time conversions with the results of their Win32
// counterparts: the same valid ranges, FILETIME counted from 1601 in the
// proleptic Gregorian calendar, and local time from the C library's time-zone
// rules (localtime_r and mktime, applied to the instant being converted).
#include <time.h>

#include <cstdint>

#include "platform/time.h"

namespace vor::platform {

namespace {

constexpr int64_t kTicksPerMillisecond = 10000;
constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kTicksPerDay = kTicksPerSecond * 86400;
constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;  // 1601-01-01 to 1970-01-01
constexpr int64_t kDaysTo1970 = 134774;                     // 1601-01-01 to 1970-01-01

bool IsLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a civil date (any year, proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

SystemTime FromTm(const struct tm& t, uint16_t milliseconds) {
  SystemTime st;
  st.year = static_cast<uint16_t>(t.tm_year + 1900);
  st.month = static_cast<uint16_t>(t.tm_mon + 1);
  st.day_of_week = static_cast<uint16_t>(t.tm_wday);
  st.day = static_cast<uint16_t>(t.tm_mday);
  st.hour = static_cast<uint16_t>(t.tm_hour);
  st.minute = static_cast<uint16_t>(t.tm_min);
  st.second = static_cast<uint16_t>(t.tm_sec > 59 ? 59 : t.tm_sec);
  st.milliseconds = milliseconds;
  return st;
}

int64_t MonotonicNanoseconds() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

}  // namespace

SystemTime GetSystemTimeUtc() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm t;
  gmtime_r(&ts.tv_sec, &t);
  return FromTm(t, static_cast<uint16_t>(ts.tv_nsec / 1000000));
}

SystemTime GetLocalTime() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm t;
  localtime_r(&ts.tv_sec, &t);
  return FromTm(t, static_cast<uint16_t>(ts.tv_nsec / 1000000));
}

uint32_t GetTickCount() { return static_cast<uint32_t>(MonotonicNanoseconds() / 1000000); }

int64_t QueryPerformanceCounter() { return MonotonicNanoseconds(); }

int64_t QueryPerformanceFrequency() { return 1000000000LL; }

bool SystemTimeToFileTime(const SystemTime& st, uint64_t* filetime) {
  if (st.year < 1601 || st.year > 30827 || st.month < 1 || st.month > 12 || st.day < 1 ||
      st.day > DaysInMonth(st.year, st.month) || st.hour > 23 || st.minute > 59 || st.second > 59 ||
      st.milliseconds > 999) {
    return false;
  }
  const int64_t days = DaysFromCivil(st.year, st.month, st.day) + kDaysTo1970;
  *filetime = static_cast<uint64_t>(
      days * kTicksPerDay + (st.hour * 3600 + st.minute * 60 + st.second) * kTicksPerSecond +
      st.milliseconds * kTicksPerMillisecond);
  return true;
}

bool FileTimeToSystemTime(uint64_t filetime, SystemTime* st) {
  if (filetime > static_cast<uint64_t>(INT64_MAX)) return false;
  const int64_t ticks = static_cast<int64_t>(filetime);
  const int64_t days = ticks / kTicksPerDay;
  const int64_t rest = ticks % kTicksPerDay;
  int64_t year;
  unsigned month;
  unsigned day;
  CivilFromDays(days - kDaysTo1970, &year, &month, &day);
  st->year = static_cast<uint16_t>(year);
  st->month = static_cast<uint16_t>(month);
  st->day = static_cast<uint16_t>(day);
  st->day_of_week = static_cast<uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
  st->hour = static_cast<uint16_t>(rest / (3600 * kTicksPerSecond));
  st->minute = static_cast<uint16_t>(rest / (60 * kTicksPerSecond) % 60);
  st->second = static_cast<uint16_t>(rest / kTicksPerSecond % 60);
  st->milliseconds = static_cast<uint16_t>(rest / kTicksPerMillisecond % 1000);
  return true;
}

bool FileTimeToLocalFileTime(uint64_t filetime, uint64_t* local) {
  if (filetime > static_cast<uint64_t>(INT64_MAX)) return false;
  const int64_t ticks = static_cast<int64_t>(filetime);
  const time_t seconds = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifferenceSeconds);
  struct tm t;
  if (localtime_r(&seconds, &t) == nullptr) return false;
  const int64_t result = ticks + static_cast<int64_t>(t.tm_gmtoff) * kTicksPerSecond;
  if (result < 0) return false;
  *local = static_cast<uint64_t>(result);
  return true;
}

bool LocalFileTimeToFileTime(uint64_t local, uint64_t* filetime) {
  if (local > static_cast<uint64_t>(INT64_MAX)) return false;
  const int64_t ticks = static_cast<int64_t>(local);
  const time_t local_seconds =
      static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifferenceSeconds);
  struct tm t;
  if (gmtime_r(&local_seconds, &t) == nullptr) return false;
  t.tm_isdst = -1;  // let the time-zone rules decide
  const time_t utc = mktime(&t);
  if (utc == static_cast<time_t>(-1) && local_seconds != -1) return false;
  const int64_t result = (static_cast<int64_t>(utc) + kEpochDifferenceSeconds) * kTicksPerSecond +
                         ticks % kTicksPerSecond;
  if (result < 0) return false;
  *filetime = static_cast<uint64_t>(result);
  return true;
}

bool FileTimeToDosDateTime(uint64_t filetime, uint16_t* dos_date, uint16_t* dos_time) {
  SystemTime st;
  if (!FileTimeToSystemTime(filetime, &st) || st.year < 1980 || st.year > 2107) return false;
  *dos_date = static_cast<uint16_t>(((st.year - 1980) << 9) | (st.month << 5) | st.day);
  *dos_time = static_cast<uint16_t>((st.hour << 11) | (st.minute << 5) | (st.second / 2));
  return true;
}

bool DosDateTimeToFileTime(uint16_t dos_date, uint16_t dos_time, uint64_t* filetime) {
  SystemTime st;
  st.year = static_cast<uint16_t>(1980 + (dos_date >> 9));
  st.month = static_cast<uint16_t>((dos_date >> 5) & 0x0F);
  st.day = static_cast<uint16_t>(dos_date & 0x1F);
  st.hour = static_cast<uint16_t>(dos_time >> 11);
  st.minute = static_cast<uint16_t>((dos_time >> 5) & 0x3F);
  st.second = static_cast<uint16_t>((dos_time & 0x1F) * 2);
  return SystemTimeToFileTime(st, filetime);
}

}  // namespace vor::platform
