// The Win32 side of Oravane's actions: processes, the shell and OLE
// automation's type library functions.
#pragma once

#include <windows.h>

#include "setuphelper/SetupActions.h"

namespace Oravane {

class CWin32SetupPlatform : public ISetupPlatform {
public:
    explicit CWin32SetupPlatform(HMODULE module) : m_module(module) {}

    std::string ModuleFileName() override;
    NextCharFn CharWalker() const override;
    bool RunAndWait(const std::string& commandLine) override;
    void ShellOpen(const std::string& file, const std::string& parameters,
                   int showCommand) override;
    std::unique_ptr<ITypeLibrary> LoadTypeLibrary(const std::string& path,
                                                  HResult& result) override;

private:
    HMODULE m_module;
};

}  // namespace Oravane
