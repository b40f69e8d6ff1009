#include "core/DateTime.h"

#include <cmath>

namespace brevant {

namespace {
// 0001-01-01 is day 1 - DateDelta; 1899-12-30 is day 0 (proleptic Gregorian calendar).
constexpr std::int64_t DateDelta = 693594;

std::int64_t DaysBeforeYear(int year) {
    std::int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

const int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                               {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// Milliseconds since 0001-01-01 00:00 with the frame's sign rule undone.
std::int64_t ToMSecs(TDateTime value) {
    double whole = std::trunc(value);
    double frac = std::fabs(value - whole);
    std::int64_t days = static_cast<std::int64_t>(whole) + DateDelta - 1;  // 0-based from 0001-01-01
    return days * MSecsPerDay + static_cast<std::int64_t>(std::llround(frac * MSecsPerDay));
}
}  // namespace

TDateTime ZeroDate() {
    TDateTime d = 0;
    TryEncodeDate(100, 1, 1, d);
    return d;
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    std::int64_t days = DaysBeforeYear(year);
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    days += day - 1;
    result = static_cast<double>(days + 1 - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    result = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / MSecsPerDay;
    return true;
}

void DecodeDateTime(TDateTime value, TDateParts& date, TTimeParts& time) {
    std::int64_t ms = ToMSecs(value);
    std::int64_t days = ms / MSecsPerDay;
    std::int64_t rest = ms % MSecsPerDay;
    if (rest < 0) {
        rest += MSecsPerDay;
        --days;
    }
    time.Hour = static_cast<int>(rest / 3600000);
    time.Minute = static_cast<int>(rest / 60000 % 60);
    time.Second = static_cast<int>(rest / 1000 % 60);
    time.MSec = static_cast<int>(rest % 1000);

    // days counts from 0001-01-01; walk 400-, 100-, 4- and 1-year cycles.
    std::int64_t d = days;
    int year = 1;
    year += static_cast<int>(d / 146097) * 400;
    d %= 146097;
    int c = static_cast<int>(d / 36524);
    if (c == 4) c = 3;
    year += c * 100;
    d -= c * 36524;
    year += static_cast<int>(d / 1461) * 4;
    d %= 1461;
    int y = static_cast<int>(d / 365);
    if (y == 4) y = 3;
    year += y;
    d -= y * 365;
    int month = 1;
    while (d >= DaysInMonth(year, month)) {
        d -= DaysInMonth(year, month);
        ++month;
    }
    date.Year = year;
    date.Month = month;
    date.Day = static_cast<int>(d) + 1;
}

TDateParts DecodeDate(TDateTime value) {
    TDateParts d;
    TTimeParts t;
    DecodeDateTime(value, d, t);
    return d;
}

TTimeParts DecodeTime(TDateTime value) {
    TDateParts d;
    TTimeParts t;
    DecodeDateTime(value, d, t);
    return t;
}

TDateTime CombineDateTime(TDateTime date, TDateTime time) {
    return date >= 0 ? date + time : date - time;
}

}  // namespace brevant
