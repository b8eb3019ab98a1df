#include "campaign/doc/CSmsDocumentFormat.h"

#include <utility>

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

void AppendLe(std::string& out, std::u16string_view text) {
    for (const char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Text as an editor writes it: no C0 controls but TAB, LF and CR, and every
// surrogate in a pair.
bool IsPlainText(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x20 && c != u'\t' && c != kLf && c != kCr) {
            return false;
        }
        if (IsHighSurrogate(c)) {
            if (i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) {
                return false;
            }
            ++i;
        } else if (IsLowSurrogate(c)) {
            return false;
        }
    }
    return true;
}

// `text` less one line break at its end (CR LF or LF).
std::u16string_view WithoutFinalBreak(std::u16string_view text) {
    if (!text.empty() && text.back() == kLf) {
        text.remove_suffix(1);
        if (!text.empty() && text.back() == kCr) {
            text.remove_suffix(1);
        }
    }
    return text;
}

// The next line of `rest` (without its break), and `rest` moves past it.
std::u16string_view TakeLine(std::u16string_view& rest) {
    std::u16string_view line = rest;
    rest = {};
    if (const std::size_t lf = line.find(kLf); lf != std::u16string_view::npos) {
        rest = line.substr(lf + 1);
        line = line.substr(0, lf);
    }
    if (!line.empty() && line.back() == kCr) {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

std::string CSmsDocumentFormat::Write(const Campaign& campaign) {
    if (!campaign.personal) {
        return Write(campaign.numbersFile, campaign.message);
    }
    std::string out;
    AppendLe(out, kPersonalSignature);
    AppendLe(out, kPersonalVersion);
    AppendLe(out, u"\r\n");
    AppendLe(out, campaign.numbersFile);
    AppendLe(out, u"\r\n");
    AppendLe(out, campaign.numberColumn);
    AppendLe(out, u"\r\n");
    AppendLe(out, campaign.message);
    AppendLe(out, u"\r\n");
    return out;
}

CSmsDocumentFormat::ReadError CSmsDocumentFormat::Read(std::string_view bytes, Campaign& campaign) {
    if (bytes.size() > kMaxFileBytes) {
        return ReadError::TooLarge;
    }
    if (bytes.size() % 2 != 0) {
        return ReadError::OddLength;
    }
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(bytes[i]);
        const auto hi = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    std::u16string_view rest = text;
    // Byte-order marks at the start are dropped, all of them: a path cannot
    // begin with U+FEFF, and one that did would not read back the same.
    while (!rest.empty() && rest.front() == kByteOrderMark) {
        rest.remove_prefix(1);
    }
    const bool personal = rest.substr(0, kPersonalSignature.size()) == kPersonalSignature;
    std::u16string_view version;
    if (personal) {
        version = TakeLine(rest).substr(kPersonalSignature.size());
    }
    if (!IsPlainText(rest)) {
        return ReadError::NotText;
    }
    if (personal && version != kPersonalVersion) {
        return ReadError::TooNew;
    }
    const std::u16string_view path = TakeLine(rest);
    const std::u16string_view column = personal ? TakeLine(rest) : std::u16string_view();
    campaign.numbersFile.assign(path);
    campaign.personal = personal;
    campaign.numberColumn.assign(column);
    campaign.message.assign(WithoutFinalBreak(rest));
    return ReadError::None;
}

std::string CSmsDocumentFormat::Write(std::u16string_view numbersFile,
                                      std::u16string_view message) {
    std::string out;
    out.reserve(2 * (numbersFile.size() + message.size()) + 8);
    AppendLe(out, numbersFile);
    AppendLe(out, u"\r\n");
    AppendLe(out, message);
    AppendLe(out, u"\r\n");
    return out;
}

CSmsDocumentFormat::ReadError CSmsDocumentFormat::Read(std::string_view bytes,
                                                       std::u16string& numbersFile,
                                                       std::u16string& message) {
    Campaign campaign;
    const ReadError error = Read(bytes, campaign);
    if (error == ReadError::None) {
        numbersFile = std::move(campaign.numbersFile);
        message = std::move(campaign.message);
    }
    return error;
}

std::u16string_view CSmsDocumentFormat::ErrorText(ReadError error) {
    switch (error) {
        case ReadError::None:
            break;
        case ReadError::TooLarge:
            return u"The File is too Large to be a Campaign Document.";
        case ReadError::OddLength:
        case ReadError::NotText:
            return u"The File is not a Campaign Document (Unicode Text with the Numbers File "
                   u"Path and the Message).";
        case ReadError::TooNew:
            return u"The Campaign Document was Made by a Newer Version of the Program.";
    }
    return {};
}
