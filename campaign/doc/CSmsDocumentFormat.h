// The .sms campaign file: the numbers file path and the message, each as
// UTF-16 little-endian text followed by CR LF. No header, no byte-order mark.
//
// A campaign of personal messages (a .csv table whose rows fill the
// message's {column} placeholders) is another kind of document, in the same
// encoding: a signature line, the table's path, the numbers column (empty:
// guessed from the header), then the message:
//   U+0001 "Vantorix personal campaign 1" CR LF  path CR LF  column CR LF
//   message CR LF
// Builds that know only the plain kind refuse it as no campaign document
// (they refuse control characters) instead of taking the signature for a
// numbers file and the rest for a message they would send with its braces.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CSmsDocumentFormat final {
public:
    // Larger files are no campaign documents (a path and one SMS text).
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    enum class ReadError {
        None,
        TooLarge,   // more than kMaxFileBytes
        OddLength,  // not a whole number of UTF-16 code units
        NotText,    // NUL or other control characters, or broken surrogate pairs
        TooNew,     // a personal campaign of a later version
    };

    // The signature line of a personal campaign, without its version.
    static constexpr std::u16string_view kPersonalSignature = u"\u0001Vantorix personal campaign ";
    static constexpr std::u16string_view kPersonalVersion = u"1";

    struct Campaign {
        std::u16string numbersFile;
        std::u16string message;
        // A personal campaign: the numbers column of its table (empty when
        // it is guessed).
        bool personal = false;
        std::u16string numberColumn;
    };

    // The file content of `campaign`: a plain one exactly as Write below.
    static std::string Write(const Campaign& campaign);
    // Reads either kind; on failure nothing is written to `campaign`.
    static ReadError Read(std::string_view bytes, Campaign& campaign);

    // The file content for `numbersFile` and `message`. A message with line
    // breaks is written with them, as CR LF pairs.
    static std::string Write(std::u16string_view numbersFile, std::u16string_view message);

    // Reads a file's content: the first line is the path; the message is
    // everything after it, less one final line break. A byte-order mark at the
    // start is dropped. Lines end at LF or CR LF. On failure nothing is
    // written to the outputs.
    static ReadError Read(std::string_view bytes, std::u16string& numbersFile,
                          std::u16string& message);

    // Words for the user, for a failed Read.
    static std::u16string_view ErrorText(ReadError error);
};
