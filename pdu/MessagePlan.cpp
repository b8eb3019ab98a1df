#include "pdu/MessagePlan.h"

#include <algorithm>
#include <tuple>

#include "pdu/Gsm7.h"

namespace PduLib {
namespace {

bool isHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The character at `i` (a surrogate pair is one); advances `i` past it.
char32_t nextChar(std::u16string_view text, std::size_t& i) {
    const char16_t c = text[i++];
    if (isHigh(c) && i < text.size() && isLow(text[i])) {
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i++] - 0xDC00);
    }
    return c;
}

std::size_t countCharacters(std::u16string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++n) {
        nextChar(text, i);
    }
    return n;
}

void noteUnsendable(char32_t c, std::vector<char32_t>& list) {
    if (std::find(list.begin(), list.end(), c) == list.end()) {
        list.push_back(c);
    }
}

// Septets of `text` under `tables`. Without `lossy`, false when a character
// fits neither table; with it, such a character becomes '?' and is noted.
bool encodeGsm7(std::u16string_view text, Gsm7Tables tables, bool lossy, std::string& septets,
                std::vector<char32_t>& unsendable) {
    if (tables.locking == kLanguageDefault && tables.single == kLanguageDefault) {
        if (IsGsm7Representable(text)) {
            septets = Utf16ToGsm7(text);
            return true;
        }
        if (!lossy) {
            return false;
        }
        septets = Utf16ToGsm7(text);
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t start = i;
            const char32_t c = nextChar(text, i);
            if (!IsGsm7Representable(text.substr(start, i - start)) || i - start == 2) {
                noteUnsendable(c, unsendable);
            }
        }
        return true;
    }
    septets.clear();
    septets.reserve(text.size() + 8);
    char codes[2];
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t c = nextChar(text, i);
        const int n = i - start == 1 ? Gsm7EncodeChar(text[start], tables, codes) : 0;
        if (n == 0) {
            if (!lossy) {
                return false;
            }
            septets.push_back('?');
            noteUnsendable(c, unsendable);
            continue;
        }
        septets.append(codes, static_cast<std::size_t>(n));
    }
    return true;
}

unsigned languageOctets(Gsm7Tables tables) {
    return (tables.locking != kLanguageDefault ? 3u : 0u) +
           (tables.single != kLanguageDefault ? 3u : 0u);
}

unsigned headerOctetsFor(bool concatenated, bool reference16, Gsm7Tables tables) {
    const unsigned elements =
        (concatenated ? (reference16 ? 6u : 5u) : 0u) + languageOctets(tables);
    return elements != 0 ? elements + 1u : 0u;
}

// Splits `body` into parts of at most `capacity` units; a unit for which
// `opensPair` holds is never the last of a part when another follows.
template <class Text, class OpensPair>
std::vector<Text> split(const Text& body, std::size_t capacity, OpensPair opensPair) {
    std::vector<Text> parts;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t n = std::min(capacity, body.size() - pos);
        if (pos + n < body.size() && n > 1 && opensPair(body[pos + n - 1])) {
            --n;
        }
        parts.push_back(body.substr(pos, n));
        pos += n;
    }
    return parts;
}

template <class Text, class OpensPair>
void fillParts(MessagePlan& plan, const Text& body, std::vector<Text>& parts, OpensPair opensPair) {
    plan.units = body.size();
    const std::size_t single =
        PartCapacity(plan.encoding, headerOctetsFor(false, plan.reference16, plan.tables));
    if (body.size() <= single) {
        parts.assign(1, body);
        plan.perPart = single;
    } else {
        plan.perPart =
            PartCapacity(plan.encoding, headerOctetsFor(true, plan.reference16, plan.tables));
        parts = split(body, plan.perPart, opensPair);
    }
    plan.parts = parts.size();
    plan.remaining = plan.perPart - parts.back().size();
}

void splitGsm7(MessagePlan& plan, const std::string& septets) {
    fillParts(plan, septets, plan.septets, [](char c) { return c == 0x1B; });
}

void splitUcs2(MessagePlan& plan, const std::u16string& units) {
    fillParts(plan, units, plan.ucs2, [](char16_t c) { return isHigh(c); });
}

// The table pairs that one enabled language offers.
std::vector<Gsm7Tables> pairsOf(int language) {
    std::vector<Gsm7Tables> pairs;
    if (HasSingleShiftTable(language)) {
        pairs.push_back({kLanguageDefault, language});
    }
    if (HasLockingShiftTable(language)) {
        pairs.push_back({language, kLanguageDefault});
        if (HasSingleShiftTable(language)) {
            pairs.push_back({language, language});
        }
    }
    return pairs;
}

