// A message with placeholders: "{column name}" stands for that row's value
// of the column (names compare case-insensitively, blanks at their ends
// ignored); "{{" and "}}" stand for a literal brace. A brace that is neither
// is refused rather than sent as it is: "Dear {name," sent to every row is
// a mistake the user wants to see before sending.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "campaign/CsvTable.h"

class CMessageTemplate {
public:
    // False with `error` (naming the place) for a lone '{' or '}', an empty
    // placeholder or a '{' inside one.
    bool Parse(std::u16string_view message, std::u16string& error);

    // The placeholders, each once, as first written.
    std::vector<std::u16string> Placeholders() const;
    bool HasPlaceholders() const;

    // Ties the placeholders to the columns of `header`; returns those that
    // name no column (each once, as written). The message can be expanded
    // when none is left.
    std::vector<std::u16string> Bind(const std::vector<std::u16string>& header);

    // The message with the row's values (an empty value leaves nothing).
    // Bind first, with the header of the row's table.
    std::u16string Expand(const CsvRow& row) const;

private:
    struct Piece {
        std::u16string text;  // the literal text, or the placeholder's name
        bool placeholder = false;
        std::size_t column = CsvTable::npos;
    };
    std::vector<Piece> m_pieces;
};
