#include "core/model/offset_date_time.h"

#include <cstdio>

#include "core/model/local_time.h"

namespace Ravenquill::Core {
namespace {

constexpr std::int64_t TicksPerSecond = 10'000'000;
constexpr std::int64_t TicksPerMinute = 60 * TicksPerSecond;
constexpr std::int64_t TicksPerDay = 24 * 60 * TicksPerMinute;
constexpr std::int64_t MaxTicks = 3'155'378'975'999'999'999;  // 9999-12-31T23:59:59.9999999
constexpr std::int64_t DaysBefore0001 = 719'162;              // days from 0001-01-01 to 1970-01-01
constexpr int MaxOffsetMinutes = 14 * 60;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

unsigned DaysInMonth(std::int64_t year, unsigned month) {
    static constexpr unsigned Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : Days[month - 1];
}

class Scanner {
public:
    explicit Scanner(std::wstring_view text) : text_(text) {}
    bool AtEnd() const { return pos_ == text_.size(); }
    bool Peek(wchar_t c) const { return pos_ < text_.size() && text_[pos_] == c; }
    bool Take(wchar_t c) {
        if (!Peek(c)) return false;
        ++pos_;
        return true;
    }
    bool PeekDigit() const { return pos_ < text_.size() && text_[pos_] >= L'0' && text_[pos_] <= L'9'; }
    // Exactly count digits.
    bool Digits(int count, int& value) {
        value = 0;
        for (int i = 0; i < count; ++i) {
            if (!PeekDigit()) return false;
            value = value * 10 + (text_[pos_++] - L'0');
        }
        return true;
    }

private:
    std::wstring_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

OffsetDateTime OffsetDateTime::Now() {
    const Detail::LocalNow now = Detail::CurrentLocalTime();
    return {now.LocalTicks, now.OffsetMinutes};
}

std::wstring OffsetDateTime::ToIsoString() const {
    const std::int64_t days = LocalTicks / TicksPerDay;
    std::int64_t rest = LocalTicks % TicksPerDay;
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days - DaysBefore0001, year, month, day);
    const auto hours = static_cast<int>(rest / (60 * TicksPerMinute));
    rest %= 60 * TicksPerMinute;
    const auto minutes = static_cast<int>(rest / TicksPerMinute);
    rest %= TicksPerMinute;
    const auto seconds = static_cast<int>(rest / TicksPerSecond);
    auto fraction = static_cast<int>(rest % TicksPerSecond);

    char buffer[64];
    int length = std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(year), month,
                               day, hours, minutes, seconds);
    if (fraction != 0) {
        int digits = 7;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        length += std::snprintf(buffer + length, sizeof buffer - length, ".%0*d", digits, fraction);
    }
    const int offset = OffsetMinutes < 0 ? -OffsetMinutes : OffsetMinutes;
    std::snprintf(buffer + length, sizeof buffer - length, "%c%02d:%02d", OffsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60);
    return std::wstring(buffer, buffer + std::char_traits<char>::length(buffer));
}

std::optional<OffsetDateTime> OffsetDateTime::ParseIso(std::wstring_view text) {
    Scanner scan(text);
    int year = 0, month = 0, day = 0;
    if (!scan.Digits(4, year) || !scan.Take(L'-') || !scan.Digits(2, month) || !scan.Take(L'-') || !scan.Digits(2, day))
        return std::nullopt;
    if (year < 1 || month < 1 || month > 12 || day < 1 || static_cast<unsigned>(day) > DaysInMonth(year, month))
        return std::nullopt;

    int hour = 0, minute = 0, second = 0;
    std::int64_t fraction = 0;
    if (scan.Take(L'T') || scan.Take(L't')) {
        if (!scan.Digits(2, hour) || !scan.Take(L':') || !scan.Digits(2, minute)) return std::nullopt;
        if (scan.Take(L':')) {
            if (!scan.Digits(2, second)) return std::nullopt;
            if (scan.Take(L'.') || scan.Take(L',')) {
                if (!scan.PeekDigit()) return std::nullopt;
                int digits = 0;
                int digit = 0;
                // Digits past the seventh are finer than a tick and are dropped.
                while (scan.Digits(1, digit)) {
                    if (digits < 7) fraction = fraction * 10 + digit;
                    ++digits;
                }
                for (; digits < 7; ++digits) fraction *= 10;
            }
        }
        if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    }

    std::int32_t offset = 0;
    bool hasOffset = true;
    if (scan.Take(L'Z') || scan.Take(L'z')) {
        offset = 0;
    } else if (scan.Peek(L'+') || scan.Peek(L'-')) {
        const bool negative = scan.Take(L'-');
        if (!negative) scan.Take(L'+');
        int offsetHours = 0, offsetMinutes = 0;
        if (!scan.Digits(2, offsetHours)) return std::nullopt;
        if (scan.Take(L':')) {
            if (!scan.Digits(2, offsetMinutes)) return std::nullopt;
        } else if (scan.PeekDigit() && !scan.Digits(2, offsetMinutes)) {
            return std::nullopt;
        }
        if (offsetMinutes > 59) return std::nullopt;
        offset = offsetHours * 60 + offsetMinutes;
        if (negative) offset = -offset;
    } else {
        hasOffset = false;
    }
    if (!scan.AtEnd()) return std::nullopt;
    if (!hasOffset) offset = Now().OffsetMinutes;
    if (offset > MaxOffsetMinutes || offset < -MaxOffsetMinutes) return std::nullopt;

    const std::int64_t ticks = (DaysFromCivil(year, month, day) + DaysBefore0001) * TicksPerDay +
                               ((hour * 60LL + minute) * 60 + second) * TicksPerSecond + fraction;
    const std::int64_t utc = ticks - offset * TicksPerMinute;
    if (utc < 0 || utc > MaxTicks) return std::nullopt;
    return OffsetDateTime{ticks, offset};
}

}  // namespace Ravenquill::Core
