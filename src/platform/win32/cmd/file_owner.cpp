#include "platform/win32/cmd/file_owner.h"

#include <aclapi.h>
#include <vector>

namespace davev::cmd {
namespace {

struct SecurityDescriptor {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PSID owner = nullptr;
    ~SecurityDescriptor() { LocalFree(descriptor); }
};

// The owner of an open file, nullptr when the file system keeps none; the
// error code when it cannot be read.
DWORD ownerOf(HANDLE file, SecurityDescriptor& security)
{
    return GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &security.owner, nullptr, nullptr, nullptr,
                           &security.descriptor);
}

bool isCurrentUser(PSID sid)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    const bool same = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
                      EqualSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, sid);
    CloseHandle(token);
    return same;
}

} // namespace

bool ownedByTrustedUser(HANDLE file, HANDLE orOwnerOf)
{
    SecurityDescriptor fileSecurity;
    const DWORD error = ownerOf(file, fileSecurity);
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
        (error == ERROR_SUCCESS && fileSecurity.owner == nullptr))
        return true;
    if (error != ERROR_SUCCESS)
        return false;
    const PSID owner = fileSecurity.owner;
    if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid) ||
        isCurrentUser(owner))
        return true;
    SecurityDescriptor otherSecurity;
    return orOwnerOf != nullptr && ownerOf(orOwnerOf, otherSecurity) == ERROR_SUCCESS &&
           otherSecurity.owner != nullptr && EqualSid(owner, otherSecurity.owner);
}

} // namespace davev::cmd
