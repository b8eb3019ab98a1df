// Oravane.dll itself, loaded and registered under wine: what the Win32
// platform really starts, waits for and writes when the library is registered
// and unregistered (the order and texts of the actions are SetupActionsTest's;
// the exports are checked by scripts/test-windows.sh). Each test installs the
// library in a scratch directory whose name has a blank, with probes standing
// in for the runtime package, Lumarin.dll and the web browser (ProbeLog.h).
#include <initguid.h>
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "OravaneIdl.h"
#include "ProbeLog.h"
#include "setuphelper/SetupActions.h"

namespace {

namespace fs = std::filesystem;
using ServerFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);

std::string BinDirectory() {
    return OravaneProbe::DirectoryOf(OravaneProbe::ModulePath(nullptr));
}

std::string GuidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return std::string(text, text + wcslen(text));  // a GUID's text is ASCII
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
        // wine reuses process ids: the tick count keeps the name new.
        const fs::path path =
            fs::temp_directory_path() / ("Oravane Test " + std::to_string(GetCurrentProcessId()) +
                                         "-" + std::to_string(GetTickCount64()));
        fs::create_directory(path);
        m_directory = path.string() + "\\";
    }
    ~ScratchInstall() {
        std::error_code ignored;
        fs::remove_all(m_directory, ignored);
    }
    ScratchInstall(const ScratchInstall&) = delete;
    ScratchInstall& operator=(const ScratchInstall&) = delete;

    const std::string& Directory() const { return m_directory; }

    // Copies a file of the build beside the test program into the directory.
    bool Add(const std::string& builtName, const std::string& installedName) const {
        std::error_code error;
        return fs::copy_file(BinDirectory() + builtName, m_directory + installedName,
                             fs::copy_options::overwrite_existing, error);
    }

    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        std::ifstream file(m_directory + "probe.log", std::ios::binary);
        for (std::string line; std::getline(file, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
                lines.push_back(line);  // a line without its end is still being written
            }
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

TEST_F(OravaneDll, ServesNoClassObjectAndCanAlwaysUnload) {
    EXPECT_EQ(m_library->Export<ServerFn>("DllCanUnloadNow")(), S_OK);
    const auto getClassObject = m_library->Export<GetClassObjectFn>("DllGetClassObject");
    void* object = &object;  // anything but null
    EXPECT_EQ(getClassObject(LIBID_ORAVANELib, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(getClassObject(LIBID_ORAVANELib, IID_IClassFactory, nullptr), E_POINTER);
}

// Installers find self-registering libraries by this mark.
TEST_F(OravaneDll, VersionBlockMarksItSelfRegistering) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(LibraryPath().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(LibraryPath().c_str(), 0, size, block.data()));
    void* value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\OLESelfRegister", &value,
                               &length));
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

    std::optional<std::string> m_savedBrowser;
    long m_pagesOpened = 0;
};

TEST_F(OravaneRegistration, RegisteringWaitsForThePackageAndUnregisteringStartsTheCleanUp) {
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

    const std::size_t before = log.size();
    EXPECT_EQ(Unregister(), S_OK);
    EXPECT_FALSE(ClassesValue(TypeLibKey() + "\\1.0").has_value());
    // Nothing is waited for: the three may log in any order.
    log = m_install.WaitForLog([&](const auto& lines) { return lines.size() >= before + 3; });
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

// A bare library without neighbours: the package and the sibling are skipped.
TEST_F(OravaneRegistration, RegistrationToolRegistersAndUnregistersIt) {
    m_library.reset();
    m_pagesOpened += 2;
    EXPECT_EQ(RunToEnd("regsvr32 /s \"" + LibraryPath() + "\""), 0u);
    EXPECT_EQ(RegisteredPath(), LibraryPath());
    EXPECT_EQ(RunToEnd("regsvr32 /s /u \"" + LibraryPath() + "\""), 0u);
    EXPECT_FALSE(ClassesValue(TypeLibKey() + "\\1.0").has_value());
}

}  // namespace
