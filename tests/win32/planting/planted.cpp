// A DLL as a web page could drop into a Downloads folder: once loaded, it
// leaves a file named after itself with ".loaded" beside itself, and fails
// to load, so that nothing calls the functions it lacks.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8] = {};
        if (GetModuleFileNameW(self, path, MAX_PATH) != 0 && lstrcatW(path, L".loaded")) {
            HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (mark != INVALID_HANDLE_VALUE)
                CloseHandle(mark);
        }
        return FALSE;
    }
    return TRUE;
}
