// Oravane.dll itself, loaded and registered under wine: its exports, its
// resources, and what registering and unregistering it start and write. Each
// test installs the library in a scratch directory whose name has a blank,
// with probes standing in for the runtime package, Lumarin.dll and the web
// browser (ProbeLog.h).
#include <initguid.h>
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "OravaneIdl.h"
#include "ProbeLog.h"
#include "setuphelper/SetupActions.h"

namespace {

using ServerFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);

std::string BinDirectory() {
    return OravaneProbe::DirectoryOf(OravaneProbe::ModulePath(nullptr));
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // the tests' texts are ASCII
}

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        narrow += static_cast<char>(*p);
    }
    return narrow;
}

std::string GuidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return Narrow(text);
}

const std::string& TypeLibKey() {
    static const std::string key = "TypeLib\\" + GuidText(LIBID_ORAVANELib);
    return key;
}

const char kHttpsCommandKey[] = "https\\shell\\open\\command";

std::optional<std::string> ClassesValue(const std::string& key, const char* value = nullptr) {
    char data[2048];
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(data);
}

bool ClassesKeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

bool SetClassesValue(const std::string& key, const std::string& data) {
    return RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, data.c_str(),
                           static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Starts a command line, waits for it and gives its exit code.
std::optional<DWORD> RunToEnd(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return std::nullopt;
    }
    std::optional<DWORD> result;
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &code)) {
        result = code;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

// A directory that is removed with its files when the test ends.
class ScratchInstall {
public:
    ScratchInstall() {
        char temp[MAX_PATH];
        const DWORD length = GetTempPathA(MAX_PATH, temp);
        // wine reuses process ids: the tick count keeps the name new.
        m_directory = std::string(temp, length) + "Oravane Test " +
                      std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(GetTickCount64()) + "\\";
        CreateDirectoryA(m_directory.c_str(), nullptr);
    }
    ~ScratchInstall() {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((m_directory + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((m_directory + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(m_directory.c_str());
    }
    ScratchInstall(const ScratchInstall&) = delete;
    ScratchInstall& operator=(const ScratchInstall&) = delete;

    const std::string& Directory() const { return m_directory; }

    // Copies a file of the build beside the test program into the directory.
    bool Add(const std::string& builtName, const std::string& installedName) const {
        return CopyFileA((BinDirectory() + builtName).c_str(),
                         (m_directory + installedName).c_str(), FALSE) != 0;
    }

    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        HANDLE file = CreateFileA((m_directory + "probe.log").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return lines;
        }
        std::string text;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            text.append(buffer, read);
        }
        CloseHandle(file);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }

    // Waits up to 30 s for the probes started without waiting to log.
    std::vector<std::string> WaitForLog(
        const std::function<bool(const std::vector<std::string>&)>& complete) const {
        std::vector<std::string> lines = Log();
        for (int i = 0; i < 300 && !complete(lines); ++i) {
            Sleep(100);
            lines = Log();
        }
        return lines;
    }

private:
    std::string m_directory;
};

// Oravane.dll loaded from a path.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path) : m_module(LoadLibraryA(path.c_str())) {}
    ~LoadedLibrary() {
        if (m_module != nullptr) {
            FreeLibrary(m_module);
        }
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    HMODULE Module() const { return m_module; }

    template <typename Fn>
    Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m_module, name)));
    }
    HRESULT Register() const { return Export<ServerFn>("DllRegisterServer")(); }
    HRESULT Unregister() const { return Export<ServerFn>("DllUnregisterServer")(); }

private:
    HMODULE m_module;
};

class OravaneDll : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_install.Add("Oravane.dll", "Oravane.dll"));
        m_library = std::make_unique<LoadedLibrary>(LibraryPath());
        ASSERT_NE(m_library->Module(), nullptr) << "LoadLibrary failed: " << GetLastError();
    }

    std::string LibraryPath() const { return m_install.Directory() + "Oravane.dll"; }

    ScratchInstall m_install;
    std::unique_ptr<LoadedLibrary> m_library;
};

