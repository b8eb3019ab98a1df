#include "setuphelper/SetupActions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Oravane {
namespace {

constexpr HResult kTypeLibLoadFailure =
    static_cast<HResult>(0x80029C4Au);                                   // TYPE_E_CANTLOADLIBRARY
constexpr HResult kRegistryFailure = static_cast<HResult>(0x8002801Cu);  // TYPE_E_REGISTRYACCESS

// A double-byte code page walker: 0x81-0x9F and 0xE0-0xFC lead two-byte
// characters, whose second byte may be a backslash (as in code page 932).
const char* NextDoubleByte(const char* p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == 0) {
        return p;
    }
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return (lead && p[1] != '\0') ? p + 2 : p + 1;
}

struct DirectoryCase {
    const char* name;
    std::string modulePath;
    NextCharFn walker;
    std::string directory;
};

class ModuleDirectoryTest : public testing::TestWithParam<DirectoryCase> {};

TEST_P(ModuleDirectoryTest, CutsAfterTheLastBackslash) {
    const DirectoryCase& c = GetParam();
    EXPECT_EQ(ModuleDirectory(c.modulePath, c.walker), c.directory);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ModuleDirectoryTest,
    testing::Values(DirectoryCase{"Installed", "C:\\Apps\\Tool\\Oravane.dll", NextByte,
                                  "C:\\Apps\\Tool\\"},
                    DirectoryCase{"NoBackslash", "Oravane.dll", NextByte, ""},
                    DirectoryCase{"ForwardSlashIsNoSeparator", "C:/Apps/Oravane.dll", NextByte, ""},
                    // 0x95 0x5C is one character of code page 932, not a backslash.
                    DirectoryCase{"TrailByteIsNoBackslash", "C:\\Apps\x95\\Oravane.dll",
                                  NextDoubleByte, "C:\\"},
                    DirectoryCase{"SingleByteSeesTheTrailByte", "C:\\Apps\x95\\Oravane.dll",
                                  NextByte, "C:\\Apps\x95\\"}),
    [](const testing::TestParamInfo<DirectoryCase>& info) { return info.param.name; });

// Each text must fit 263 characters and a terminator; one more character in
// the directory must refuse the text rather than cut it.
struct LimitCase {
    const char* name;
    std::optional<std::string> (*build)(std::string_view);
    std::size_t longestDirectory;
};

class CommandLineLimitTest : public testing::TestWithParam<LimitCase> {};

TEST_P(CommandLineLimitTest, RefusesWhatDoesNotFitTheBuffer) {
    const LimitCase& c = GetParam();
    const std::string fits = "C:\\" + std::string(c.longestDirectory - 4, 'd') + "\\";
    ASSERT_EQ(fits.size(), c.longestDirectory);
    const std::optional<std::string> text = c.build(fits);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), kCommandLineSize - 1);
    EXPECT_FALSE(c.build("C:\\d" + fits.substr(3)).has_value());
}

INSTANTIATE_TEST_SUITE_P(Texts, CommandLineLimitTest,
                         testing::Values(LimitCase{"Install", RuntimeInstallCommandLine, 242},
                                         LimitCase{"Package", QuotedRuntimePackage, 245},
                                         LimitCase{"Sibling", SiblingUnregisterParameters, 244}),
                         [](const testing::TestParamInfo<LimitCase>& info) {
                             return info.param.name;
                         });

struct TlbCase {
    const char* name;
    std::string path;
    std::optional<std::string> fallback;
};

class TypeLibFallbackPathTest : public testing::TestWithParam<TlbCase> {};

