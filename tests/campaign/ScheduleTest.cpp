#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "campaign/Schedule.h"

using namespace Schedule;

namespace {

// Sets the process's zone to POSIX rules, those the zone database holds for
// the zone in 2026 (no database needed). Only this file's tests read it.
void UseZone(const char* rules) {
    setenv("TZ", rules, 1);
    tzset();
}

constexpr const char* kLondon = "GMT0BST,M3.5.0/1,M10.5.0";
constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";

class UtcZone : public ITimeZone {
public:
    long OffsetAt(std::time_t) const override { return 0; }
    std::string Abbreviation(std::time_t) const override { return "UTC"; }
};

TimePoint Utc(const char* text) {
    return FromLocal(ParseLocalDateTime(text).value(), UtcZone());
}

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

TEST(ScheduleTest, ParsesDatesTimesAndQuietHours) {
    for (const char* bad : {"2026-02-29T10:00", "2026-13-01T00:00", "2026-12-07T24:00",
                            "2026-12-07T07:30Z", "2026-12-07", "21:00-8:00", "21:60-08:00"}) {
        EXPECT_FALSE(ParseLocalDateTime(bad) || ParseQuietHours(bad)) << bad;
    }
    EXPECT_EQ(ParseLocalDateTime("2028-02-29 23:59:58")->second, 58);
    EXPECT_EQ(ParseQuietHours("21:00-08:00")->start, 21 * 60);
    EXPECT_TRUE(ParseQuietHours("none")->IsNone());
}

// A skipped local time is the moment the clocks went forward; a repeated one
// is its first occurrence.
TEST(ScheduleTest, SendAtCrossesDaylightSavingChanges) {
    struct Case {
        const char *zone, *local, *utc, *shown;
    };
    for (const Case& c : {
             Case{kLondon, "2026-12-07T07:30", "2026-12-07T07:30", "2026-12-07 07:30 GMT"},
             Case{kLondon, "2026-03-29T01:30", "2026-03-29T01:00", "2026-03-29 02:00 BST"},
             Case{kLondon, "2026-03-29T02:00", "2026-03-29T01:00", "2026-03-29 02:00 BST"},
             Case{kLondon, "2026-10-25T01:30", "2026-10-25T00:30", "2026-10-25 01:30 BST"},
             Case{kLondon, "2026-10-25T02:00", "2026-10-25T02:00", "2026-10-25 02:00 GMT"},
             Case{kNewYork, "2026-03-08T02:30", "2026-03-08T07:00", "2026-03-08 03:00 EDT"},
             Case{kNewYork, "2026-11-01T01:30", "2026-11-01T05:30", "2026-11-01 01:30 EDT"},
         }) {
        UseZone(c.zone);
        const TimePoint at = FromLocal(ParseLocalDateTime(c.local).value(), CSystemTimeZone());
        EXPECT_EQ(at, Utc(c.utc)) << c.zone << " " << c.local;
        EXPECT_EQ(Narrow(FormatLocalDateTime(at, CSystemTimeZone())), c.shown);
    }
}

TEST(ScheduleTest, QuietHoursEndAtTheirLocalTimeAcrossMidnightAndClockChanges) {
    struct Case {
        const char *zone, *quiet, *nowUtc, *until;  // until: "" when sending is allowed
    };
    for (const Case& c : {
             Case{kLondon, "21:00-08:00", "2026-12-07T21:00", "2026-12-08 08:00 GMT"},
             Case{kLondon, "21:00-08:00", "2026-12-31T23:59", "2027-01-01 08:00 GMT"},
             Case{kLondon, "21:00-08:00", "2026-12-08T07:59", "2026-12-08 08:00 GMT"},
             Case{kLondon, "21:00-08:00", "2026-12-08T08:00", ""},
             Case{kLondon, "09:00-17:00", "2026-12-08T12:00", "2026-12-08 17:00 GMT"},
             // The night the clocks go forward is an hour shorter.
             Case{kLondon, "21:00-08:00", "2026-03-28T21:00", "2026-03-29 08:00 BST"},
             // Ending inside the skipped hour: at the change.
             Case{kLondon, "21:00-01:30", "2026-03-29T00:45", "2026-03-29 02:00 BST"},
             // 20:30 EDT is outside; the repeated 01:15 (EST) is inside again.
             Case{kNewYork, "21:00-01:30", "2026-11-01T00:30", ""},
             Case{kNewYork, "21:00-01:30", "2026-11-01T06:15", "2026-11-01 01:30 EST"},
             Case{kNewYork, "21:00-08:00", "2026-11-01T01:00", "2026-11-01 08:00 EST"},
         }) {
        UseZone(c.zone);
        const CSystemTimeZone local;
        const std::optional<TimePoint> until =
            QuietUntil(ParseQuietHours(c.quiet).value(), Utc(c.nowUtc), local);
        EXPECT_EQ(until ? Narrow(FormatLocalDateTime(*until, local)) : "", c.until)
            << c.zone << " " << c.quiet << " at " << c.nowUtc;
    }
    UseZone(kLondon);
    EXPECT_EQ(PausedUntilText(Utc("2026-06-01T07:00"), CSystemTimeZone()), u"Paused until 08:00");
}

TEST(ScheduleTest, LateCampaignSaysWhenItWasPlannedAndByHowMuch) {
    struct Case {
        const char *zone, *dueUtc, *nowUtc, *text;  // text: "" when not late
    };
    for (const Case& c : {
             Case{kLondon, "2026-12-07T07:30", "2026-12-07T09:30", "07:30 is late by 2 hours"},
             Case{kLondon, "2026-12-07T07:30", "2026-12-07T07:34", ""},
             Case{kLondon, "2026-12-07T07:30", "2026-12-07T07:35", "07:30 is late by 5 minutes"},
             Case{kLondon, "2026-12-07T07:30", "2026-12-07T08:30", "07:30 is late by 1 hour"},
             Case{kLondon, "2026-12-05T07:30", "2026-12-07T09:30",
                  "2026-12-05 07:30 is late by 2 days"},
             // 00:30 EDT to 02:30 EST: three hours went by, not two.
             Case{kNewYork, "2026-11-01T04:30", "2026-11-01T07:30", "00:30 is late by 3 hours"},
         }) {
        UseZone(c.zone);
        const std::optional<std::u16string> text =
            LateText(Utc(c.dueUtc), Utc(c.nowUtc), CSystemTimeZone());
        EXPECT_EQ(text ? Narrow(*text) : "",
                  *c.text ? std::string("The campaign planned for ") + c.text : "")
            << c.dueUtc << " " << c.nowUtc;
    }
}

}  // namespace
