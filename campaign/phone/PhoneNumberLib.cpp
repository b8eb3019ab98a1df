// The numbering plan of every country, from libphonenumber.
#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <set>

#include "campaign/phone/PhoneInternal.h"
#include "campaign/phone/PhoneNumber.h"

namespace Phone {
namespace {

using i18n::phonenumbers::PhoneNumber;
using Util = i18n::phonenumbers::PhoneNumberUtil;

// How a number reads: the parsed number when it may be one, else why not.
struct Reading {
    Util::ErrorType error = Util::NO_PARSING_ERROR;
    PhoneNumber number;
    bool possible = false;
};

Reading Parse(const std::string& digits, const std::string& region) {
    const Util& util = *Util::GetInstance();
    Reading reading;
    reading.error = util.Parse(digits, region, &reading.number);
    reading.possible =
        reading.error == Util::NO_PARSING_ERROR && util.IsPossibleNumber(reading.number);
    return reading;
}

// `digits` is a sendable number (SendableDigits). Its national reading in
// `region` when possible; else, for digits without '+', the international
// reading (00 taken as '+'); else the national reading with its fault.
Reading Read(const std::string& digits, std::string_view region) {
    const std::string home = region.empty() ? std::string("ZZ") : std::string(region);
    Reading national = Parse(digits, home);
    if (national.possible || digits[0] == '+') {
        return national;
    }
    const bool idd = digits.compare(0, 2, "00") == 0;
    Reading international = Parse("+" + digits.substr(idd ? 2 : 0), "ZZ");
    return international.possible ? international : national;
}

std::string Reason(Util::ValidationResult result) {
    switch (result) {
        case Util::INVALID_COUNTRY_CODE:
            return "no such country code";
        case Util::TOO_SHORT:
            return "too short";
        case Util::TOO_LONG:
            return "too long";
        case Util::INVALID_LENGTH:
            return "the wrong number of digits for its country";
        case Util::IS_POSSIBLE:
        case Util::IS_POSSIBLE_LOCAL_ONLY:
            break;
    }
    return {};
}

std::string Reason(Util::ErrorType error) {
    switch (error) {
        case Util::INVALID_COUNTRY_CODE_ERROR:
            return "no such country code";
        case Util::TOO_SHORT_AFTER_IDD:
        case Util::TOO_SHORT_NSN:
            return "too short";
        case Util::TOO_LONG_NSN:
            return "too long";
        case Util::NOT_A_NUMBER:
            return std::string(detail::kNotANumber);
        case Util::NO_PARSING_ERROR:
            break;
    }
    return {};
}

}  // namespace

bool HasNumberingPlan() {
    return true;
}

std::optional<std::string> ToE164(std::u16string_view number, std::string_view region) {
    const std::string digits = detail::SendableDigits(CleanForSending(number));
    if (digits.empty()) {
        return std::nullopt;
    }
    const Reading reading = Read(digits, region);
    if (!reading.possible) {
        return std::nullopt;
    }
    std::string e164;
    Util::GetInstance()->Format(reading.number, Util::E164, &e164);
    return e164;
}

std::string CheckNumber(std::u16string_view number, std::string_view region) {
    const std::string digits = detail::SendableDigits(CleanForSending(number));
    if (digits.empty()) {
        return std::string(detail::kNotANumber);
    }
    const Reading reading = Read(digits, region);
    if (reading.possible) {
        return {};
    }
    if (reading.error != Util::NO_PARSING_ERROR) {
        // Without a region, a national number has no country to judge it by.
        const bool national = digits[0] != '+' && digits.compare(0, 2, "00") != 0;
        if (reading.error == Util::INVALID_COUNTRY_CODE_ERROR && region.empty() && national) {
            return {};
        }
        return Reason(reading.error);
    }
    return Reason(Util::GetInstance()->IsPossibleNumberWithReason(reading.number));
}

std::string NormalRegion(std::string_view region) {
    std::string upper(region);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    std::set<std::string> regions;
    Util::GetInstance()->GetSupportedRegions(&regions);
    return regions.count(upper) != 0 ? upper : std::string();
}

}  // namespace Phone
