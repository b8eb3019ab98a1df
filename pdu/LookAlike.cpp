#include "pdu/LookAlike.h"

namespace PduLib {
namespace {

constexpr LookAlike kLookAlikes[] = {
    // Quotation marks and apostrophes.
    {u'\u2018', u"'"},
    {u'\u2019', u"'"},
    {u'\u201A', u"'"},
    {u'\u201B', u"'"},
    {u'\u2032', u"'"},
    {u'\u02BC', u"'"},
    {u'\u00B4', u"'"},
    {u'`', u"'"},
    {u'\u2039', u"<"},
    {u'\u203A', u">"},
    {u'\u201C', u"\""},
    {u'\u201D', u"\""},
    {u'\u201E', u"\""},
    {u'\u201F', u"\""},
    {u'\u2033', u"\""},
    {u'\u00AB', u"\""},
    {u'\u00BB', u"\""},
    // Hyphens, dashes and the minus sign.
    {u'\u2010', u"-"},
    {u'\u2011', u"-"},
    {u'\u2012', u"-"},
    {u'\u2013', u"-"},
    {u'\u2014', u"-"},
    {u'\u2015', u"-"},
    {u'\u2212', u"-"},
    {u'\u2043', u"-"},
    // Dots and bullets.
    {u'\u2026', u"..."},
    {u'\u2024', u"."},
    {u'\u2022', u"*"},
    {u'\u25CF', u"*"},
    {u'\u2023', u">"},
    {u'\u2044', u"/"},
    {u'\u2215', u"/"},
    // Spaces: no-break, fixed-width and ideographic ones become a space.
    {u'\u00A0', u" "},
    {u'\u2000', u" "},
    {u'\u2001', u" "},
    {u'\u2002', u" "},
    {u'\u2003', u" "},
    {u'\u2004', u" "},
    {u'\u2005', u" "},
    {u'\u2006', u" "},
    {u'\u2007', u" "},
    {u'\u2008', u" "},
    {u'\u2009', u" "},
    {u'\u200A', u" "},
    {u'\u202F', u" "},
    {u'\u205F', u" "},
    {u'\u3000', u" "},
    {u'\t', u" "},
    // Line and paragraph separators end a line.
    {u'\u2028', u"\n"},
    {u'\u2029', u"\n"},
    // Invisible characters are dropped.
    {u'\u00AD', u""},
    {u'\u200B', u""},
    {u'\u2060', u""},
    {u'\uFEFF', u""},
};

}  // namespace

const LookAlike* LookAlikeTable(std::size_t& count) {
    count = sizeof(kLookAlikes) / sizeof(kLookAlikes[0]);
    return kLookAlikes;
}

const char16_t* FindLookAlike(char16_t c) {
    // One bit per code unit, from the table: most characters of a text (all
    // of a Cyrillic or Arabic one) are rejected without a walk of the table.
    static const std::vector<bool> inTable = [] {
        std::vector<bool> bits(0x10000, false);
        for (const LookAlike& entry : kLookAlikes) {
            bits[entry.character] = true;
        }
        return bits;
    }();
    if (!inTable[c]) {
        return nullptr;
    }
    for (const LookAlike& entry : kLookAlikes) {
        if (entry.character == c) {
            return entry.replacement;
        }
    }
    return nullptr;
}

std::u16string ReplaceLookAlikes(std::u16string_view text, std::vector<Replacement>* replaced) {
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        const char16_t* with = FindLookAlike(c);
        if (with == nullptr) {
            out.push_back(c);
            continue;
        }
        out.append(with);
        if (replaced != nullptr) {
            bool seen = false;
            for (Replacement& r : *replaced) {
                if (r.character == c) {
                    ++r.count;
                    seen = true;
                    break;
                }
            }
            if (!seen) {
                replaced->push_back(Replacement{c, std::u16string(with), 1});
            }
        }
    }
    return out;
}

}  // namespace PduLib
