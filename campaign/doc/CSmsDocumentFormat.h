// The .sms campaign file: the numbers file path and the message, each as
// UTF-16 little-endian text followed by CR LF. No header, no byte-order mark.
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
    };

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
