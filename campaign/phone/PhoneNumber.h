// Telephone numbers as the campaign handles them: cleaned for sending, brought
// to E.164 for matching, and checked before anything is sent. Standard
// library only in this interface; the numbering plan (libphonenumber) stays
// inside the implementation. A build without libphonenumber has a fallback
// that cleans numbers the same way but only checks their digits (see
// HasNumberingPlan).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Phone {

// True when numbers are judged by the numbering plan of every country; false
// in the fallback, which knows only each country's calling code and trunk
// prefix: there ToE164 maps numbers written with '+' or 00, and national
// numbers of a known region, and CheckNumber only counts digits.
bool HasNumberingPlan();

// The number as the modem can send it: blanks, dashes, dots and brackets
// removed, digits of other scripts (Arabic-Indic, fullwidth) made ASCII.
// In a number written internationally ('+' or 00 first), a "(0)" group is the
// national trunk prefix that callers from abroad leave out, and is removed with
// its brackets: "+44 (0)7700-900123" gives "+447700900123". Elsewhere the 0
// stays: "(0)7700-900123" gives "07700900123". Anything else (letters, '/',
// '*') is kept, so that a check can name it. Cleaning a cleaned number changes
// nothing.
std::u16string CleanForSending(std::u16string_view number);
// The same, in place: returns the cleaned length (never more than `length`).
std::size_t CleanInPlace(char16_t* number, std::size_t length);

// The number in E.164 ("+447700900123") for matching one person across
// spellings, or nothing when it cannot be one. `region` is the two-letter
// country for national numbers ("GB": "07700 900123"); empty when unknown.
// A number of digits only that is not a possible number of `region` (or with
// no region at all) is read as international without its '+' when that gives
// a possible number: "447700900123" is +447700900123 whatever the region, as
// modems and spreadsheets often drop the '+'. A national reading that is
// possible wins: with region US, "2025550123" stays +12025550123. A leading
// 00 counts as '+' when no region says otherwise.
std::optional<std::string> ToE164(std::u16string_view number, std::string_view region);

// Empty when the number may be valid; else why it cannot be, in plain words
// ("too short", "too long", "no such country code", "not a phone number",
// ...). Without a region, a national number cannot be judged and passes.
std::string CheckNumber(std::u16string_view number, std::string_view region);

// `region` in upper case when it names a country the numbering plan knows
// (any two letters in the fallback); else empty.
std::string NormalRegion(std::string_view region);

// The territory of a POSIX locale name: "en_GB.UTF-8" gives "GB"; "C",
// "POSIX", "C.UTF-8" and "" give "".
std::string RegionFromLocale(std::string_view locale);
// The territory of the user's locale for telephone numbers: LC_ALL, else
// LC_TELEPHONE, else LANG, as the C library chooses; checked with
// NormalRegion.
std::string RegionFromEnvironment();

}  // namespace Phone
