// Fuzz target for the .sms campaign document reader: any bytes are read or
// refused without touching the outputs; what is read writes back to a file
// that reads the same again, and the path never holds a line feed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "campaign/doc/CSmsDocumentFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::u16string path = u"untouched";
    std::u16string message = u"untouched";
    if (CSmsDocumentFormat::Read(bytes, path, message) != CSmsDocumentFormat::ReadError::None) {
        if (path != u"untouched" || message != u"untouched") {
            std::abort();
        }
        return 0;
    }
    if (path.find(u'\n') != std::u16string::npos) {
        std::abort();
    }
    const std::string written = CSmsDocumentFormat::Write(path, message);
    std::u16string path2, message2;
    if (CSmsDocumentFormat::Read(written, path2, message2) != CSmsDocumentFormat::ReadError::None ||
        path2 != path || CSmsDocumentFormat::Write(path2, message2) != written) {
        std::abort();
    }
    return 0;
}
