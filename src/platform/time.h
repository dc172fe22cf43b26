// Clocks and time conversions.
//
// A FILETIME is a count of 100-nanosecond intervals since 1601-01-01, held
// here as uint64_t. "Local" conversions use the system's time-zone rules.
#pragma once

#include <cstdint>

namespace vor::platform {

struct SystemTime {
  uint16_t year = 0;
  uint16_t month = 0;        // 1..12
  uint16_t day_of_week = 0;  // 0 = Sunday
  uint16_t day = 0;          // 1..31
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

SystemTime GetSystemTimeUtc();  // GetSystemTime
SystemTime GetLocalTime();
uint32_t GetTickCount();  // milliseconds since an arbitrary start, wrapping
int64_t QueryPerformanceCounter();
int64_t QueryPerformanceFrequency();

bool SystemTimeToFileTime(const SystemTime& st, uint64_t* filetime);
bool FileTimeToSystemTime(uint64_t filetime, SystemTime* st);
bool FileTimeToLocalFileTime(uint64_t filetime, uint64_t* local);
bool LocalFileTimeToFileTime(uint64_t local, uint64_t* filetime);
// DOS date and time (2-second resolution) of a FILETIME taken as is.
bool FileTimeToDosDateTime(uint64_t filetime, uint16_t* dos_date, uint16_t* dos_time);
bool DosDateTimeToFileTime(uint16_t dos_date, uint16_t dos_time, uint64_t* filetime);

}  // namespace vor::platform
