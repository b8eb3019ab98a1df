// Starts the desktop program the way a user does and checks its first
// windows with the system's own window list: first the start-up notice alone,
// then, once the notice is answered with Enter, the main window. Prints
// "READY" when the main window is up and waits for DONE_FILE (the screenshot
// has been taken), then closes the program and expects it to end with 0.
//
//   vantorix-startup-smoke DONE_FILE PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Found {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<Found*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == found->pid && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr) {
        found->windows.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> VisibleWindows(DWORD pid) {
    Found found{pid, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

void Describe(const char* what, HWND window) {
    wchar_t title[256] = L"";
    GetWindowTextW(window, title, 256);
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("%s: \"%ls\" %ldx%ld+%ld+%ld\n", what, title, rect.right - rect.left,
                rect.bottom - rect.top, rect.left, rect.top);
    std::fflush(stdout);
}

// Waits up to `seconds` for `ready`, checking every 100 ms.
template <typename Ready>
bool WaitFor(int seconds, Ready ready) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (ready()) {
            return true;
        }
        Sleep(100);
    }
    return ready();
}

int Fail(const char* why, HANDLE process) {
    std::printf("FAIL %s\n", why);
    std::fflush(stdout);
    TerminateProcess(process, 1);
    return 1;
}

std::wstring Quoted(const wchar_t* argument) {
    return std::wstring(L"\"") + argument + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vantorix-startup-smoke DONE_FILE PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const wchar_t* doneFile = argv[1];
    std::wstring commandLine = Quoted(argv[2]);
    for (int i = 3; i < argc; ++i) {
        commandLine += L" " + Quoted(argv[i]);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("FAIL the program does not start (error %lu)\n", GetLastError());
        return 1;
    }
    const DWORD pid = process.dwProcessId;

    // The notice comes before the main window, and alone.
    if (!WaitFor(90, [pid] { return !VisibleWindows(pid).empty(); })) {
        return Fail("no window within 90 s", process.hProcess);
    }
    Sleep(1000);
    std::vector<HWND> first = VisibleWindows(pid);
    if (first.size() != 1) {
        return Fail("more than the notice at start-up", process.hProcess);
    }
    const HWND notice = first.front();
    Describe("notice", notice);

    // Enter answers the notice's OK; then the main window opens.
    HWND main = nullptr;
    const bool opened = WaitFor(30, [&] {
        if (IsWindow(notice) && IsWindowVisible(notice)) {
            PostMessageW(notice, WM_KEYDOWN, VK_RETURN, 0x001C0001);
            PostMessageW(notice, WM_KEYUP, VK_RETURN, 0xC01C0001);
            Sleep(400);
            return false;
        }
        for (HWND window : VisibleWindows(pid)) {
            if (window != notice) {
                main = window;
            }
        }
        return main != nullptr;
    });
    if (!opened) {
        return Fail("the main window did not open after the notice", process.hProcess);
    }
    Sleep(2000);  // painted
    Describe("main window", main);
    std::printf("READY\n");
    std::fflush(stdout);

    if (!WaitFor(120,
                 [doneFile] { return GetFileAttributesW(doneFile) != INVALID_FILE_ATTRIBUTES; })) {
        return Fail("nobody took the screenshot", process.hProcess);
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        return Fail("the program did not end when its window was closed", process.hProcess);
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("exit code %lu\n", code);
    return code == 0 ? 0 : 1;
}
