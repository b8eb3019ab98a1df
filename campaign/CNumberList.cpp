#include "campaign/CNumberList.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <unordered_set>

#include "campaign/Blank.h"
#include "campaign/phone/PhoneNumber.h"
#include "pdu/Unicode.h"

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

constexpr std::u16string_view kCannotOpen = u"Could Not Open File [%s] to Read Numbers.";
constexpr std::u16string_view kCannotStat = u"Could Not Get Status of the File [%s].";
constexpr std::u16string_view kCannotRead = u"Could Not Read Numbers from the File [%s].";
constexpr std::u16string_view kTooManyLines =
    u"This Software can Handle Only at Max 65,535 Number(s) from any given File.\n\n"
    u"Please Select a File Containing Less than 65,535 Numbers and try Again.";
constexpr std::u16string_view kTooLarge =
    u"The File [%s] is too Large to be a Numbers File (more than 16 MB).\n\n"
    u"Please Select a .txt Unicode File with One Number per Line.";
constexpr std::u16string_view kNotText =
    u"The File [%s] is not a Text File.\n\n"
    u"Please Select a .txt Unicode File with One Number per Line.";
constexpr std::u16string_view kEightBit =
    u"The File [%s] is not Saved as Unicode Text.\n\n"
    u"Please Save it as Unicode (UTF-16) or UTF-8 Text and try Again.";
constexpr std::u16string_view kTruncated =
    u"The File [%s] Ends in the Middle of a Character; it may be Damaged.\n\n"
    u"Please Save it Again as Unicode Text and try Again.";
constexpr std::u16string_view kLineTooLong =
    u"Line %d of the File [%s] is too Long to be a Number.\n\n"
    u"Please Select a .txt Unicode File with One Number per Line.";

// C0 controls other than the blanks (TAB, LF, VT, FF, CR) never occur in a
// text file; NUL is the first sign of binary content.
bool IsForeignControl(char16_t c) {
    return c < 0x20 && !(c >= 0x09 && c <= 0x0D);
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// The end of the line that starts at `pos`: its LF (or CR, when CR ends
// lines), or `size`. Sets `bad` and stops at a code unit that plain text never
// holds: NUL and the other foreign controls, an unpaired surrogate, U+FFFE
// and U+FFFF.
std::size_t ScanLine(const char16_t* data, std::size_t pos, std::size_t size, bool crEndsLines,
                     bool& bad) {
    for (; pos < size; ++pos) {
        const char16_t c = data[pos];
        if (static_cast<char16_t>(c - 0x20) < 0xD800 - 0x20) {
            continue;  // U+0020 to U+D7FF: by far the most
        }
        if (c == u'\n' || (c == u'\r' && crEndsLines)) {
            return pos;
        }
        if (c < 0x20) {
            if (IsForeignControl(c)) {
                bad = true;
                return pos;
            }
        } else if (c <= 0xDBFF) {
            if (pos + 1 == size || data[pos + 1] < 0xDC00 || data[pos + 1] > 0xDFFF) {
                bad = true;
                return pos;
            }
            ++pos;
        } else if (c <= 0xDFFF || c >= 0xFFFE) {
            bad = true;
            return pos;
        }
    }
    return size;
}

bool HostIsBigEndian() {
    const char16_t probe = 1;
    return *reinterpret_cast<const unsigned char*>(&probe) == 0;
}

// Decodes UTF-8 into `text`; false when `bytes` is not valid UTF-8. ASCII is
// widened in place; the runs of other characters go through the codec. No
// UTF-8 text has fewer bytes than UTF-16 code units.
bool DecodeUtf8(std::string_view bytes, CodeUnits& text) {
    text = CodeUnits::Allocate(bytes.size());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    char16_t* out = text.data.get();
    std::size_t i = 0;
    while (i < size) {
        while (i < size && in[i] < 0x80) {
            *out++ = in[i++];
        }
        std::size_t end = i;
        while (end < size && in[end] >= 0x80) {
            ++end;
        }
        if (end > i) {
            // An ASCII byte never sits inside a valid sequence.
            const std::string_view run = bytes.substr(i, end - i);
            if (!PduLib::IsValidUtf8(run)) {
                text = CodeUnits();
                return false;
            }
            const std::u16string wide = PduLib::Utf8ToUtf16(run);
            out = std::copy(wide.begin(), wide.end(), out);
            i = end;
        }
    }
    text.size = static_cast<std::size_t>(out - text.data.get());
    return true;
}

bool HasForeignControl(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return IsForeignControl(static_cast<unsigned char>(c)); });
}

// Multiply and xor-shift over four code units at a time: cheaper than the
// standard string hash, and the bits it leaves low are well mixed.
std::size_t HashNumber(std::u16string_view number) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t hash = number.size() * kMultiplier;
    std::size_t i = 0;
    for (; i + 4 <= number.size(); i += 4) {
        std::uint64_t word;
        std::memcpy(&word, number.data() + i, sizeof word);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    }
    for (; i < number.size(); ++i) {
        hash = (hash ^ number[i]) * kMultiplier;
        hash ^= hash >> 29;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 32));
}

