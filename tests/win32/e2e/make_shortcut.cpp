// make_shortcut LINK TARGET [START_IN]: saves at LINK a shortcut to the
// program TARGET that starts it in the folder START_IN, as Explorer's
// "Create shortcut" does with the shortcut's "Start in" field filled in.
#include <cstdio>
#include <cwchar>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3 || argc > 4) {
        std::fputws(L"usage: make_shortcut LINK TARGET [START_IN]\n", stderr);
        return 2;
    }
    HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(result))
        result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(result))
        result = link->SetPath(argv[2]);
    if (SUCCEEDED(result) && argc == 4)
        result = link->SetWorkingDirectory(argv[3]);
    if (SUCCEEDED(result))
        result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result))
        result = file->Save(argv[1], TRUE);
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    if (FAILED(result)) {
        std::fwprintf(stderr, L"make_shortcut: failed with 0x%08lX\n", static_cast<unsigned long>(result));
        return 1;
    }
    return 0;
}
