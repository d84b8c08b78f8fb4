#include "platform/win32/far_byte_lock.h"

namespace davev {
namespace {

OVERLAPPED farByte()
{
    OVERLAPPED position{};
    position.OffsetHigh = 0x40000000;
    return position;
}

} // namespace

FarByteLock lockFarByte(HANDLE file, bool exclusive)
{
    OVERLAPPED position = farByte();
    const DWORD flags = (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | LOCKFILE_FAIL_IMMEDIATELY;
    if (LockFileEx(file, flags, 0, 1, 0, &position))
        return FarByteLock::Taken;
    const DWORD error = GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? FarByteLock::Busy : FarByteLock::Failed;
}

void unlockFarByte(HANDLE file)
{
    OVERLAPPED position = farByte();
    UnlockFileEx(file, 0, 1, 0, &position);
}

} // namespace davev