// Exports in ordinal order, with their names.
std::vector<std::pair<DWORD, std::string>> ExportsByOrdinal(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::pair<DWORD, std::string>> exports;
    if (directory.VirtualAddress == 0) {
        return exports;
    }
    const auto* table =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + table->AddressOfNames);
    const auto* ordinals = reinterpret_cast<const WORD*>(base + table->AddressOfNameOrdinals);
    for (DWORD i = 0; i < table->NumberOfNames; ++i) {
        exports.emplace_back(table->Base + ordinals[i],
                             reinterpret_cast<const char*>(base + names[i]));
    }
    // An export without a name would count in NumberOfFunctions only.
    for (DWORD i = static_cast<DWORD>(exports.size()); i < table->NumberOfFunctions; ++i) {
        exports.emplace_back(0, "(unnamed)");
    }
    std::sort(exports.begin(), exports.end());
    return exports;
}

TEST_F(OravaneDll, ExportsExactlyTheFourServerFunctionsInOrder) {
    const std::vector<std::pair<DWORD, std::string>> expected = {
        {1, "DllCanUnloadNow"},
        {2, "DllGetClassObject"},
        {3, "DllRegisterServer"},
        {4, "DllUnregisterServer"},
    };
    EXPECT_EQ(ExportsByOrdinal(m_library->Module()), expected);
}

TEST_F(OravaneDll, CanUnloadRightAfterLoading) {
    EXPECT_EQ(m_library->Export<ServerFn>("DllCanUnloadNow")(), S_OK);
}

TEST_F(OravaneDll, ServesNoClassObject) {
    const auto getClassObject = m_library->Export<GetClassObjectFn>("DllGetClassObject");
    const GUID someClass = {0x1d2c3b4a, 0x5e6f, 0x4a7b, {0x8c, 0x9d, 0xae, 0xbf, 1, 2, 3, 4}};
    const GUID nullClass = {};
    const std::vector<std::pair<GUID, GUID>> requests = {
        {nullClass, IID_IClassFactory},
        {someClass, IID_IClassFactory},
        {someClass, IID_IUnknown},
        {LIBID_ORAVANELib, IID_IClassFactory},
    };
    for (const auto& request : requests) {
        void* object = &object;  // anything but null
        EXPECT_EQ(getClassObject(request.first, request.second, &object),
                  CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(getClassObject(someClass, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(OravaneDll, NameString) {
    char text[64] = {};
    ASSERT_GT(LoadStringA(m_library->Module(), 100, text, sizeof text), 0);
    EXPECT_STREQ(text, "Oravane");
}

TEST_F(OravaneDll, VersionBlock) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(LibraryPath().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(LibraryPath().c_str(), 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(static_cast<WORD*>(value)[0], 0x0409);
    EXPECT_EQ(static_cast<WORD*>(value)[1], 1200);

    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    const std::vector<std::pair<std::string, std::string>> strings = {
        {"CompanyName", ""},
        {"FileDescription", "Oravane Module"},
        {"FileVersion", "1, 0, 0, 1"},
        {"InternalName", "Oravane"},
        {"OriginalFilename", "Oravane.DLL"},
        {"ProductName", "Oravane Module"},
        {"ProductVersion", "1, 0, 0, 1"},
        {"OLESelfRegister", ""},  // marks the file as self-registering
    };
    for (const auto& [name, expected] : strings) {
        const std::string query = "\\StringFileInfo\\040904B0\\" + name;
        value = nullptr;
        length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), &value, &length)) << name;
        EXPECT_EQ(std::string(static_cast<const char*>(value), length > 0 ? length - 1 : 0),
                  expected)
            << name;
    }
}

TEST_F(OravaneDll, TypeLibraryResourceDescribesNoType) {
    ASSERT_NE(FindResourceA(m_library->Module(), MAKEINTRESOURCEA(1), "TYPELIB"), nullptr);
    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadTypeLibEx(Wide(LibraryPath()).c_str(), REGKIND_NONE, &library), S_OK);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_ORAVANELib));
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attributes);
    EXPECT_EQ(library->GetTypeInfoCount(), 0u);
    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Narrow(name), "ORAVANELib");
    EXPECT_EQ(Narrow(help), "Oravane 1.0 Type Library");
    SysFreeString(name);
    SysFreeString(help);
    library->Release();
}

