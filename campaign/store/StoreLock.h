// The single-sender lock of a campaign store: an exclusive lock on a side
// file next to the store (flock on POSIX, LockFileEx on Windows) with the
// holder's process id, host and program written in it. The system drops the
// lock when its holder ends in any way (kill -9 included), so a stale lock
// can never refuse a later run, and a process id reused by another program
// is never mistaken for a live sender.
#pragma once

#include <string>

class CStoreLock {
public:
    CStoreLock() = default;
    ~CStoreLock() { Release(); }
    CStoreLock(const CStoreLock&) = delete;
    CStoreLock& operator=(const CStoreLock&) = delete;

    // The side file of the store at `storePath`.
    static std::string LockPathFor(const std::string& storePath);

    // Takes the lock without waiting. False when another holder has it:
    // `holder` then describes it ("vantorix-cli, process 4242 on host
    // pc1"), and `error` is empty; on any other failure `error` says why.
    bool Acquire(const std::string& storePath, const std::string& program, std::string& holder,
                 std::string& error);
    void Release();
    bool IsHeld() const;

private:
#ifdef _WIN32
    void* m_hFile = nullptr;
#else
    int m_fd = -1;
#endif
};