TEST_P(TypeLibFallbackPathTest, ReplacesTheExtension) {
    EXPECT_EQ(TypeLibFallbackPath(GetParam().path), GetParam().fallback);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, TypeLibFallbackPathTest,
    testing::Values(TlbCase{"Extension", "C:\\Apps\\Oravane.dll", "C:\\Apps\\Oravane.tlb"},
                    TlbCase{"LastPeriodOnly", "C:\\Apps\\Oravane.1.dll", "C:\\Apps\\Oravane.1.tlb"},
                    TlbCase{"NoExtension", "C:\\Apps\\Oravane", "C:\\Apps\\Oravane.tlb"},
                    TlbCase{"PeriodInDirectoryOnly", "C:\\My.Apps\\Oravane",
                            "C:\\My.Apps\\Oravane.tlb"},
                    TlbCase{"PeriodBeforeSlash", "C:/My.Apps/Oravane", "C:/My.Apps/Oravane.tlb"},
                    TlbCase{"FitsMaxPath", "C:\\" + std::string(252, 'x') + ".dll",
                            "C:\\" + std::string(252, 'x') + ".tlb"},
                    TlbCase{"TooLongForMaxPath", "C:\\" + std::string(256, 'x'), std::nullopt}),
    [](const testing::TestParamInfo<TlbCase>& info) { return info.param.name; });

TEST(HelpDirectoryTest, CutsAfterSlashColonOrBackslash) {
    EXPECT_EQ(HelpDirectory("C:\\Apps\\Tool\\Oravane.dll"), "C:\\Apps\\Tool\\");
    EXPECT_EQ(HelpDirectory("C:/Apps/Oravane.tlb"), "C:/Apps/");
    EXPECT_EQ(HelpDirectory("C:Oravane.tlb"), "C:");
    EXPECT_EQ(HelpDirectory("Oravane.tlb"), "");
    EXPECT_EQ(HelpDirectory("C:\\Apps\x95\\Oravane.dll", NextDoubleByte), "C:\\");
}

// Records every platform call as one line, in order.
class FakePlatform : public ISetupPlatform {
public:
    std::string modulePath = "C:\\Apps\\Tool\\Oravane.dll";
    bool runtimeStarts = true;
    // Paths from which LoadTypeLibrary succeeds; others fail with loadFailure.
    std::vector<std::string> loadablePaths{"C:\\Apps\\Tool\\Oravane.dll"};
    HResult loadFailure = kTypeLibLoadFailure;
    HResult registerResult = kSOk;
    std::vector<std::string> calls;

    std::string ModuleFileName() override { return modulePath; }

    bool RunAndWait(const std::string& commandLine) override {
        calls.push_back("run " + commandLine);
        return runtimeStarts;
    }

    void ShellOpen(const std::string& file, const std::string& parameters,
                   int showCommand) override {
        calls.push_back("open " + file + " [" + parameters + "] " + std::to_string(showCommand));
    }

    std::unique_ptr<ITypeLibrary> LoadTypeLibrary(const std::string& path,
                                                  HResult& result) override {
        calls.push_back("load " + path);
        for (const std::string& loadable : loadablePaths) {
            if (loadable == path) {
                result = kSOk;
                return std::make_unique<Library>(*this);
            }
        }
        result = loadFailure;
        return nullptr;
    }

private:
    class Library : public ITypeLibrary {
    public:
        explicit Library(FakePlatform& platform) : m_platform(platform) {}
        ~Library() override { m_platform.calls.push_back("release"); }
        HResult Register(const std::string& path, const std::string& helpDirectory) override {
            m_platform.calls.push_back("register " + path + " help " + helpDirectory);
            return m_platform.registerResult;
        }
        void Unregister() override { m_platform.calls.push_back("unregister"); }

    private:
        FakePlatform& m_platform;
    };
};

const std::string kInstallOpen = std::string("open ") + kInstallPage + " [] 3";
const std::string kUninstallOpen = std::string("open ") + kUninstallPage + " [] 3";

TEST(RegisterServerTest, RunsThePackageThenOpensThePageThenRegisters) {
    FakePlatform platform;
    platform.registerResult = kRegistryFailure;
    EXPECT_EQ(RegisterServer(platform), kRegistryFailure);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{
                                  "run \"C:\\Apps\\Tool\\vcredist_x86.exe\" /q",
                                  kInstallOpen,
                                  "load C:\\Apps\\Tool\\Oravane.dll",
                                  "register C:\\Apps\\Tool\\Oravane.dll help C:\\Apps\\Tool\\",
                                  "release",
                              }));
}

TEST(RegisterServerTest, GoesOnWhenThePackageDoesNotStart) {
    FakePlatform platform;
    platform.runtimeStarts = false;
    EXPECT_EQ(RegisterServer(platform), kSOk);
    ASSERT_EQ(platform.calls.size(), 5u);
    EXPECT_EQ(platform.calls[1], kInstallOpen);
    EXPECT_EQ(platform.calls[3].rfind("register ", 0), 0u);
}

