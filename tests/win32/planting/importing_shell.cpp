// The control: a program that imports SHELL32 at load time, as DA-VEV.exe
// once did, so the loader resolves the shell's dependencies before main.
#include <shlobj.h>
#include <windows.h>

int main()
{
    wchar_t* folder = nullptr;
    SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder);
    CoTaskMemFree(folder);
    return 0;
}
