#include "platform/time.h"

#include <gtest/gtest.h>

#include "platform/os.h"

namespace vor::platform {
namespace {

SystemTime MakeTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SystemTime st;
  st.year = static_cast<uint16_t>(y);
  st.month = static_cast<uint16_t>(mo);
  st.day = static_cast<uint16_t>(d);
  st.hour = static_cast<uint16_t>(h);
  st.minute = static_cast<uint16_t>(mi);
  st.second = static_cast<uint16_t>(s);
  st.milliseconds = static_cast<uint16_t>(ms);
  return st;
}

TEST(FileTimeTest, KnownInstantsAndWeekdays) {
  struct Case {
    SystemTime st;
    uint64_t filetime;
    uint16_t day_of_week;
  };
  const Case cases[] = {
      {MakeTime(1601, 1, 1), 0ULL, 1},                                     // Monday
      {MakeTime(1970, 1, 1), 116444736000000000ULL, 4},                    // Thursday
      {MakeTime(2000, 2, 29, 12, 34, 56, 789), 125963012967890000ULL, 2},  // Tuesday
      {MakeTime(2038, 1, 19, 3, 14, 8), 137919572480000000ULL, 2},         // past 32-bit time_t
  };
  for (const Case& c : cases) {
    uint64_t ft = 1;
    ASSERT_TRUE(SystemTimeToFileTime(c.st, &ft)) << c.st.year;
    EXPECT_EQ(ft, c.filetime) << c.st.year;
    SystemTime back;
    ASSERT_TRUE(FileTimeToSystemTime(c.filetime, &back));
    EXPECT_EQ(back.year, c.st.year);
    EXPECT_EQ(back.month, c.st.month);
    EXPECT_EQ(back.day, c.st.day);
    EXPECT_EQ(back.hour, c.st.hour);
    EXPECT_EQ(back.minute, c.st.minute);
    EXPECT_EQ(back.second, c.st.second);
    EXPECT_EQ(back.milliseconds, c.st.milliseconds);
    EXPECT_EQ(back.day_of_week, c.day_of_week) << c.st.year;
  }
}

TEST(FileTimeTest, InvalidDatesAreRefused) {
  const SystemTime bad[] = {
      MakeTime(2001, 2, 29),       MakeTime(2004, 13, 1),
      MakeTime(2004, 0, 1),        MakeTime(2004, 4, 31),
      MakeTime(1600, 12, 31),      MakeTime(2004, 1, 1, 24),
      MakeTime(2004, 1, 1, 0, 60), MakeTime(2004, 1, 1, 0, 0, 0, 1000),
  };
  for (const SystemTime& st : bad) {
    uint64_t ft;
    EXPECT_FALSE(SystemTimeToFileTime(st, &ft))
        << st.year << "-" << st.month << "-" << st.day << " " << st.hour;
  }
  uint64_t ft;
  EXPECT_TRUE(SystemTimeToFileTime(MakeTime(2000, 2, 29), &ft));  // 2000 is a leap year
  SystemTime st;
  EXPECT_FALSE(FileTimeToSystemTime(0x8000000000000000ULL, &st));
}

TEST(DosTimeTest, RoundTripAndRange) {
  uint64_t ft = 0;
  ASSERT_TRUE(SystemTimeToFileTime(MakeTime(2004, 7, 15, 10, 20, 31), &ft));
  uint16_t date = 0;
  uint16_t time = 0;
  ASSERT_TRUE(FileTimeToDosDateTime(ft, &date, &time));
  EXPECT_EQ(date, ((2004 - 1980) << 9) | (7 << 5) | 15);
  EXPECT_EQ(time, (10 << 11) | (20 << 5) | (31 / 2));
  uint64_t back = 0;
  ASSERT_TRUE(DosDateTimeToFileTime(date, time, &back));
  uint64_t expected = 0;
  ASSERT_TRUE(SystemTimeToFileTime(MakeTime(2004, 7, 15, 10, 20, 30), &expected));
  EXPECT_EQ(back, expected);  // two-second resolution

  ASSERT_TRUE(SystemTimeToFileTime(MakeTime(1979, 12, 31, 23, 59, 59), &ft));
  EXPECT_FALSE(FileTimeToDosDateTime(ft, &date, &time));
}

TEST(LocalTimeTest, LocalConversionRoundTrips) {
  uint64_t utc = 0;
  // Mid-January and mid-July noon: away from any daylight-saving switch.
  for (int month : {1, 7}) {
    ASSERT_TRUE(SystemTimeToFileTime(MakeTime(2010, month, 15, 12, 0, 0, 250), &utc));
    uint64_t local = 0;
    ASSERT_TRUE(FileTimeToLocalFileTime(utc, &local));
    // No time zone is more than 14 hours from UTC.
    const int64_t diff = static_cast<int64_t>(local) - static_cast<int64_t>(utc);
    EXPECT_LE(diff < 0 ? -diff : diff, 14LL * 3600 * 10000000);
    uint64_t again = 0;
    ASSERT_TRUE(LocalFileTimeToFileTime(local, &again));
    EXPECT_EQ(again, utc) << month;
  }
}

TEST(ClockTest, ClocksAdvanceAndAgree) {
  const SystemTime now = GetSystemTimeUtc();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_LT(now.milliseconds, 1000);
  uint64_t ft;
  EXPECT_TRUE(SystemTimeToFileTime(now, &ft));
  const SystemTime local = GetLocalTime();
  EXPECT_TRUE(SystemTimeToFileTime(local, &ft));

  EXPECT_GT(QueryPerformanceFrequency(), 0);
  const int64_t c1 = QueryPerformanceCounter();
  const uint32_t t1 = GetTickCount();
  const int64_t c2 = QueryPerformanceCounter();
  EXPECT_GE(c2, c1);
  EXPECT_LE(static_cast<uint32_t>(GetTickCount() - t1), 60000u);
}

TEST(OsVersionTest, ReportsAnNtClassSystem) {
  OSVersionInfo info;
  ASSERT_TRUE(GetOSVersion(&info));
  EXPECT_EQ(info.platform_id, kPlatformWin32NT);
  EXPECT_GE(info.major, 5u);
}

}  // namespace
}  // namespace vor::platform
