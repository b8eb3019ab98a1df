// Without a numbering plan (a build without libphonenumber): numbers are
// cleaned as everywhere, but only their digits are judged. An international
// number ('+' or 00) has 7 to 15 digits (E.164 allows at most 15, and no
// country's numbers are shorter than 7 with their country code); a national
// number cannot be judged without the plan of its country.
#include "campaign/phone/PhoneInternal.h"
#include "campaign/phone/PhoneNumber.h"

namespace Phone {
namespace {

constexpr std::size_t kMinInternationalDigits = 7;
constexpr std::size_t kMaxInternationalDigits = 15;

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

}  // namespace

bool HasNumberingPlan() {
    return false;
}

std::optional<std::string> ToE164(std::u16string_view number, std::string_view /*region*/) {
    const auto digits = InternationalDigits(detail::SendableDigits(CleanForSending(number)));
    if (!digits || digits->size() < kMinInternationalDigits ||
        digits->size() > kMaxInternationalDigits || (*digits)[0] == '0') {
        return std::nullopt;
    }
    return "+" + *digits;
}

std::string CheckNumber(std::u16string_view number, std::string_view /*region*/) {
    const std::string sendable = detail::SendableDigits(CleanForSending(number));
    if (sendable.empty()) {
        return std::string(detail::kNotANumber);
    }
    const auto digits = InternationalDigits(sendable);
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