// Registration: the browser is the probe, through the https handler.
class OravaneRegistration : public OravaneDll {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, TypeLibKey().c_str());
        m_savedBrowser = ClassesValue(kHttpsCommandKey);
        ASSERT_TRUE(m_install.Add("oravane_probe.exe", "browser.exe"));
        ASSERT_TRUE(SetClassesValue(kHttpsCommandKey,
                                    "\"" + m_install.Directory() + "browser.exe\" \"%1\""));
        OravaneDll::SetUp();
    }

    void TearDown() override {
        // Let every page opened reach the probe before the directory goes.
        m_install.WaitForLog([this](const std::vector<std::string>& lines) {
            return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
                       return StartsWith(line, "browser.exe|");
                   }) >= m_pagesOpened;
        });
        m_library.reset();
        if (m_savedBrowser) {
            SetClassesValue(kHttpsCommandKey, *m_savedBrowser);
        } else {
            RegDeleteKeyValueA(HKEY_CLASSES_ROOT, kHttpsCommandKey, nullptr);
        }
        RegDeleteTreeA(HKEY_CLASSES_ROOT, TypeLibKey().c_str());
    }

    // Each registration and unregistration opens one page.
    HRESULT Register() {
        ++m_pagesOpened;
        return m_library->Register();
    }
    HRESULT Unregister() {
        ++m_pagesOpened;
        return m_library->Unregister();
    }

    void AddNeighbours() const {
        ASSERT_TRUE(m_install.Add("oravane_probe.exe", "vcredist_x86.exe"));
        ASSERT_TRUE(m_install.Add("LumarinProbe.dll", "Lumarin.dll"));
    }

    std::string RegisteredPath() const {
        return ClassesValue(TypeLibKey() + "\\1.0\\0\\win64").value_or("(none)");
    }

    static std::function<bool(const std::vector<std::string>&)> HasLineWith(std::string part) {
        return [part](const std::vector<std::string>& lines) {
            return std::any_of(lines.begin(), lines.end(),
                               [&](const std::string& line) { return Contains(line, part); });
        };
    }

    std::optional<std::string> m_savedBrowser;
    long m_pagesOpened = 0;
};

TEST_F(OravaneRegistration, WaitsForThePackageThenOpensThePageAndRegisters) {
    AddNeighbours();
    const std::string& dir = m_install.Directory();
    EXPECT_EQ(Register(), S_OK);

    // The package's "done" comes before the return: it was waited for.
    std::vector<std::string> log = m_install.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "vcredist_x86.exe|\"" + dir + "vcredist_x86.exe\" /q");
    EXPECT_EQ(log[1], "vcredist_x86.exe|done");
    log = m_install.WaitForLog([](const auto& lines) { return lines.size() >= 3; });
    ASSERT_EQ(log.size(), 3u);
    EXPECT_TRUE(StartsWith(log[2], "browser.exe|")) << log[2];
    EXPECT_TRUE(Contains(log[2], Oravane::kInstallPage)) << log[2];

    EXPECT_EQ(ClassesValue(TypeLibKey() + "\\1.0"), "Oravane 1.0 Type Library");
    EXPECT_EQ(RegisteredPath(), LibraryPath());
    EXPECT_EQ(ClassesValue(TypeLibKey() + "\\1.0\\HELPDIR"), dir);
}

