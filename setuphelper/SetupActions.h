// Oravane's set-up and clean-up actions. The decisions (which program runs
// with which command line, in which order, and where the type library is
// looked for) live here, apart from the Win32 calls that carry them out, so
// that they build and are tested on any platform. CWin32SetupPlatform.h carries
// them out on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace Oravane {

using HResult = std::int32_t;
constexpr HResult kSOk = 0;
constexpr HResult kEFail = static_cast<HResult>(0x80004005u);

// Paths hold at most MAX_PATH characters, the terminator included, and
// command lines are built in buffers of 264 characters, terminator included.
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kCommandLineSize = 264;

// ShellExecute show commands.
constexpr int kShowNormal = 1;     // SW_SHOWNORMAL
constexpr int kShowMaximized = 3;  // SW_SHOWMAXIMIZED
constexpr int kShow = 5;           // SW_SHOW

extern const char kOpenVerb[];
extern const char kRuntimePackage[];
extern const char kQuietInstallSwitch[];
extern const char kQuietUninstallParameters[];
extern const char kRegistrationTool[];
extern const char kSilentUnregisterPrefix[];
extern const char kSiblingLibrary[];
extern const char kTypeLibExtension[];
extern const char kInstallPage[];
extern const char kUninstallPage[];

// Steps from one character of a text in the ANSI code page to the next (on
// Windows CharNextA, which knows the lead bytes of double-byte code pages).
using NextCharFn = const char* (*)(const char*);
const char* NextByte(const char* p);

// The directory of a module path: the path cut after its last backslash, so
// that it ends with one; empty when the path holds no backslash.
std::string ModuleDirectory(std::string_view modulePath, NextCharFn next = NextByte);

// The parts joined into one command-line text, or nothing when the text would
// not fit a command-line buffer: a cut path would name another file.
std::optional<std::string> JoinCommandLine(std::initializer_list<std::string_view> parts);

// "<dir>vcredist_x86.exe" in quotation marks, then " /q".
std::optional<std::string> RuntimeInstallCommandLine(std::string_view directory);
// "<dir>vcredist_x86.exe" in quotation marks.
std::optional<std::string> QuotedRuntimePackage(std::string_view directory);
// /s /u "<dir>Lumarin.dll"
std::optional<std::string> SiblingUnregisterParameters(std::string_view directory);

// The module path with its file extension replaced by ".tlb", or ".tlb"
// appended when the file name has none. Only a period in the file name counts
// (a period in a directory name is not an extension). Nothing when the result
// would not fit MAX_PATH.
std::optional<std::string> TypeLibFallbackPath(std::string_view path, NextCharFn next = NextByte);

// The help directory of a type library path: the path cut after its last
// slash, colon or backslash.
std::string HelpDirectory(std::string_view path, NextCharFn next = NextByte);

// One loaded type library.
class ITypeLibrary {
public:
    virtual ~ITypeLibrary() = default;
    // RegisterTypeLib with the library, its path and its help directory.
    virtual HResult Register(const std::string& path, const std::string& helpDirectory) = 0;
    // Reads the library's attributes and calls UnRegisterTypeLib with them.
    virtual void Unregister() = 0;
};

// The platform calls that the actions use.
class ISetupPlatform {
public:
    virtual ~ISetupPlatform() = default;
    // The full path of the library file; empty when it cannot be had whole.
    virtual std::string ModuleFileName() = 0;
    virtual NextCharFn CharWalker() const { return NextByte; }
    // Starts the command line and waits for the process to end. False when it
    // did not start.
    virtual bool RunAndWait(const std::string& commandLine) = 0;
    // ShellExecute with the verb "Open"; empty parameters are passed as none.
    virtual void ShellOpen(const std::string& file, const std::string& parameters,
                           int showCommand) = 0;
    // LoadTypeLib on the path; null with the failure in `result` when it fails.
    virtual std::unique_ptr<ITypeLibrary> LoadTypeLibrary(const std::string& path,
                                                          HResult& result) = 0;
};

// The library's type library, loaded from the module's own TYPELIB resource
// or else from the .tlb file beside it; `path` is the path that worked.
struct LoadedTypeLibrary {
    std::unique_ptr<ITypeLibrary> library;
    std::string path;
    HResult result = kSOk;
};
LoadedTypeLibrary LoadOwnTypeLibrary(ISetupPlatform& platform);

HResult RegisterOwnTypeLibrary(ISetupPlatform& platform);
void UnregisterOwnTypeLibrary(ISetupPlatform& platform);

// DllRegisterServer: runs the runtime package quietly and waits for it, opens
// the installation page and registers the type library; returns the outcome
// of the type library registration.
HResult RegisterServer(ISetupPlatform& platform);

// DllUnregisterServer: unregisters the sibling library with the registration
// tool, starts the runtime package's quiet uninstallation, opens the
// uninstallation page and unregisters the type library. Always S_OK.
HResult UnregisterServer(ISetupPlatform& platform);

}  // namespace Oravane
