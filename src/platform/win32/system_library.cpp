#include "platform/win32/system_library.h"

namespace davev {

void loadLibrariesFromSystemFolderOnly()
{
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // No DLL from the working directory, whatever asks for one by name.
    SetDllDirectoryW(L"");
}

} // namespace davev
