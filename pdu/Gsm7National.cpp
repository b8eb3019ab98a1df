#include "pdu/Gsm7National.h"

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "pdu/Gsm7.h"
#include "pdu/Gsm7Tables.h"

namespace PduLib {
namespace {

using detail::Gsm7Shift;

// Locking shift tables (TS 23.038 A.3) as the codes where they differ from
// the default alphabet.
constexpr Gsm7Shift kTurkishLocking[] = {
    {0x04, u'\u20AC'}, {0x07, u'\u0131'}, {0x0B, u'\u011E'}, {0x0C, u'\u011F'},
    {0x1C, u'\u015E'}, {0x1D, u'\u015F'}, {0x40, u'\u0130'}, {0x60, u'\u00E7'},
};
constexpr Gsm7Shift kPortugueseLocking[] = {
    {0x04, u'\u00EA'}, {0x06, u'\u00FA'}, {0x07, u'\u00ED'}, {0x08, u'\u00F3'}, {0x09, u'\u00E7'},
    {0x0B, u'\u00D4'}, {0x0C, u'\u00F4'}, {0x0E, u'\u00C1'}, {0x0F, u'\u00E1'}, {0x12, u'\u00AA'},
    {0x13, u'\u00C7'}, {0x14, u'\u00C0'}, {0x15, u'\u221E'}, {0x16, u'^'},      {0x17, u'\\'},
    {0x18, u'\u20AC'}, {0x19, u'\u00D3'}, {0x1A, u'|'},      {0x1C, u'\u00C2'}, {0x1D, u'\u00E2'},
    {0x1E, u'\u00CA'}, {0x24, u'\u00BA'}, {0x40, u'\u00CD'}, {0x5B, u'\u00C3'}, {0x5C, u'\u00D5'},
    {0x5D, u'\u00DA'}, {0x60, u'~'},      {0x7B, u'\u00E3'}, {0x7C, u'\u00F5'}, {0x7D, u'`'},
};

// Single shift tables (TS 23.038 A.2), whole.
constexpr Gsm7Shift kTurkishSingle[] = {
    {0x0A, u'\u000C'}, {0x14, u'^'},      {0x28, u'{'},      {0x29, u'}'},      {0x2F, u'\\'},
    {0x3C, u'['},      {0x3D, u'~'},      {0x3E, u']'},      {0x40, u'|'},      {0x47, u'\u011E'},
    {0x49, u'\u0130'}, {0x53, u'\u015E'}, {0x63, u'\u00E7'}, {0x65, u'\u20AC'}, {0x67, u'\u011F'},
    {0x69, u'\u0131'}, {0x73, u'\u015F'},
};
constexpr Gsm7Shift kSpanishSingle[] = {
    {0x09, u'\u00E7'}, {0x0A, u'\u000C'}, {0x14, u'^'},      {0x28, u'{'},      {0x29, u'}'},
    {0x2F, u'\\'},     {0x3C, u'['},      {0x3D, u'~'},      {0x3E, u']'},      {0x40, u'|'},
    {0x41, u'\u00C1'}, {0x49, u'\u00CD'}, {0x4F, u'\u00D3'}, {0x55, u'\u00DA'}, {0x61, u'\u00E1'},
    {0x65, u'\u20AC'}, {0x69, u'\u00ED'}, {0x6F, u'\u00F3'}, {0x75, u'\u00FA'},
};
constexpr Gsm7Shift kPortugueseSingle[] = {
    {0x05, u'\u00EA'}, {0x09, u'\u00E7'}, {0x0A, u'\u000C'}, {0x0B, u'\u00D4'}, {0x0C, u'\u00F4'},
    {0x0E, u'\u00C1'}, {0x0F, u'\u00E1'}, {0x12, u'\u03A6'}, {0x13, u'\u0393'}, {0x14, u'^'},
    {0x15, u'\u03A9'}, {0x16, u'\u03A0'}, {0x17, u'\u03A8'}, {0x18, u'\u03A3'}, {0x19, u'\u0398'},
    {0x1F, u'\u00CA'}, {0x28, u'{'},      {0x29, u'}'},      {0x2F, u'\\'},     {0x3C, u'['},
    {0x3D, u'~'},      {0x3E, u']'},      {0x40, u'|'},      {0x41, u'\u00C0'}, {0x49, u'\u00CD'},
    {0x4F, u'\u00D3'}, {0x55, u'\u00DA'}, {0x5B, u'\u00C3'}, {0x5C, u'\u00D5'}, {0x61, u'\u00C2'},
    {0x65, u'\u20AC'}, {0x69, u'\u00ED'}, {0x6F, u'\u00F3'}, {0x75, u'\u00FA'}, {0x7B, u'\u00E3'},
    {0x7C, u'\u00F5'}, {0x7F, u'\u00E2'},
};

constexpr int kLanguages = 4;
constexpr char kEscape = 0x1B;

template <std::size_t N>
constexpr std::pair<const Gsm7Shift*, std::size_t> view(const Gsm7Shift (&table)[N]) {
    return {table, N};
}

std::pair<const Gsm7Shift*, std::size_t> lockingChanges(int language) {
    switch (language) {
        case kLanguageTurkish:
            return view(kTurkishLocking);
        case kLanguagePortuguese:
            return view(kPortugueseLocking);
        default:
            return {nullptr, 0};
    }
}

std::pair<const Gsm7Shift*, std::size_t> singleShift(int language) {
    switch (language) {
        case kLanguageTurkish:
            return view(kTurkishSingle);
        case kLanguageSpanish:
            return view(kSpanishSingle);
        case kLanguagePortuguese:
            return view(kPortugueseSingle);
        default: {
            std::size_t count = 0;
            const Gsm7Shift* table = detail::Gsm7DefaultExtension(count);
            return {table, count};
        }
    }
}

int known(int language) {
    return language > 0 && language < kLanguages ? language : 0;
}

// One table pair, both directions.
struct Charset {
    std::array<char16_t, 128> basic{};
    std::array<char16_t, 128> shifted{};                 // 0: not in the single shift table
    std::unordered_map<char16_t, std::uint16_t> encode;  // code, or 0x8000 | code

