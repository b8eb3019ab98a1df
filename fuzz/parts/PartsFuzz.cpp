// Fuzz target for composing concatenated messages: the first octet picks the
// options, the rest is UTF-8 text (the corpus holds texts in twenty scripts). Every part composed
// must decode, and the parts joined (in reverse order) must give the text back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pdu/Hex.h"
#include "pdu/PartsComposer.h"
#include "pdu/PartsJoiner.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    const std::string utf8(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::u16string text = PduLib::Utf8ToUtf16(utf8);

    PduLib::MessageOptions options;
    options.maxParts = PduLib::kMostParts;
    options.replaceLookAlikes = false;  // the text must come back as it was
    options.reference16 = (flags & 1) != 0;
    if (flags & 2) {
        options.languages.push_back(PduLib::kLanguageTurkish);
    }
    if (flags & 4) {
        options.languages.push_back(PduLib::kLanguageSpanish);
    }
    if (flags & 8) {
        options.languages.push_back(PduLib::kLanguagePortuguese);
    }
    if (flags & 32) {  // the Indian languages' tables too
        for (int language = PduLib::kLanguageBengali; language <= PduLib::kLanguageUrdu;
             ++language) {
            options.languages.push_back(language);
        }
    }
    if (flags & 16) {
        options.encoding = PduLib::TextEncoding::Ucs2;
    }
    const auto composed =
        PduLib::ComposeParts(text, u"+4915123456", u"", options, static_cast<std::uint16_t>(flags));
    if (!composed.error.empty()) {
        // Only the parts limit may refuse a text.
        if (composed.plan.parts <= PduLib::kMostParts) {
            std::abort();
        }
        return 0;
    }
    if (composed.pdus.size() != composed.plan.parts || !composed.plan.unsendable.empty()) {
        std::abort();
    }
    PduLib::CPartsJoiner joiner;
    PduLib::CPartsJoiner::Message joined;
    int complete = 0;
    try {
        for (std::size_t k = composed.pdus.size(); k-- > 0;) {
            std::string octets, error;
            if (!PduLib::FromHex(composed.pdus[k], octets, error)) {
                std::abort();
            }
            if (joiner.Add(PduLib::DecodeSubmitPdu(octets), joined) ==
                PduLib::CPartsJoiner::Result::Complete) {
                ++complete;
            }
        }
    } catch (...) {
        std::abort();
    }
    if (complete != 1 || joined.text != text) {
        std::abort();
    }
    return 0;
}
