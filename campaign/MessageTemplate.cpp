#include "campaign/MessageTemplate.h"

#include "campaign/Blank.h"

namespace {

std::u16string AtCharacter(std::size_t pos, std::u16string_view what) {
    const std::string digits = std::to_string(pos + 1);
    return std::u16string(what) + u" (character " + std::u16string(digits.begin(), digits.end()) +
           u" of the message). Write {{ or }} for a brace of the text.";
}

}  // namespace

bool CMessageTemplate::Parse(std::u16string_view message, std::u16string& error) {
    m_pieces.clear();
    std::u16string literal;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const char16_t c = message[i];
        if ((c == u'{' || c == u'}') && i + 1 < message.size() && message[i + 1] == c) {
            literal += c;
            ++i;
            continue;
        }
        if (c == u'}') {
            m_pieces.clear();
            error = AtCharacter(i, u"The message has a '}' that closes no placeholder");
            return false;
        }
        if (c != u'{') {
            literal += c;
            continue;
        }
        const std::size_t close = message.find_first_of(u"{}", i + 1);
        if (close == std::u16string_view::npos || message[close] == u'{') {
            m_pieces.clear();
            error = AtCharacter(i, u"The message has a '{' whose placeholder is not closed by '}'");
            return false;
        }
        const std::u16string_view name = TrimBlanks(message.substr(i + 1, close - i - 1));
        if (name.empty()) {
            m_pieces.clear();
            error = AtCharacter(i, u"The message has an empty placeholder {}");
            return false;
        }
        if (!literal.empty()) {
            m_pieces.push_back({std::move(literal), false});
            literal.clear();
        }
        m_pieces.push_back({std::u16string(name), true});
        i = close;
    }
    if (!literal.empty()) {
        m_pieces.push_back({std::move(literal), false});
    }
    return true;
}

std::vector<std::u16string> CMessageTemplate::Placeholders() const {
    std::vector<std::u16string> names;
    for (const Piece& piece : m_pieces) {
        if (piece.placeholder && FindColumn(names, piece.text) == CsvTable::npos) {
            names.push_back(piece.text);
        }
    }
    return names;
}

bool CMessageTemplate::HasPlaceholders() const {
    for (const Piece& piece : m_pieces) {
        if (piece.placeholder) {
            return true;
        }
    }
    return false;
}

std::vector<std::u16string> CMessageTemplate::Bind(const std::vector<std::u16string>& header) {
    std::vector<std::u16string> unknown;
    for (Piece& piece : m_pieces) {
        if (!piece.placeholder) {
            continue;
        }
        piece.column = FindColumn(header, piece.text);
        if (piece.column == CsvTable::npos && FindColumn(unknown, piece.text) == CsvTable::npos) {
            unknown.push_back(piece.text);
        }
    }
    return unknown;
}

std::u16string CMessageTemplate::Expand(const CsvRow& row) const {
    std::u16string text;
    for (const Piece& piece : m_pieces) {
        if (!piece.placeholder) {
            text += piece.text;
        } else if (piece.column < row.count) {
            text += row[piece.column];
        }
    }
    return text;
}
