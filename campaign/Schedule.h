// When a campaign may send: a "send at" local date and time, daily quiet
// hours in local time, and the notice for a campaign that missed its time.
//
// Local times follow the zone's rules, daylight saving included:
// - a local time that does not exist (skipped when the clocks go forward)
//   becomes the first instant after the gap, the moment the clocks changed
//   (01:30 on a night that jumps from 01:00 to 02:00 is 02:00 new time);
// - a local time that exists twice (when the clocks go back) is its first
//   occurrence, the earlier instant.
// Quiet hours follow the wall clock: on the night the clocks go back, the
// repeated hour is quiet again if its local times are.
#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace Schedule {

using TimePoint = std::chrono::system_clock::time_point;

// A time zone, as far as the schedule needs one.
class ITimeZone {
public:
    virtual ~ITimeZone() = default;
    // Seconds east of UTC in force at `t` (daylight saving included).
    virtual long OffsetAt(std::time_t t) const = 0;
    // The zone's short name at `t` ("GMT", "BST"), for showing the zone.
    virtual std::string Abbreviation(std::time_t t) const = 0;
};

// The zone of this process, from the C library: the TZ variable when set,
// else the system's setting. It follows TZ changes made with tzset.
class CSystemTimeZone : public ITimeZone {
public:
    long OffsetAt(std::time_t t) const override;
    std::string Abbreviation(std::time_t t) const override;
};

struct LocalDateTime {
    int year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "2026-12-07T07:30" (a space may stand for the T; seconds ":SS" optional);
// none when malformed or out of range (2026-02-30, 24:00).
std::optional<LocalDateTime> ParseLocalDateTime(std::string_view text);

LocalDateTime ToLocal(TimePoint t, const ITimeZone& zone);
// The instant of a local date and time (fields already in range), with the
// choices above for a skipped or repeated local time.
TimePoint FromLocal(const LocalDateTime& local, const ITimeZone& zone);

// "07:30" and "2026-12-07 07:30 GMT".
std::u16string FormatLocalTime(TimePoint t, const ITimeZone& zone);
std::u16string FormatLocalDateTime(TimePoint t, const ITimeZone& zone);

// A daily window without sending, in minutes after local midnight; the
// window crosses midnight when it ends before it starts (21:00 to 08:00).
// An empty window (start == end) means none, the default.
struct QuietHours {
    int start = 0;
    int end = 0;

    bool IsNone() const { return start == end; }
};

// "21:00-08:00"; "none" or "" for no quiet hours; none when malformed.
std::optional<QuietHours> ParseQuietHours(std::string_view text);

// The end of the quiet window that `t` falls in; none when sending is
// allowed at `t`.
std::optional<TimePoint> QuietUntil(const QuietHours& quiet, TimePoint t, const ITimeZone& zone);
inline bool IsSendingAllowed(const QuietHours& quiet, TimePoint t, const ITimeZone& zone) {
    return !QuietUntil(quiet, t, zone);
}
// The quiet hours as the sending loop's gate (CCampaignLoop::SetSendWindow);
// `zone` must outlive it.
std::function<std::optional<TimePoint>(TimePoint)> MakeSendWindow(QuietHours quiet,
                                                                  const ITimeZone& zone);
// "Paused until 08:00": the status of a loop waiting for the end of quiet hours.
std::u16string PausedUntilText(TimePoint until, const ITimeZone& zone);

// A campaign is late when it starts this long or more after its time: a
// start within it is on time (a timer that fires a little late, a program
// that takes a moment to open).
inline constexpr std::chrono::minutes kLateAfter{5};
// "The campaign planned for 07:30 is late by 2 hours" (the date is added when
// it was planned for another day); none when it is not late at `now`.
std::optional<std::u16string> LateText(TimePoint due, TimePoint now, const ITimeZone& zone);
// The choices a late campaign offers, after LateText and ": ".
inline constexpr std::u16string_view kLateChoices = u"send now / later / cancel";

}  // namespace Schedule