// Tries the default tables, then every enabled language's pairs; keeps the
// one with the fewest parts, then the smallest header, then fewest septets.
bool planGsm7(std::u16string_view text, const MessageOptions& options, MessagePlan& plan) {
    std::string septets;
    std::vector<char32_t> none;
    if (encodeGsm7(text, Gsm7Tables{}, false, septets, none)) {
        plan.tables = Gsm7Tables{};
        splitGsm7(plan, septets);
        return true;
    }
    bool found = false;
    for (const int language : options.languages) {
        for (const Gsm7Tables tables : pairsOf(language)) {
            if (!encodeGsm7(text, tables, false, septets, none)) {
                continue;
            }
            MessagePlan candidate = plan;
            candidate.tables = tables;
            splitGsm7(candidate, septets);
            const auto key = [](const MessagePlan& p) {
                return std::make_tuple(p.parts, languageOctets(p.tables), p.units);
            };
            if (!found || key(candidate) < key(plan)) {
                plan = std::move(candidate);
                found = true;
            }
        }
    }
    return found;
}

std::string unitsName(const MessagePlan& plan) {
    return plan.encoding == TextEncoding::Gsm7 ? "septets" : "UCS2 units";
}

}  // namespace

unsigned MessagePlan::headerOctets() const {
    return headerOctetsFor(parts > 1, reference16, tables);
}

std::u16string ArrivingText(const MessagePlan& plan) {
    std::u16string text;
    if (plan.encoding == TextEncoding::Ucs2) {
        for (const std::u16string& part : plan.ucs2) {
            text += part;
        }
        return text;
    }
    for (const std::string& part : plan.septets) {
        text += Gsm7ToUtf16(part, plan.tables);
    }
    return text;
}

std::size_t PartCapacity(TextEncoding encoding, unsigned headerOctets) {
    if (encoding == TextEncoding::Ucs2) {
        return (140u - headerOctets) / 2u;
    }
    return 160u - (8u * headerOctets + 6u) / 7u;
}

MessagePlan PlanMessage(std::u16string_view text, const MessageOptions& options) {
    MessagePlan plan;
    plan.reference16 = options.reference16;
    plan.characters = countCharacters(text);

    bool planned = false;
    if (options.encoding != TextEncoding::Ucs2) {
        plan.encoding = TextEncoding::Gsm7;
        planned = planGsm7(text, options, plan);
        if (!planned && options.replaceLookAlikes) {
            std::vector<Replacement> replaced;
            const std::u16string alike = ReplaceLookAlikes(text, &replaced);
            if (alike != text && planGsm7(alike, options, plan)) {
                plan.replaced = std::move(replaced);
                planned = true;
            }
        }
        if (!planned && options.encoding == TextEncoding::Gsm7) {
            std::vector<Replacement> replaced;
            const std::u16string alike = options.replaceLookAlikes
                                             ? ReplaceLookAlikes(text, &replaced)
                                             : std::u16string(text);
            std::string septets;
            encodeGsm7(alike, Gsm7Tables{}, true, septets, plan.unsendable);
            plan.tables = Gsm7Tables{};
            plan.replaced = std::move(replaced);
            splitGsm7(plan, septets);
            planned = true;
        }
    }
    if (!planned) {
        plan.encoding = TextEncoding::Ucs2;
        plan.tables = Gsm7Tables{};
        splitUcs2(plan, std::u16string(text));
    }

    if (options.maxParts < 1 || options.maxParts > kMostParts) {
        plan.error = "the parts limit must be between 1 and " + std::to_string(kMostParts) +
                     " (got " + std::to_string(options.maxParts) + ")";
    } else if (plan.parts > options.maxParts) {
        plan.error = "the message needs " + std::to_string(plan.parts) + " parts (" +
                     std::to_string(plan.units) + " " + unitsName(plan) + "); at most " +
                     std::to_string(options.maxParts) + " are allowed";
    }
    return plan;
}

std::string CheckNumber(std::u16string_view number, bool required, const char* what) {
    if (number.empty()) {
        return required ? std::string(what) + " number is empty" : std::string();
    }
    const std::size_t digits = number.size() - (number.front() == u'+' ? 1u : 0u);
    if (digits == 0) {
        return std::string(what) + " number has no digits";
    }
    if (digits > 20) {
        return std::string(what) + " number has " + std::to_string(digits) +
               " digits; at most 20 are allowed";
    }
    return std::string();
}

}  // namespace PduLib
