#include "campaign/doc/CSmsDocumentFormat.h"

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

}  // namespace

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
    if (!IsPlainText(text)) {
        return ReadError::NotText;
    }

    // Byte-order marks at the start are dropped, all of them: a path cannot
    // begin with U+FEFF, and one that did would not read back the same.
    std::u16string_view rest = text;
    while (!rest.empty() && rest.front() == kByteOrderMark) {
        rest.remove_prefix(1);
    }
    std::u16string_view path = rest;
    std::u16string_view after;
    if (const std::size_t lf = rest.find(kLf); lf != std::u16string_view::npos) {
        path = rest.substr(0, lf);
        after = rest.substr(lf + 1);
    }
    if (!path.empty() && path.back() == kCr) {
        path.remove_suffix(1);
    }
    numbersFile.assign(path);
    message.assign(WithoutFinalBreak(after));
    return ReadError::None;
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
    }
    return {};
}
