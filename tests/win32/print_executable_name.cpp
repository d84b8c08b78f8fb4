// Writes the executable name, as the program sees it, to the file named by
// the first argument: run as a renamed copy by the executable name test.

#include <fstream>

#include "platform/win32/module_executable_name.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::ofstream(argv[1], std::ios::binary) << davev::ModuleExecutableName().get();
    return 0;
}
