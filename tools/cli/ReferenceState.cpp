#include "tools/cli/ReferenceState.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

std::string CReferenceState::DefaultPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base;
    if (state != nullptr && state[0] == '/') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = fs::path(home) / ".local" / "state";
    } else {
        return std::string();
    }
    return (base / "Vantorix" / "concat-reference").string();
}

bool CReferenceState::Load(std::uint16_t& next, std::string& error) const {
    std::error_code ec;
    if (!fs::exists(m_path, ec) && !ec) {
        next = 0;
        return true;
    }
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        error = m_path + ": cannot be read";
        return false;
    }
    std::string text;
    std::getline(in, text, '\0');
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] == '-' || value > 0xFFFFu) {
        error = m_path + ": not a reference between 0 and 65535";
        return false;
    }
    next = static_cast<std::uint16_t>(value);
    return true;
}

bool CReferenceState::Save(std::uint16_t next, std::string& error) const {
    const fs::path path(m_path);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
        error = path.parent_path().string() + ": " + ec.message();
        return false;
    }
    const fs::path temporary = path.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << next << '\n';
        out.close();
        if (!out) {
            error = temporary.string() + ": cannot be written";
            return false;
        }
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        error = path.string() + ": " + ec.message();
        return false;
    }
    return true;
}
