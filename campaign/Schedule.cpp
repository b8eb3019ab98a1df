#include "campaign/Schedule.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Schedule {

namespace {

constexpr std::int64_t kDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalDateTime CivilFromSeconds(std::int64_t s) {
    std::int64_t days = s / kDay;
    std::int64_t rest = s % kDay;
    if (rest < 0) {
        rest += kDay;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    LocalDateTime local;
    local.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    local.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    local.year = static_cast<int>(yoe + era * 400 + (local.month <= 2 ? 1 : 0));
    local.hour = static_cast<int>(rest / 3600);
    local.minute = static_cast<int>(rest / 60 % 60);
    local.second = static_cast<int>(rest % 60);
    return local;
}

// The local date and time read as if it were UTC.
std::int64_t WallSeconds(const LocalDateTime& l) {
    return DaysFromCivil(l.year, l.month, l.day) * kDay + l.hour * 3600 + l.minute * 60 + l.second;
}

std::int64_t ToSeconds(TimePoint t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

TimePoint FromSeconds(std::int64_t s) {
    return TimePoint(std::chrono::seconds(s));
}

long Offset(const ITimeZone& zone, std::int64_t s) {
    return zone.OffsetAt(static_cast<std::time_t>(s));
}

bool ReadNumber(std::string_view& text, std::size_t digits, int& value) {
    if (text.size() < digits) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    text.remove_prefix(digits);
    return true;
}

bool ReadChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

// "HH:MM" as minutes after midnight.
std::optional<int> ReadClock(std::string_view& text) {
    int hour = 0;
    int minute = 0;
    if (!ReadNumber(text, 2, hour) || !ReadChar(text, ':') || !ReadNumber(text, 2, minute) ||
        hour > 23 || minute > 59) {
        return std::nullopt;
    }
    return hour * 60 + minute;
}

std::u16string Ascii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::string TwoDigits(int n) {
    std::array<char, 8> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%02d", n);
    return buffer.data();
}

std::string Clock(const LocalDateTime& l) {
    return TwoDigits(l.hour) + ":" + TwoDigits(l.minute);
}

std::string Date(const LocalDateTime& l) {
    return std::to_string(l.year) + "-" + TwoDigits(l.month) + "-" + TwoDigits(l.day);
}

// "2 hours", "1 minute", "3 days": to the nearest unit, the largest that
// fits (under an hour in minutes, under two days in hours).
std::string LateBy(std::chrono::seconds late) {
    const auto count = [](std::int64_t n, const char* unit) {
        return std::to_string(n) + " " + unit + (n == 1 ? "" : "s");
    };
    const std::int64_t minutes = std::max<std::int64_t>((late.count() + 30) / 60, 1);
    if (minutes < 60) {
        return count(minutes, "minute");
    }
    const std::int64_t hours = (minutes + 30) / 60;
    if (hours < 48) {
        return count(hours, "hour");
    }
    return count((hours + 12) / 24, "day");
}

bool LocalTm(std::time_t t, std::tm& local) {
#ifdef _WIN32
    return localtime_s(&local, &t) == 0;
#else
    return localtime_r(&t, &local) != nullptr;
#endif
}

}  // namespace

long CSystemTimeZone::OffsetAt(std::time_t t) const {
    std::tm local{};
    if (!LocalTm(t, local)) {
        return 0;
    }
    LocalDateTime wall;
    wall.year = local.tm_year + 1900;
    wall.month = local.tm_mon + 1;
    wall.day = local.tm_mday;
    wall.hour = local.tm_hour;
    wall.minute = local.tm_min;
    wall.second = local.tm_sec;
    return static_cast<long>(WallSeconds(wall) - static_cast<std::int64_t>(t));
}

std::string CSystemTimeZone::Abbreviation(std::time_t t) const {
    std::tm local{};
    std::array<char, 64> buffer{};
    const std::size_t size =
        LocalTm(t, local) ? std::strftime(buffer.data(), buffer.size(), "%Z", &local) : 0;
    const std::string name(buffer.data(), size);
    if (!name.empty() && name.find(' ') == std::string::npos) {
        return name;
    }
    // Windows names its zones in words ("Greenwich Standard Time"), too long
    // to show beside a time: the offset says it shorter.
    const long offset = OffsetAt(t);
    const int minutes = static_cast<int>(std::min(std::labs(offset), 86399L) / 60);
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "UTC%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text.data();
}

std::optional<LocalDateTime> ParseLocalDateTime(std::string_view text) {
    LocalDateTime l;
    if (!ReadNumber(text, 4, l.year) || !ReadChar(text, '-') || !ReadNumber(text, 2, l.month) ||
        !ReadChar(text, '-') || !ReadNumber(text, 2, l.day) ||
        !(ReadChar(text, 'T') || ReadChar(text, ' '))) {
        return std::nullopt;
    }
    const std::optional<int> clock = ReadClock(text);
    if (!clock || (!text.empty() && (!ReadChar(text, ':') || !ReadNumber(text, 2, l.second) ||
                                     l.second > 59 || !text.empty()))) {
        return std::nullopt;
    }
    l.hour = *clock / 60;
    l.minute = *clock % 60;
    // The day must exist: it survives a round trip through the calendar.
    if (l.month < 1 || l.month > 12 || l.day < 1 || CivilFromSeconds(WallSeconds(l)).day != l.day) {
        return std::nullopt;
    }
    return l;
}

LocalDateTime ToLocal(TimePoint t, const ITimeZone& zone) {
    const std::int64_t s = ToSeconds(t);
    return CivilFromSeconds(s + Offset(zone, s));
}

TimePoint FromLocal(const LocalDateTime& local, const ITimeZone& zone) {
    const std::int64_t wall = WallSeconds(local);
    // The offsets a day either side; a change of offset lies between them.
    const long before = Offset(zone, wall - kDay);
    const long after = Offset(zone, wall + kDay);
    std::optional<std::int64_t> found;
    for (const long offset : {before, after}) {
        const std::int64_t t = wall - offset;
        if (Offset(zone, t) == offset && (!found || t < *found)) {
            found = t;  // the earlier of two when the local time repeats
        }
    }
    if (found) {
        return FromSeconds(*found);
    }
    // Skipped: the first instant with the later offset, the moment of the
    // change, lies between the two readings.
    std::int64_t lo = wall - std::max(before, after);
    std::int64_t hi = wall - std::min(before, after);
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        (Offset(zone, mid) == before ? lo : hi) = mid;
    }
    return FromSeconds(hi);
}

std::u16string FormatLocalTime(TimePoint t, const ITimeZone& zone) {
    return Ascii(Clock(ToLocal(t, zone)));
}

std::u16string FormatLocalDateTime(TimePoint t, const ITimeZone& zone) {
    const LocalDateTime l = ToLocal(t, zone);
    std::string text = Date(l) + " " + Clock(l);
    const std::string name = zone.Abbreviation(static_cast<std::time_t>(ToSeconds(t)));
    if (!name.empty()) {
        text += " " + name;
    }
    return Ascii(text);
}

std::optional<QuietHours> ParseQuietHours(std::string_view text) {
    if (text.empty() || text == "none") {
        return QuietHours{};
    }
    const std::optional<int> start = ReadClock(text);
    if (!start || !ReadChar(text, '-')) {
        return std::nullopt;
    }
    const std::optional<int> end = ReadClock(text);
    if (!end || !text.empty()) {
        return std::nullopt;
    }
    return QuietHours{*start, *end};
}

std::optional<TimePoint> QuietUntil(const QuietHours& quiet, TimePoint t, const ITimeZone& zone) {
    if (quiet.IsNone()) {
        return std::nullopt;
    }
    const LocalDateTime now = ToLocal(t, zone);
    const int minute = now.hour * 60 + now.minute;
    const bool inside = quiet.start < quiet.end ? minute >= quiet.start && minute < quiet.end
                                                : minute >= quiet.start || minute < quiet.end;
    if (!inside) {
        return std::nullopt;
    }
    // The window ends today, or tomorrow when it crosses midnight and we
    // are before it.
    LocalDateTime end = now;
    end.hour = quiet.end / 60;
    end.minute = quiet.end % 60;
    end.second = 0;
    if (minute >= quiet.end) {
        end = CivilFromSeconds(WallSeconds(end) + kDay);
    }
    TimePoint until = FromLocal(end, zone);
    if (until <= t) {
        // Inside the hour the clocks went back: the end is its second
        // occurrence, an hour after the first.
        const std::int64_t wall = WallSeconds(end);
        until = FromSeconds(wall - std::min(Offset(zone, wall - kDay), Offset(zone, wall + kDay)));
    }
    return until;
}

std::function<std::optional<TimePoint>(TimePoint)> MakeSendWindow(QuietHours quiet,
                                                                  const ITimeZone& zone) {
    return [quiet, &zone](TimePoint now) { return QuietUntil(quiet, now, zone); };
}

std::u16string PausedUntilText(TimePoint until, const ITimeZone& zone) {
    return u"Paused until " + FormatLocalTime(until, zone);
}

std::optional<std::u16string> LateText(TimePoint due, TimePoint now, const ITimeZone& zone) {
    if (now - due < kLateAfter) {
        return std::nullopt;
    }
    const LocalDateTime planned = ToLocal(due, zone);
    std::string when = Clock(planned);
    const LocalDateTime today = ToLocal(now, zone);
    if (planned.year != today.year || planned.month != today.month || planned.day != today.day) {
        when = Date(planned) + " " + when;
    }
    return Ascii("The campaign planned for " + when + " is late by " +
                 LateBy(std::chrono::duration_cast<std::chrono::seconds>(now - due)));
}

}  // namespace Schedule
