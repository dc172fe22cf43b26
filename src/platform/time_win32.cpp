// Win32 clocks and time conversions.
#include <windows.h>

#include "platform/time.h"

namespace vor::platform {

namespace {

SystemTime FromSystemTime(const SYSTEMTIME& s) {
  SystemTime t;
  t.year = s.wYear;
  t.month = s.wMonth;
  t.day_of_week = s.wDayOfWeek;
  t.day = s.wDay;
  t.hour = s.wHour;
  t.minute = s.wMinute;
  t.second = s.wSecond;
  t.milliseconds = s.wMilliseconds;
  return t;
}

SYSTEMTIME ToSystemTime(const SystemTime& t) {
  SYSTEMTIME s;
  s.wYear = t.year;
  s.wMonth = t.month;
  s.wDayOfWeek = t.day_of_week;
  s.wDay = t.day;
  s.wHour = t.hour;
  s.wMinute = t.minute;
  s.wSecond = t.second;
  s.wMilliseconds = t.milliseconds;
  return s;
}

FILETIME ToFileTime(uint64_t v) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(v);
  ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
  return ft;
}

// Some Win32 implementations (Wine among them) accept a day beyond the end of
// its month and roll it over; the check here keeps every target alike.
bool DayExists(const SystemTime& t) {
  static const uint16_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.month < 1 || t.month > 12 || t.day < 1) return false;
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  return t.day <= (t.month == 2 && leap ? 29 : kDays[t.month - 1]);
}

uint64_t FromFileTime(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

}  // namespace

SystemTime GetSystemTimeUtc() {
  SYSTEMTIME s;
  ::GetSystemTime(&s);
  return FromSystemTime(s);
}

SystemTime GetLocalTime() {
  SYSTEMTIME s;
  ::GetLocalTime(&s);
  return FromSystemTime(s);
}

uint32_t GetTickCount() { return static_cast<uint32_t>(::GetTickCount()); }

int64_t QueryPerformanceCounter() {
  LARGE_INTEGER v;
  if (!::QueryPerformanceCounter(&v)) return 0;
  return v.QuadPart;
}

int64_t QueryPerformanceFrequency() {
  LARGE_INTEGER v;
  if (!::QueryPerformanceFrequency(&v)) return 0;
  return v.QuadPart;
}

bool SystemTimeToFileTime(const SystemTime& st, uint64_t* filetime) {
  if (!DayExists(st)) return false;
  const SYSTEMTIME s = ToSystemTime(st);
  FILETIME ft;
  if (!::SystemTimeToFileTime(&s, &ft)) return false;
  *filetime = FromFileTime(ft);
  return true;
}

bool FileTimeToSystemTime(uint64_t filetime, SystemTime* st) {
  const FILETIME ft = ToFileTime(filetime);
  SYSTEMTIME s;
  if (!::FileTimeToSystemTime(&ft, &s)) return false;
  *st = FromSystemTime(s);
  return true;
}

bool FileTimeToLocalFileTime(uint64_t filetime, uint64_t* local) {
  const FILETIME ft = ToFileTime(filetime);
  FILETIME out;
  if (!::FileTimeToLocalFileTime(&ft, &out)) return false;
  *local = FromFileTime(out);
  return true;
}

bool LocalFileTimeToFileTime(uint64_t local, uint64_t* filetime) {
  const FILETIME ft = ToFileTime(local);
  FILETIME out;
  if (!::LocalFileTimeToFileTime(&ft, &out)) return false;
  *filetime = FromFileTime(out);
  return true;
}

bool FileTimeToDosDateTime(uint64_t filetime, uint16_t* dos_date, uint16_t* dos_time) {
  const FILETIME ft = ToFileTime(filetime);
  WORD date = 0;
  WORD time = 0;
  if (!::FileTimeToDosDateTime(&ft, &date, &time)) return false;
  *dos_date = date;
  *dos_time = time;
  return true;
}

bool DosDateTimeToFileTime(uint16_t dos_date, uint16_t dos_time, uint64_t* filetime) {
  FILETIME ft;
  if (!::DosDateTimeToFileTime(dos_date, dos_time, &ft)) return false;
  *filetime = FromFileTime(ft);
  return true;
}

}  // namespace vor::platform
