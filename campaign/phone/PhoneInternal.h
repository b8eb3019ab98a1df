// Shared by the numbering-plan implementation and its fallback.
#pragma once

#include <string>
#include <string_view>

namespace Phone::detail {

// A cleaned number in ASCII: digits with at most a leading '+'. Empty when
// anything else is in it (the modem cannot send it).
std::string SendableDigits(std::u16string_view number);

// The reason given for a number that has characters other than digits.
constexpr std::string_view kNotANumber = "not a phone number";

}  // namespace Phone::detail
