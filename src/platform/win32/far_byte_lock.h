#pragma once

#include <windows.h>

namespace davev {

enum class FarByteLock {
    Taken,
    Busy,   // another handle holds it
    Failed, // the file system takes no locks, or the handle none
};

// A lock on one byte at 2^62, which no file reaches, taken without waiting.
// Windows locks keep other handles from reading or writing the bytes they
// cover: a lock on the data itself would keep even the same program, through
// another handle, from reading a file it appends to itself.
FarByteLock lockFarByte(HANDLE file, bool exclusive);
void unlockFarByte(HANDLE file);

} // namespace davev
