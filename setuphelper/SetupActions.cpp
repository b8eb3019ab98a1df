#include "setuphelper/SetupActions.h"

#include <utility>

namespace Oravane {

const char kOpenVerb[] = "Open";
const char kRuntimePackage[] = "vcredist_x86.exe";
const char kQuietInstallSwitch[] = " /q";
const char kQuietUninstallParameters[] = "/qu";
const char kRegistrationTool[] = "regsvr32";
const char kSilentUnregisterPrefix[] = "/s /u \"";
const char kSiblingLibrary[] = "Lumarin.dll";
const char kTypeLibExtension[] = ".tlb";
const char kInstallPage[] = "https://www.quorvel.com/vantorix/setup/welcome";
const char kUninstallPage[] = "https://www.quorvel.com/vantorix/setup/farewell";

namespace {

constexpr char kQuote = '"';

// Walks a NUL-terminated text character by character and returns the offset
// just past the last character for which `isSeparator` holds (0 when none).
template <typename Predicate>
std::size_t OffsetAfterLast(const std::string& text, NextCharFn next, Predicate isSeparator) {
    std::size_t after = 0;
    const char* begin = text.c_str();
    for (const char* p = begin; *p != '\0';) {
        const char* q = next(p);
        if (q <= p) {  // a walker that does not move would never end
            q = p + 1;
        }
        if (isSeparator(*p)) {
            after = static_cast<std::size_t>(q - begin);
        }
        p = q;
    }
    return after;
}

std::string Quoted(std::string_view directory, std::string_view file) {
    std::string text;
    text.reserve(directory.size() + file.size() + 2);
    text += kQuote;
    text += directory;
    text += file;
    text += kQuote;
    return text;
}

}  // namespace

const char* NextByte(const char* p) {
    return *p == '\0' ? p : p + 1;
}

std::string ModuleDirectory(std::string_view modulePath, NextCharFn next) {
    const std::string path(modulePath);
    return path.substr(0, OffsetAfterLast(path, next, [](char c) { return c == '\\'; }));
}

std::optional<std::string> JoinCommandLine(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) {
        text += part;
    }
    if (text.size() + 1 > kCommandLineSize) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> RuntimeInstallCommandLine(std::string_view directory) {
    return JoinCommandLine({Quoted(directory, kRuntimePackage), kQuietInstallSwitch});
}

std::optional<std::string> QuotedRuntimePackage(std::string_view directory) {
    return JoinCommandLine({Quoted(directory, kRuntimePackage)});
}

std::optional<std::string> SiblingUnregisterParameters(std::string_view directory) {
    return JoinCommandLine(
        {kSilentUnregisterPrefix, directory, kSiblingLibrary, std::string_view(&kQuote, 1)});
}

std::optional<std::string> TypeLibFallbackPath(std::string_view path, NextCharFn next) {
    std::string text(path);
    const std::size_t nameStart =
        OffsetAfterLast(text, next, [](char c) { return c == '\\' || c == '/' || c == ':'; });
    const std::size_t afterPeriod = OffsetAfterLast(text, next, [](char c) { return c == '.'; });
    if (afterPeriod > nameStart) {
        text.resize(afterPeriod - 1);
    }
    text += kTypeLibExtension;
    if (text.size() + 1 > kMaxPath) {
        return std::nullopt;
    }
    return text;
}

std::string HelpDirectory(std::string_view path, NextCharFn next) {
    const std::string text(path);
    return text.substr(
        0, OffsetAfterLast(text, next, [](char c) { return c == '\\' || c == '/' || c == ':'; }));
}

LoadedTypeLibrary LoadOwnTypeLibrary(ISetupPlatform& platform) {
    LoadedTypeLibrary loaded;
    const std::string modulePath = platform.ModuleFileName();
    if (modulePath.empty()) {
        loaded.result = kEFail;
        return loaded;
    }
    loaded.library = platform.LoadTypeLibrary(modulePath, loaded.result);
    if (loaded.library) {
        loaded.path = modulePath;
        return loaded;
    }
    const std::optional<std::string> fallback =
        TypeLibFallbackPath(modulePath, platform.CharWalker());
    if (!fallback) {
        return loaded;  // with the failure of the first attempt
    }
    loaded.library = platform.LoadTypeLibrary(*fallback, loaded.result);
    if (loaded.library) {
        loaded.path = *fallback;
    }
    return loaded;
}

HResult RegisterOwnTypeLibrary(ISetupPlatform& platform) {
    LoadedTypeLibrary loaded = LoadOwnTypeLibrary(platform);
    if (!loaded.library) {
        return loaded.result;
    }
    return loaded.library->Register(loaded.path, HelpDirectory(loaded.path, platform.CharWalker()));
}

void UnregisterOwnTypeLibrary(ISetupPlatform& platform) {
    LoadedTypeLibrary loaded = LoadOwnTypeLibrary(platform);
    if (loaded.library) {
        loaded.library->Unregister();
    }
}

HResult RegisterServer(ISetupPlatform& platform) {
    // Without its directory the package would be looked for on the search
    // path, where any file of that name would run: skip it then.
    const std::string directory = ModuleDirectory(platform.ModuleFileName(), platform.CharWalker());
    if (!directory.empty()) {
        if (std::optional<std::string> commandLine = RuntimeInstallCommandLine(directory)) {
            platform.RunAndWait(*commandLine);  // a package that does not start is skipped
        }
    }
    platform.ShellOpen(kInstallPage, std::string(), kShowMaximized);
    return RegisterOwnTypeLibrary(platform);
}

HResult UnregisterServer(ISetupPlatform& platform) {
    const std::string directory = ModuleDirectory(platform.ModuleFileName(), platform.CharWalker());
    if (!directory.empty()) {
        if (std::optional<std::string> parameters = SiblingUnregisterParameters(directory)) {
            platform.ShellOpen(kRegistrationTool, *parameters, kShowNormal);
        }
        if (std::optional<std::string> package = QuotedRuntimePackage(directory)) {
            platform.ShellOpen(*package, kQuietUninstallParameters, kShow);
        }
    }
    platform.ShellOpen(kUninstallPage, std::string(), kShowMaximized);
    UnregisterOwnTypeLibrary(platform);
    return kSOk;
}

}  // namespace Oravane
