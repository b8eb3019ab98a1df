// Numbers file parser: any bytes must load or be refused with a message,
// and a loaded set must hold only unique, cleaned numbers of legal length,
// no two with the same E.164 form (a region is set, so that every number
// also goes through the numbering plan).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "campaign/CNumberList.h"
#include "campaign/phone/PhoneNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CNumberList list;
    list.m_strFilePath = u"fuzz.txt";
    list.m_strRegion = "GB";
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
    std::set<std::string> people;
    std::size_t lastLine = 0;
    for (std::size_t i = 0; i < numbers.GetCount(); ++i) {
        const std::u16string_view number = numbers[i];
        const auto e164 = Phone::ToE164(number, list.m_strRegion);
        if (number.empty() || number.size() > CNumberList::kMaxNumberLength ||
            Phone::CleanForSending(number) != number || !numbers.Contains(std::u16string(number)) ||
            numbers.GetLine(i) <= lastLine || (e164 && !people.insert(*e164).second)) {
            std::abort();
        }
        lastLine = numbers.GetLine(i);
        Phone::CheckNumber(number, list.m_strRegion);
    }
    return 0;
}