TEST_F(OravaneRegistration, UnregisteringStartsTheCleanUpAndRemovesTheTypeLibrary) {
    AddNeighbours();
    const std::string& dir = m_install.Directory();
    ASSERT_EQ(Register(), S_OK);
    ASSERT_TRUE(ClassesKeyExists(TypeLibKey() + "\\1.0"));
    // Wait for the installation page first, so that the log below is the
    // clean-up's only.
    m_install.WaitForLog(HasLineWith(Oravane::kInstallPage));
    const std::size_t before = m_install.Log().size();

    EXPECT_EQ(Unregister(), S_OK);
    EXPECT_FALSE(ClassesKeyExists(TypeLibKey() + "\\1.0"));
    // Nothing is waited for: the three may log in any order.
    const std::vector<std::string> log =
        m_install.WaitForLog([&](const auto& lines) { return lines.size() >= before + 3; });
    const std::vector<std::string> cleanUp(log.begin() + static_cast<long>(before), log.end());
    ASSERT_EQ(cleanUp.size(), 3u);
    const auto find = [&](const std::string& prefix) {
        const auto it = std::find_if(cleanUp.begin(), cleanUp.end(),
                                     [&](const std::string& l) { return StartsWith(l, prefix); });
        return it == cleanUp.end() ? std::string("(missing)") : *it;
    };
    const std::string sibling = find("Lumarin.dll|unregister|");
    EXPECT_TRUE(Contains(sibling, "/s /u \"" + dir + "Lumarin.dll\"")) << sibling;
    const std::string package = find("vcredist_x86.exe|");
    EXPECT_TRUE(Contains(package, dir + "vcredist_x86.exe")) << package;
    EXPECT_TRUE(Contains(package, " /qu")) << package;
    EXPECT_TRUE(Contains(find("browser.exe|"), Oravane::kUninstallPage));
}

TEST_F(OravaneRegistration, MissingNeighboursAreSkipped) {
    EXPECT_EQ(Register(), S_OK);
    EXPECT_EQ(RegisteredPath(), LibraryPath());
    EXPECT_EQ(Unregister(), S_OK);
    EXPECT_FALSE(ClassesKeyExists(TypeLibKey() + "\\1.0"));
    // Neither page is waited for, so the two browser starts may log in
    // either order; nothing else may have been started.
    const auto hasBoth = [](const std::vector<std::string>& lines) {
        return HasLineWith(Oravane::kInstallPage)(lines) &&
               HasLineWith(Oravane::kUninstallPage)(lines);
    };
    const std::vector<std::string> log = m_install.WaitForLog(hasBoth);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(hasBoth(log));
}

TEST_F(OravaneRegistration, FallsBackToTheTlbFileBesideTheLibrary) {
    // The same library built without its TYPELIB resource.
    m_library.reset();
    ASSERT_TRUE(m_install.Add("OravaneWithoutTypeLib.dll", "Oravane.dll"));
    m_library = std::make_unique<LoadedLibrary>(LibraryPath());
    ASSERT_NE(m_library->Module(), nullptr);
    ASSERT_EQ(FindResourceA(m_library->Module(), MAKEINTRESOURCEA(1), "TYPELIB"), nullptr);

    EXPECT_TRUE(FAILED(Register()));  // neither the resource nor the file
    EXPECT_FALSE(ClassesKeyExists(TypeLibKey()));

    ASSERT_TRUE(m_install.Add("Oravane.tlb", "Oravane.tlb"));
    EXPECT_EQ(Register(), S_OK);
    EXPECT_EQ(RegisteredPath(), m_install.Directory() + "Oravane.tlb");
    EXPECT_EQ(Unregister(), S_OK);
    EXPECT_FALSE(ClassesKeyExists(TypeLibKey() + "\\1.0"));
}

TEST_F(OravaneRegistration, RegistrationToolRegistersAndUnregistersIt) {
    m_library.reset();
    m_pagesOpened += 2;
    EXPECT_EQ(RunToEnd("regsvr32 /s \"" + LibraryPath() + "\""), 0u);
    EXPECT_EQ(RegisteredPath(), LibraryPath());
    EXPECT_EQ(RunToEnd("regsvr32 /s /u \"" + LibraryPath() + "\""), 0u);
    EXPECT_FALSE(ClassesKeyExists(TypeLibKey() + "\\1.0"));
}

}  // namespace
