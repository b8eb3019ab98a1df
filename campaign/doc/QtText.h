// Qt strings to and from the UTF-16 strings of the standard-library layers.
// Both hold UTF-16 code units, so the conversion is a copy.
#pragma once

#include <QString>
#include <string>
#include <string_view>

inline QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16String(const QString& text) {
    return text.toStdU16String();
}
