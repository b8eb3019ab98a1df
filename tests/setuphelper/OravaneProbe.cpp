// Stands in for the runtime package and for the web browser: logs the name it
// was started as and its command line. As the runtime package's quiet
// installation it takes a while, and logs "done" when it ends, so that a
// caller that does not wait for it shows.
#include <windows.h>

#include <cstring>
#include <string>

#include "ProbeLog.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    const std::string path = OravaneProbe::ModulePath(nullptr);
    const std::string directory = OravaneProbe::DirectoryOf(path);
    const std::string name = OravaneProbe::FileNameOf(path);
    const std::string commandLine = GetCommandLineA();
    OravaneProbe::AppendLine(directory, name + "|" + commandLine);

    const std::string install = " /q";
    const bool installing =
        commandLine.size() > install.size() &&
        commandLine.compare(commandLine.size() - install.size(), install.size(), install) == 0;
    if (_stricmp(name.c_str(), "vcredist_x86.exe") == 0 && installing) {
        Sleep(1500);
        OravaneProbe::AppendLine(directory, name + "|done");
    }
    return 0;
}
