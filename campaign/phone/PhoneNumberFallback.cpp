// Without a numbering plan (a build without libphonenumber, such as the
// Windows program): numbers are cleaned as everywhere, and only their digits
// are judged. An international number ('+' or 00) has 7 to 15 digits (E.164
// allows at most 15, and no country's numbers are shorter than 7 with their
// country code). A national number takes the country calling code of the
// region in place of the region's trunk prefix ("07700 900123" in GB gives
// +447700900123), from the table libphonenumber's own data gave
// (CallingCodes.inc); whether the rest is a possible number of that country
// is not known.
#include "campaign/phone/PhoneInternal.h"
#include "campaign/phone/PhoneNumber.h"

#include <algorithm>
#include <iterator>

namespace Phone {
namespace {

constexpr std::size_t kMinInternationalDigits = 7;
constexpr std::size_t kMaxInternationalDigits = 15;

struct CallingCode {
    const char* region;
    int code;
    const char* trunkPrefix;
};

constexpr CallingCode kCallingCodes[] = {
#include "campaign/phone/CallingCodes.inc"
};

const CallingCode* FindRegion(std::string_view region) {
    const std::string name = NormalRegion(region);
    const auto* end = std::end(kCallingCodes);
    const auto* found = std::lower_bound(
        std::begin(kCallingCodes), end, name,
        [](const CallingCode& entry, const std::string& key) { return entry.region < key; });
    return found != end && found->region == name ? found : nullptr;
}

// The digits after '+' or 00, or nothing for a national number.
std::optional<std::string> InternationalDigits(const std::string& digits) {
    if (!digits.empty() && digits[0] == '+') {
        return digits.substr(1);
    }
    if (digits.compare(0, 2, "00") == 0) {
        return digits.substr(2);
    }
    return std::nullopt;
}

// The digits of the number in E.164 without its '+': an international number
// as written, a national one with the country code of `region`; nothing for
// a national number without a known region.
std::optional<std::string> E164Digits(const std::string& sendable, std::string_view region) {
    if (auto digits = InternationalDigits(sendable)) {
        return digits;
    }
    const CallingCode* country = FindRegion(region);
    if (country == nullptr || sendable.empty()) {
        return std::nullopt;
    }
    std::string_view national = sendable;
    const std::string_view prefix = country->trunkPrefix;
    if (!prefix.empty() && national.substr(0, prefix.size()) == prefix) {
        national.remove_prefix(prefix.size());
    }
    return std::to_string(country->code) + std::string(national);
}

}  // namespace

bool HasNumberingPlan() {
    return false;
}

std::optional<std::string> ToE164(std::u16string_view number, std::string_view region) {
    const auto digits = E164Digits(detail::SendableDigits(CleanForSending(number)), region);
    if (!digits || digits->size() < kMinInternationalDigits ||
        digits->size() > kMaxInternationalDigits || (*digits)[0] == '0') {
        return std::nullopt;
    }
    return "+" + *digits;
}

std::string CheckNumber(std::u16string_view number, std::string_view region) {
    const std::string sendable = detail::SendableDigits(CleanForSending(number));
    if (sendable.empty()) {
        return std::string(detail::kNotANumber);
    }
    const auto digits = E164Digits(sendable, region);
    if (!digits) {
        return {};
    }
    if (digits->size() < kMinInternationalDigits) {
        return "too short";
    }
    if (digits->size() > kMaxInternationalDigits) {
        return "too long";
    }
    return (*digits)[0] == '0' ? "no such country code" : std::string();
}

std::string NormalRegion(std::string_view region) {
    std::string upper(region);
    for (char& c : upper) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
            return {};
        }
        c = static_cast<char>(c & ~0x20);
    }
    return upper.size() == 2 ? upper : std::string();
}

}  // namespace Phone
