#include "campaign/store/StoreLock.h"

#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {

// The holder's text as written into the side file, and how it is shown.
std::string DescribeHolder(std::string_view content) {
    // Written as "pid\thost\tprogram\n".
    std::string text(content.substr(0, 512));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) {
        text.pop_back();
    }
    const std::size_t tab1 = text.find('\t');
    const std::size_t tab2 = tab1 == std::string::npos ? tab1 : text.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) {
        return "another program (it left no details)";
    }
    std::string pid = text.substr(0, tab1);
    std::string host = text.substr(tab1 + 1, tab2 - tab1 - 1);
    std::string program = text.substr(tab2 + 1);
    for (std::string* part : {&pid, &host, &program}) {
        for (char& c : *part) {
            if (static_cast<unsigned char>(c) < 0x20) {
                c = ' ';
            }
        }
    }
    if (program.empty()) {
        program = "another program";
    }
    return program + ", process " + pid + " on " + (host.empty() ? "this computer" : host);
}

#ifdef _WIN32
std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int count =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), count);
    return wide;
}

// The lock covers one byte far past the text, so that the holder's details
// stay readable by the process that is refused.
constexpr DWORD kLockOffsetHigh = 1;

std::string ReadAll(HANDLE file) {
    std::string content(512, '\0');
    DWORD got = 0;
    OVERLAPPED at{};
    if (!ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, &at)) {
        got = 0;
    }
    content.resize(got);
    return content;
}

bool TryLock(HANDLE file) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

void Unlock(HANDLE file) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(file, 0, 1, 0, &at);
}

HANDLE OpenSide(const std::string& path) {
    return CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
#else
std::string ReadAll(int fd) {
    std::string content(512, '\0');
    const ssize_t got = ::pread(fd, content.data(), content.size(), 0);
    content.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return content;
}
#endif

}  // namespace

std::string CStoreLock::LockPathFor(const std::string& storePath) {
    return storePath + ".lock";
}

#ifdef _WIN32

bool CStoreLock::Acquire(const std::string& storePath, const std::string& program,
                         std::string& holder, std::string& error) {
    Release();
    const std::string path = LockPathFor(storePath);
    HANDLE file = OpenSide(path);
    if (file == INVALID_HANDLE_VALUE) {
        error = "The lock file " + path + " cannot be opened (error " +
                std::to_string(GetLastError()) + ").";
        return false;
    }
    if (!TryLock(file)) {
        const DWORD code = GetLastError();
        if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING) {
            holder = DescribeHolder(ReadAll(file));
        } else {
            error =
                "The lock file " + path + " cannot be locked (error " + std::to_string(code) + ").";
        }
        CloseHandle(file);
        return false;
    }
    char host[256] = {};
    DWORD hostSize = sizeof(host);
    if (!GetComputerNameA(host, &hostSize)) {
        host[0] = '\0';
    }
    const std::string text =
        std::to_string(GetCurrentProcessId()) + "\t" + host + "\t" + program + "\n";
    DWORD written = 0;
    OVERLAPPED at{};
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, &at);
    m_hFile = file;
    return true;
}

void CStoreLock::Release() {
    if (m_hFile != nullptr) {
        Unlock(static_cast<HANDLE>(m_hFile));
        CloseHandle(static_cast<HANDLE>(m_hFile));
        m_hFile = nullptr;
    }
}

bool CStoreLock::IsHeld() const {
    return m_hFile != nullptr;
}

#else

bool CStoreLock::Acquire(const std::string& storePath, const std::string& program,
                         std::string& holder, std::string& error) {
    Release();
    const std::string path = LockPathFor(storePath);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "The lock file " + path + " cannot be opened: " + std::strerror(errno) + ".";
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        if (code == EWOULDBLOCK) {
            holder = DescribeHolder(ReadAll(fd));
        } else {
            error = "The lock file " + path + " cannot be locked: " + std::strerror(code) + ".";
        }
        ::close(fd);
        return false;
    }
    char host[256] = {};
    if (::gethostname(host, sizeof(host) - 1) != 0) {
        host[0] = '\0';
    }
    const std::string text = std::to_string(::getpid()) + "\t" + host + "\t" + program + "\n";
    // The details are a courtesy to a refused process; the lock itself is
    // what counts, so a failed write does not fail the lock.
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
        holder.clear();
    }
    m_fd = fd;
    return true;
}

void CStoreLock::Release() {
    if (m_fd >= 0) {
        ::close(m_fd);  // drops the flock
        m_fd = -1;
    }
}

bool CStoreLock::IsHeld() const {
    return m_fd >= 0;
}

#endif