void ReplaceAll(std::u16string& text, std::u16string_view what, std::u16string_view with) {
    for (std::size_t at = text.find(what); at != std::u16string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

}  // namespace

void CNumberSet::RemoveAll() {
    m_order.clear();
    m_lines.clear();
    m_slots.clear();
    m_text = CodeUnits();
}

void CNumberSet::SetText(CodeUnits&& text) {
    RemoveAll();
    m_text = std::move(text);
}

void CNumberSet::Reserve(std::size_t lines) {
    m_order.reserve(lines);
    m_lines.reserve(lines);
    std::size_t slots = 16;
    while (slots < 2 * lines) {
        slots *= 2;
    }
    if (slots > m_slots.size()) {
        Rehash(slots);
    }
}

std::size_t CNumberSet::FindSlot(std::u16string_view number) const {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = HashNumber(number) & mask;
    while (m_slots[slot] != 0 && m_order[m_slots[slot] - 1] != number) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

void CNumberSet::Rehash(std::size_t slots) {
    m_slots.assign(slots, 0);
    for (std::size_t i = 0; i < m_order.size(); ++i) {
        m_slots[FindSlot(m_order[i])] = static_cast<std::uint32_t>(i + 1);
    }
}

bool CNumberSet::Contains(std::u16string_view number) const {
    return !m_slots.empty() && m_slots[FindSlot(number)] != 0;
}

bool CNumberSet::Add(std::u16string_view number, std::size_t line) {
    if (2 * (m_order.size() + 1) > m_slots.size()) {
        Rehash(std::max<std::size_t>(16, 2 * m_slots.size()));
    }
    const std::size_t slot = FindSlot(number);
    if (m_slots[slot] != 0) {
        return false;
    }
    m_order.push_back(number);
    m_lines.push_back(static_cast<std::uint32_t>(line));
    m_slots[slot] = static_cast<std::uint32_t>(m_order.size());
    return true;
}

std::u16string CNumberList::Message(std::u16string_view format, std::size_t line) const {
    std::u16string text(format);
    if (line != 0) {
        const std::string digits = std::to_string(line);
        ReplaceAll(text, u"%d", std::u16string(digits.begin(), digits.end()));
    }
    // Last, so that a "%d" inside the path stays as it is.
    ReplaceAll(text, u"%s", m_strFilePath);
    return text;
}

bool CNumberList::IsNewPerson(std::u16string_view number,
                              std::unordered_set<std::string>& seen) const {
    if (m_strRegion.empty()) {
        return true;
    }
    const std::optional<std::string> key = Phone::ToE164(number, m_strRegion);
    return !key || seen.insert(*key).second;
}

bool CNumberList::Load(std::u16string& error) {
    namespace fs = std::filesystem;
    const fs::path path = fs::u8path(PduLib::Utf16ToUtf8(m_strFilePath));
    std::error_code ec;
    // A directory or a device opens on some systems but holds no lines.
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::is_regular_file(status)) {
        error = Message(kCannotOpen);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = Message(kCannotOpen);
        return false;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        error = Message(kCannotStat);
        return false;
    }
    if (size > kMaxFileBytes) {
        m_mapNumbers.RemoveAll();
        error = Message(kTooLarge);
        return false;
    }
    // Read straight into UTF-16 storage: a UTF-16LE file needs no copy.
    CodeUnits buffer = CodeUnits::Allocate(static_cast<std::size_t>(size + 1) / 2);
    in.read(reinterpret_cast<char*>(buffer.data.get()), static_cast<std::streamsize>(size));
    if (in.bad()) {
        m_mapNumbers.RemoveAll();
        error = Message(kCannotRead);
        return false;
    }
    // A file that shrank since its size was read gives what it still has.
    return LoadBuffer(std::move(buffer), static_cast<std::size_t>(in.gcount()), error);
}

bool CNumberList::LoadFromBytes(std::string_view bytes, std::u16string& error) {
    if (bytes.size() > kMaxFileBytes) {
        m_mapNumbers.RemoveAll();
        error = Message(kTooLarge);
        return false;
    }
    CodeUnits buffer = CodeUnits::Allocate((bytes.size() + 1) / 2);
    if (!bytes.empty()) {
        std::memcpy(buffer.data.get(), bytes.data(), bytes.size());
    }
    return LoadBuffer(std::move(buffer), bytes.size(), error);
}

bool CNumberList::LoadBuffer(CodeUnits&& buffer, std::size_t bytes, std::u16string& error) {
    m_mapNumbers.RemoveAll();
    CodeUnits text;
    if (!Decode(std::move(buffer), bytes, text, error)) {
        return false;
    }
    m_mapNumbers.SetText(std::move(text));
    return SplitLines(error);
}

// Byte-order marks decide. Without one: NUL-free text that is valid UTF-8 is
// UTF-8 (plain ASCII included); NUL-free lines in another form are refused
// (an 8-bit code page); the rest is UTF-16, in the byte order whose zero
// bytes sit where ASCII characters put them, little-endian when in doubt.
// Controls and other non-text are refused when the lines are split.
bool CNumberList::Decode(CodeUnits&& buffer, std::size_t byteCount, CodeUnits& text,
                         std::u16string& error) const {
    std::string_view bytes(reinterpret_cast<const char*>(buffer.data.get()), byteCount);
    Encoding encoding = Encoding::Utf16LE;
    if (bytes.empty()) {
        text = CodeUnits();
        return true;
    }
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        encoding = Encoding::Utf8;
        bytes.remove_prefix(3);
    } else if (StartsWith(bytes, "\xFF\xFE")) {
        bytes.remove_prefix(2);
    } else if (StartsWith(bytes, "\xFE\xFF")) {
        encoding = Encoding::Utf16BE;
        bytes.remove_prefix(2);
    } else {
        if (std::memchr(bytes.data(), 0, bytes.size()) == nullptr) {
            if (std::memchr(bytes.data(), '\n', bytes.size()) != nullptr ||
                std::memchr(bytes.data(), '\r', bytes.size()) != nullptr) {
                // UTF-16 line breaks carry zero bytes: lines without any are
                // UTF-8, or text in an 8-bit code page.
                if (DecodeUtf8(bytes, text)) {
                    return true;
                }
                error = Message(kEightBit);
                return false;
            }
            if (!HasForeignControl(bytes) && DecodeUtf8(bytes, text)) {
                return true;
            }
            // A single line without zero bytes that is no UTF-8 text: UTF-16LE,
            // as a numbers file always was (digits of other scripts look so).
        } else {
            std::size_t zerosAtEven = 0;
            std::size_t zerosAtOdd = 0;
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                if (bytes[i] == '\0') {
                    ++((i % 2 == 0) ? zerosAtEven : zerosAtOdd);
                }
            }
            if (zerosAtEven > zerosAtOdd) {
                encoding = Encoding::Utf16BE;
            }
        }
        if (bytes.size() % 2 != 0) {
            error = Message(kNotText);
            return false;
        }
    }

    if (encoding == Encoding::Utf8) {
        if (!DecodeUtf8(bytes, text)) {
            error = Message(kNotText);
            return false;
        }
    } else {
        if (bytes.size() % 2 != 0) {
            error = Message(kTruncated);
            return false;
        }
        // In place: the code units are where the file put them.
        const std::size_t bom = byteCount / 2 - bytes.size() / 2;
        text = std::move(buffer);
        text.size = bytes.size() / 2;
        if (bom != 0) {
            std::memmove(text.data.get(), text.data.get() + bom, text.size * sizeof(char16_t));
        }
        if ((encoding == Encoding::Utf16BE) != HostIsBigEndian()) {
            for (std::size_t i = 0; i < text.size; ++i) {
                const char16_t c = text.data[i];
                text.data[i] = static_cast<char16_t>((c << 8) | (c >> 8));
            }
        }
    }
    return true;
}

