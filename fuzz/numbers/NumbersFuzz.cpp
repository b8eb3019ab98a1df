// Numbers file parser: any bytes must load or be refused with a message,
// and a loaded set must hold only unique, trimmed numbers of legal length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "campaign/Blank.h"
#include "campaign/CNumberList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CNumberList list;
    list.m_strFilePath = u"fuzz.txt";
    std::u16string error;
    const bool loaded =
        list.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (loaded != error.empty()) {
        std::abort();
    }
    const CNumberSet& numbers = list.m_mapNumbers;
    if (numbers.GetCount() > CNumberList::kMaxLines) {
        std::abort();
    }
    for (const std::u16string_view number : numbers) {
        if (number.size() < CNumberList::kMinNumberLength ||
            number.size() > CNumberList::kMaxNumberLength || TrimBlanks(number) != number ||
            number.find(u'\n') != std::u16string_view::npos ||
            !numbers.Contains(std::u16string(number))) {
            std::abort();
        }
    }
    return 0;
}
