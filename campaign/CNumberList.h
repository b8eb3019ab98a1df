// Loader of a numbers file: one mobile number per line, in UTF-16 (LE or BE)
// or UTF-8 text, read into the set of its unique numbers, each cleaned for
// sending (blanks, dashes, dots and brackets removed: Phone::CleanForSending).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class CNumberList;

// UTF-16 code units on the heap, left uninitialised when allocated so that a
// file can be read straight into them. Moving them keeps their address.
struct CodeUnits {
    std::unique_ptr<char16_t[]> data;
    std::size_t size = 0;

    static CodeUnits Allocate(std::size_t count) {
        CodeUnits units;
        units.data.reset(new char16_t[count]);
        units.size = count;
        return units;
    }
    std::u16string_view View() const { return {data.get(), size}; }
};

// The unique numbers of one numbers file, in the order of their first line in
// the file. Every user of a loaded file (sending list, preview, command line)
// iterates it the same way, so all of them show and send the same order.
// The views point into the set's own text buffer: they stay valid while the
// set lives and is not reloaded, also across a move.
class CNumberSet {
public:
    using const_iterator = std::vector<std::u16string_view>::const_iterator;

    CNumberSet() = default;
    CNumberSet(const CNumberSet&) = delete;
    CNumberSet& operator=(const CNumberSet&) = delete;
    CNumberSet(CNumberSet&&) = default;
    CNumberSet& operator=(CNumberSet&&) = default;

    std::size_t GetCount() const { return m_order.size(); }
    bool IsEmpty() const { return m_order.empty(); }
    const std::u16string_view& operator[](std::size_t index) const { return m_order[index]; }
    // The line of the file (from 1) that the number at `index` comes from.
    std::size_t GetLine(std::size_t index) const { return m_lines[index]; }
    const_iterator begin() const { return m_order.begin(); }
    const_iterator end() const { return m_order.end(); }
    bool Contains(std::u16string_view number) const;

private:
    friend class CNumberList;

    void RemoveAll();
    void Reserve(std::size_t lines);
    // Takes the decoded file text that the numbers will point into.
    void SetText(CodeUnits&& text);
    std::u16string_view Text() const { return m_text.View(); }
    // Adds `number` of file line `line`; `number` must point into Text().
    // False if it is there already.
    bool Add(std::u16string_view number, std::size_t line);

    CodeUnits m_text;
    std::vector<std::u16string_view> m_order;
    std::vector<std::uint32_t> m_lines;
    // Open-addressing hash index over m_order: 0 for a free slot, else the
    // position in m_order plus 1. Its size is a power of two, at least twice
    // the count. (A node-based set took most of the time of a full load.)
    std::vector<std::uint32_t> m_slots;

    // The slot that holds `number`, or the free slot where it belongs.
    std::size_t FindSlot(std::u16string_view number) const;
    void Rehash(std::size_t slots);
};

class CNumberList {
public:
    // Every line counts: short, empty and repeated lines too.
    static constexpr std::size_t kMaxLines = 65535;
    // A line shorter than this after trimming is not a number and is dropped,
    // and so is a line with nothing left once cleaned ("-----").
    static constexpr std::size_t kMinNumberLength = 5;
    // A longer line is no telephone number: the file is refused.
    static constexpr std::size_t kMaxNumberLength = 256;
    // Files above this size are refused before anything is read.
    static constexpr std::uintmax_t kMaxFileBytes = kMaxLines * 256;

    // The text encodings a numbers file may use.
    enum class Encoding { Utf8, Utf16LE, Utf16BE };

    // Reads the file named by m_strFilePath into m_mapNumbers. On failure
    // `error` receives the message for the user and false is returned; on
    // success `error` is not touched.
    bool Load(std::u16string& error);
    // Same as Load, for the content of a file already in memory.
    bool LoadFromBytes(std::string_view bytes, std::u16string& error);

    std::u16string m_strFilePath;
    // The two-letter country of national numbers ("GB"), or empty. When set,
    // two numbers with the same E.164 form are one ("07700 900123" and
    // "+44 7700 900123"), and the first line keeps it; else duplicates are
    // judged on the cleaned text.
    std::string m_strRegion;
    CNumberSet m_mapNumbers;

private:
    // `format` with the path for %s and, when not 0, `line` for %d.
    std::u16string Message(std::u16string_view format, std::size_t line = 0) const;
    // Loads the file content held in the first `bytes` bytes of `buffer`.
    bool LoadBuffer(CodeUnits&& buffer, std::size_t bytes, std::u16string& error);
    bool Decode(CodeUnits&& buffer, std::size_t byteCount, CodeUnits& text,
                std::u16string& error) const;
    bool SplitLines(std::u16string& error);
    // False when a number with the same E.164 form as `number` is in `seen`
    // (only with a region); else adds its form to `seen`.
    bool IsNewPerson(std::u16string_view number, std::unordered_set<std::string>& seen) const;
};
