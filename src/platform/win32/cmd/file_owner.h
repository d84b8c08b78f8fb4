#pragma once

#include <windows.h>

namespace davev::cmd {

// Whether a file belongs to this user, the administrators, the system or,
// when orOwnerOf is given, the owner of that file. A journal found beside a
// target may cut it back only when it belongs to someone who could cut the
// target back anyway; anyone else's could cut it to a length of their
// choosing. A batch file may run only when it belongs to this user or the
// system's keepers. On a file system without owners (FAT), where anyone may
// write any file, every file passes.
bool ownedByTrustedUser(HANDLE file, HANDLE orOwnerOf = nullptr);

} // namespace davev::cmd