TEST(RegisterServerTest, FallsBackToTheTlbFileBesideTheLibrary) {
    FakePlatform platform;
    platform.loadablePaths = {"C:\\Apps\\Tool\\Oravane.tlb"};
    EXPECT_EQ(RegisterServer(platform), kSOk);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{
                                  "run \"C:\\Apps\\Tool\\vcredist_x86.exe\" /q",
                                  kInstallOpen,
                                  "load C:\\Apps\\Tool\\Oravane.dll",
                                  "load C:\\Apps\\Tool\\Oravane.tlb",
                                  "register C:\\Apps\\Tool\\Oravane.tlb help C:\\Apps\\Tool\\",
                                  "release",
                              }));
}

TEST(RegisterServerTest, ReturnsTheLoadFailureWhenNoTypeLibraryLoads) {
    FakePlatform platform;
    platform.loadablePaths.clear();
    EXPECT_EQ(RegisterServer(platform), kTypeLibLoadFailure);
    EXPECT_EQ(platform.calls.back(), "load C:\\Apps\\Tool\\Oravane.tlb");
}

TEST(RegisterServerTest, WithoutTheModulePathStartsNothingFromTheSearchPath) {
    FakePlatform platform;
    platform.modulePath.clear();  // GetModuleFileNameA failed or cut the path
    EXPECT_EQ(RegisterServer(platform), kEFail);
    EXPECT_EQ(platform.calls, std::vector<std::string>{kInstallOpen});
}

TEST(RegisterServerTest, ADirectoryTooLongForTheCommandLineSkipsThePackage) {
    FakePlatform platform;
    const std::string dir = "C:\\" + std::string(240, 'd') + "\\";
    platform.modulePath = dir + "Oravane.dll";
    platform.loadablePaths = {platform.modulePath};
    EXPECT_EQ(RegisterServer(platform), kSOk);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{
                                  kInstallOpen,
                                  "load " + platform.modulePath,
                                  "register " + platform.modulePath + " help " + dir,
                                  "release",
                              }));
}

TEST(UnregisterServerTest, RunsTheCleanUpActionsInOrder) {
    FakePlatform platform;
    EXPECT_EQ(UnregisterServer(platform), kSOk);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{
                                  "open regsvr32 [/s /u \"C:\\Apps\\Tool\\Lumarin.dll\"] 1",
                                  "open \"C:\\Apps\\Tool\\vcredist_x86.exe\" [/qu] 5",
                                  kUninstallOpen,
                                  "load C:\\Apps\\Tool\\Oravane.dll",
                                  "unregister",
                                  "release",
                              }));
}

TEST(UnregisterServerTest, SucceedsWhenNoTypeLibraryLoads) {
    FakePlatform platform;
    platform.loadablePaths.clear();
    EXPECT_EQ(UnregisterServer(platform), kSOk);
    EXPECT_EQ(platform.calls.back(), "load C:\\Apps\\Tool\\Oravane.tlb");
}

TEST(UnregisterServerTest, WithoutTheModulePathOnlyOpensThePage) {
    FakePlatform platform;
    platform.modulePath.clear();
    EXPECT_EQ(UnregisterServer(platform), kSOk);
    EXPECT_EQ(platform.calls, std::vector<std::string>{kUninstallOpen});
}

TEST(UnregisterServerTest, SkipsOnlyTheTextsThatDoNotFit) {
    // 245 characters: the package's quoted path fits (263), the sibling's
    // parameters do not (264).
    FakePlatform platform;
    const std::string dir = "C:\\" + std::string(241, 'd') + "\\";
    platform.modulePath = dir + "Oravane.dll";
    platform.loadablePaths = {platform.modulePath};
    EXPECT_EQ(UnregisterServer(platform), kSOk);
    ASSERT_EQ(platform.calls.size(), 5u);
    EXPECT_EQ(platform.calls[0], "open \"" + dir + "vcredist_x86.exe\" [/qu] 5");
    EXPECT_EQ(platform.calls[1], kUninstallOpen);
}

}  // namespace
}  // namespace Oravane
