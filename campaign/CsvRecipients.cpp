#include "campaign/CsvRecipients.h"

#include <optional>
#include <string>
#include <unordered_map>

#include "campaign/Blank.h"
#include "campaign/CNumberList.h"
#include "campaign/phone/PhoneNumber.h"
#include "pdu/Unicode.h"

namespace {

struct Keyword {
    std::u16string_view word;
    bool partOfWord;  // also at the start or end of a longer word
};

// Words that name a telephone number's column, in lower case.
constexpr Keyword kPhoneWords[] = {
    {u"phone", true},     {u"mobile", true},    {u"mobil", true},     {u"msisdn", true},
    {u"handy", true},     {u"cell", false},     {u"cellphone", true}, {u"tel", false},
    {u"tél", false},      {u"telefon", true},   {u"telefone", true},  {u"telefono", true},
    {u"teléfono", true},  {u"téléphone", true}, {u"telephone", true}, {u"portable", false},
    {u"móvil", true},     {u"movil", true},     {u"celular", true},   {u"cellulare", true},
    {u"telemóvel", true}, {u"gsm", false},      {u"sms", false},      {u"whatsapp", false},
    {u"телефон", true},   {u"мобильный", true}, {u"мобільний", true}, {u"τηλέφωνο", true},
    {u"κινητό", true},    {u"هاتف", true},      {u"جوال", true},      {u"موبايل", true},
    {u"手机", true},      {u"电话", true},      {u"電話", true},      {u"携帯", true},
};
// Weaker: a column "Number" may hold a patient's or an order's number.
constexpr Keyword kNumberWords[] = {
    {u"number", true}, {u"nummer", true}, {u"numero", true}, {u"número", true},
    {u"numéro", true}, {u"номер", true},  {u"رقم", true},
};

bool IsWordCharacter(char16_t c) {
    return !(IsBlank(c) || (c < 0x80 && !((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))));
}

bool NameHas(const std::u16string& name, const Keyword& keyword) {
    std::u16string folded;
    for (const char16_t c : name) {
        folded += FoldCase(c);
    }
    const std::u16string_view text = folded;
    std::size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && !IsWordCharacter(text[start])) {
            ++start;
        }
        std::size_t end = start;
        while (end < text.size() && IsWordCharacter(text[end])) {
            ++end;
        }
        const std::u16string_view word = text.substr(start, end - start);
        const std::size_t n = keyword.word.size();
        if (word == keyword.word ||
            (keyword.partOfWord && word.size() > n &&
             (word.substr(0, n) == keyword.word || word.substr(word.size() - n) == keyword.word))) {
            return true;
        }
        start = end;
    }
    return false;
}

template <std::size_t N>
std::size_t FirstNamed(const std::vector<std::u16string>& header, const Keyword (&words)[N]) {
    for (std::size_t i = 0; i < header.size(); ++i) {
        for (const Keyword& keyword : words) {
            if (NameHas(header[i], keyword)) {
                return i;
            }
        }
    }
    return CsvTable::npos;
}

}  // namespace

std::size_t GuessNumberColumn(const std::vector<std::u16string>& header) {
    const std::size_t phone = FirstNamed(header, kPhoneWords);
    return phone != CsvTable::npos ? phone : FirstNamed(header, kNumberWords);
}

bool CollectRecipients(const CsvTable& table, std::size_t column, CsvRecipients& recipients,
                       std::u16string& error, std::string_view region) {
    recipients = CsvRecipients();
    // Keyed by the E.164 form when the region is known, else by the cleaned
    // number: one person gets one message however the table spells them.
    std::unordered_map<std::string, std::size_t> firstRow;
    firstRow.reserve(table.RowCount());
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        const std::u16string_view cell = TrimBlanks(table.Row(row)[column]);
        if (cell.size() > CNumberList::kMaxNumberLength) {
            const std::string line = std::to_string(table.RowLine(row));
            error = u"Line " + std::u16string(line.begin(), line.end()) + u": the cell of \"" +
                    table.Header()[column] + u"\" is too long to be a number.";
            recipients = CsvRecipients();
            return false;
        }
        std::u16string number = Phone::CleanForSending(cell);
        if (cell.size() < CNumberList::kMinNumberLength || number.empty()) {
            recipients.skipped.push_back({CsvSkippedRow::Reason::NoNumber, row, 0});
            continue;
        }
        std::optional<std::string> key;
        if (!region.empty()) {
            key = Phone::ToE164(number, region);
        }
        const auto [it, added] = firstRow.emplace(key ? *key : PduLib::Utf16ToUtf8(number), row);
        if (!added) {
            recipients.skipped.push_back({CsvSkippedRow::Reason::Duplicate, row, it->second});
            continue;
        }
        recipients.recipients.push_back({std::move(number), row});
    }
    return true;
}