// Lines end with LF or CR LF, or with CR in a file without any LF (as old
// Macintosh programs save text); a CR elsewhere is white space. The end of
// the file ends the last line, and a final line break starts no further
// line. A file with anything but plain text in it gives no numbers. Each
// number is cleaned in place: its cleaned form is never longer.
bool CNumberList::SplitLines(std::u16string& error) {
    char16_t* const data = m_mapNumbers.m_text.data.get();
    const std::size_t size = m_mapNumbers.m_text.size;
    const std::u16string_view text = m_mapNumbers.Text();
    m_mapNumbers.Reserve(std::min<std::size_t>(kMaxLines, size / (kMinNumberLength + 1) + 1));

    const bool crEndsLines = text.find(u'\n') == std::u16string_view::npos;
    std::unordered_set<std::string> e164;
    std::size_t line = 0;
    std::size_t pos = 0;
    while (pos < size) {
        bool bad = false;
        std::size_t end = ScanLine(data, pos, size, crEndsLines, bad);
        if (bad) {
            m_mapNumbers.RemoveAll();
            error = Message(kNotText);
            return false;
        }
        const std::size_t next = end < size ? end + 1 : end;
        if (line == kMaxLines) {
            error = std::u16string(kTooManyLines);
            return false;
        }
        std::size_t first = pos;
        // A second byte-order mark (the first went with the decoding).
        if (line == 0 && first < end && data[first] == kByteOrderMark) {
            ++first;
        }
        while (end > first && IsBlank(data[end - 1])) {
            --end;
        }
        while (first < end && IsBlank(data[first])) {
            ++first;
        }
        const std::size_t length = end - first;
        if (length > kMaxNumberLength) {
            // Not a numbers file: none of its lines is taken.
            m_mapNumbers.RemoveAll();
            error = Message(kLineTooLong, line + 1);
            return false;
        }
        if (length >= kMinNumberLength) {
            const std::u16string_view number(data + first,
                                             Phone::CleanInPlace(data + first, length));
            if (!number.empty() && IsNewPerson(number, e164)) {
                m_mapNumbers.Add(number, line + 1);
            }
        }
        ++line;
        pos = next;
    }
    return true;
}