    Charset(int locking, int single) {
        const char16_t* def = detail::Gsm7DefaultTable();
        for (unsigned code = 0; code < 128; ++code) {
            basic[code] = def[code];
        }
        const auto changes = lockingChanges(locking);
        for (std::size_t k = 0; k < changes.second; ++k) {
            basic[static_cast<unsigned char>(changes.first[k].code)] = changes.first[k].character;
        }
        const auto shift = singleShift(single);
        for (std::size_t k = 0; k < shift.second; ++k) {
            shifted[static_cast<unsigned char>(shift.first[k].code)] = shift.first[k].character;
        }
        // A character in both tables takes one septet.
        for (unsigned code = 0; code < 128; ++code) {
            if (code != 0x1B) {
                encode.emplace(basic[code], static_cast<std::uint16_t>(code));
            }
        }
        for (unsigned code = 0; code < 128; ++code) {
            if (shifted[code] != 0) {
                encode.emplace(shifted[code], static_cast<std::uint16_t>(0x8000u | code));
            }
        }
    }
};

const Charset& charset(Gsm7Tables tables) {
    static const auto all = [] {
        std::array<std::unique_ptr<Charset>, kLanguages * kLanguages> sets;
        for (int l = 0; l < kLanguages; ++l) {
            for (int s = 0; s < kLanguages; ++s) {
                sets[static_cast<std::size_t>(l * kLanguages + s)] =
                    std::make_unique<Charset>(l, s);
            }
        }
        return sets;
    }();
    return *all[static_cast<std::size_t>(known(tables.locking) * kLanguages +
                                         known(tables.single))];
}

}  // namespace

bool HasLockingShiftTable(int language) {
    return language == kLanguageTurkish || language == kLanguagePortuguese;
}

bool HasSingleShiftTable(int language) {
    return language == kLanguageTurkish || language == kLanguageSpanish ||
           language == kLanguagePortuguese;
}

int NationalLanguageByName(std::string_view name) {
    for (int language = 1; language < kLanguages; ++language) {
        if (name == NationalLanguageName(language)) {
            return language;
        }
    }
    return -1;
}

const char* NationalLanguageName(int language) {
    switch (language) {
        case kLanguageTurkish:
            return "tr";
        case kLanguageSpanish:
            return "es";
        case kLanguagePortuguese:
            return "pt";
        default:
            return "";
    }
}

int Gsm7EncodeChar(char16_t c, Gsm7Tables tables, char out[2]) {
    const Charset& set = charset(tables);
    const auto found = set.encode.find(c);
    if (found == set.encode.end()) {
        return 0;
    }
    if ((found->second & 0x8000u) == 0) {
        out[0] = static_cast<char>(found->second);
        return 1;
    }
    out[0] = kEscape;
    out[1] = static_cast<char>(found->second & 0x7Fu);
    return 2;
}

std::u16string Gsm7ToUtf16(std::string_view septets, Gsm7Tables tables) {
    if (known(tables.locking) == 0 && known(tables.single) == 0) {
        return Gsm7ToUtf16(septets);
    }
    const Charset& set = charset(tables);
    std::u16string text;
    text.reserve(septets.size());
    for (std::size_t i = 0; i < septets.size(); ++i) {
        const auto code = static_cast<unsigned char>(septets[i] & 0x7F);
        if (code != 0x1B) {
            text.push_back(set.basic[code]);
            continue;
        }
        if (i + 1 == septets.size()) {
            text.push_back(u' ');
            break;
        }
        const auto next = static_cast<unsigned char>(septets[++i] & 0x7F);
        text.push_back(set.shifted[next] != 0 ? set.shifted[next] : set.basic[next]);
    }
    return text;
}

}  // namespace PduLib
