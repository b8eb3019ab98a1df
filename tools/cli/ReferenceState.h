// Where the command line keeps the concatenation reference between runs: a
// small state file, $XDG_STATE_HOME/Vantorix/concat-reference (by default
// ~/.local/state/Vantorix/concat-reference), holding the next reference as
// a decimal number. The desktop program keeps its own with its settings.
#pragma once

#include <cstdint>
#include <string>

class CReferenceState final {
public:
    // The file's path from the environment; empty when neither
    // XDG_STATE_HOME nor HOME is set.
    static std::string DefaultPath();

    explicit CReferenceState(std::string path) : m_path(std::move(path)) {}

    // The next reference kept in the file: 0 when there is none yet; false
    // with `error` for a file that cannot be read or holds no number.
    bool Load(std::uint16_t& next, std::string& error) const;
    // Keeps `next` (written whole to a new file that then replaces the old
    // one); false with `error` when it cannot be written.
    bool Save(std::uint16_t next, std::string& error) const;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
