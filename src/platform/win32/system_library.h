#pragma once

#include <windows.h>

namespace davev {

// From now on, the DLLs this process loads, and theirs, come from the
// system folder only: never from the program's own folder (a Downloads
// folder, where a web page can drop a DLL unasked) nor the working
// directory. Called first thing in main; the program imports at load time
// only DLLs the loader always takes from the system folder.
void loadLibrariesFromSystemFolderOnly();

// A function of a system DLL, loaded from the system folder on first use;
// null when the DLL or the function is missing.
template <class Function> Function* systemFunction(const wchar_t* library, const char* name)
{
    HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module == nullptr ? nullptr
                             : reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace davev
