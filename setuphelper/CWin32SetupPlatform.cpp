#include "setuphelper/CWin32SetupPlatform.h"

#include <oleauto.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

namespace Oravane {

namespace {

const char* CharNextWalker(const char* p) {
    return CharNextA(p);
}

// ANSI code page text to UTF-16; empty when it does not convert.
std::wstring Widen(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

using UnRegisterTypeLibFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

class CTypeLibrary : public ITypeLibrary {
public:
    explicit CTypeLibrary(ITypeLib* library) : m_library(library) {}
    ~CTypeLibrary() override { m_library->Release(); }
    CTypeLibrary(const CTypeLibrary&) = delete;
    CTypeLibrary& operator=(const CTypeLibrary&) = delete;

    HResult Register(const std::string& path, const std::string& helpDirectory) override {
        std::wstring widePath = Widen(path);
        std::wstring wideHelp = Widen(helpDirectory);
        return RegisterTypeLib(m_library, widePath.data(),
                               wideHelp.empty() ? nullptr : wideHelp.data());
    }

    void Unregister() override {
        TLIBATTR* attributes = nullptr;
        if (FAILED(m_library->GetLibAttr(&attributes)) || attributes == nullptr) {
            return;
        }
        // Looked up at run time: the oldest automation libraries lack it.
        if (HMODULE automation = LoadLibraryA("oleaut32.dll")) {
            FARPROC proc = GetProcAddress(automation, "UnRegisterTypeLib");
            if (proc != nullptr) {
                auto unregister =
                    reinterpret_cast<UnRegisterTypeLibFn>(reinterpret_cast<void (*)()>(proc));
                unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                           attributes->lcid, attributes->syskind);
            }
            FreeLibrary(automation);
        }
        m_library->ReleaseTLibAttr(attributes);
    }

private:
    ITypeLib* m_library;
};

}  // namespace

std::string CWin32SetupPlatform::ModuleFileName() {
    char path[kMaxPath];
    const DWORD length = GetModuleFileNameA(m_module, path, static_cast<DWORD>(sizeof path));
    // 0 is a failure; a full buffer means the path was cut.
    if (length == 0 || length >= sizeof path) {
        return std::string();
    }
    return std::string(path, length);
}

NextCharFn CWin32SetupPlatform::CharWalker() const {
    return CharNextWalker;
}

bool CWin32SetupPlatform::RunAndWait(const std::string& commandLine) {
    // CreateProcessA may write into its command line: hand it a buffer.
    char buffer[kCommandLineSize];
    if (commandLine.size() + 1 > sizeof buffer) {
        return false;
    }
    std::memcpy(buffer, commandLine.c_str(), commandLine.size() + 1);

    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::memset(&process, 0, sizeof process);
    if (!CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void CWin32SetupPlatform::ShellOpen(const std::string& file, const std::string& parameters,
                                    int showCommand) {
    ShellExecuteA(nullptr, kOpenVerb, file.c_str(),
                  parameters.empty() ? nullptr : parameters.c_str(), nullptr, showCommand);
}

std::unique_ptr<ITypeLibrary> CWin32SetupPlatform::LoadTypeLibrary(const std::string& path,
                                                                   HResult& result) {
    const std::wstring widePath = Widen(path);
    ITypeLib* library = nullptr;
    const HRESULT hr = LoadTypeLib(widePath.c_str(), &library);
    result = hr;
    if (FAILED(hr) || library == nullptr) {
        return nullptr;
    }
    return std::make_unique<CTypeLibrary>(library);
}

}  // namespace Oravane
