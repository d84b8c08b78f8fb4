#include "interpreter/posix/batch_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

#include "platform/posix/file_io.h"
#include "platform/posix/errno_text.h"

namespace davev::cmd {

namespace {

// Runner files hold two lines; anything this big was not written by the program.
constexpr off_t largestBatchFile = off_t{1} << 20;

// The kernel's extended-attribute form of an access control list
// (<linux/posix_acl_xattr.h>): a version, then tag, permissions, id.
constexpr std::uint32_t aclVersion = 2;
constexpr std::uint16_t aclUser = 0x02;
constexpr std::uint16_t aclGroupOwner = 0x04;
constexpr std::uint16_t aclGroup = 0x08;
constexpr std::uint16_t aclMask = 0x10;
constexpr std::uint16_t aclWrite = 0x02;

struct AclEntry {
    std::uint16_t tag;
    std::uint16_t permissions;
    std::uint32_t id;
};

std::uint32_t littleEndian(const unsigned char* bytes, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

// The kernel's largest extended attribute, so no list is too long to read.
constexpr std::size_t largestAttribute = 65536;

// The access entries of the file's list: empty when it has none beyond its
// mode bits, nothing when it cannot be read.
std::optional<std::vector<AclEntry>> accessControlList(int fd)
{
    std::vector<unsigned char> buffer(largestAttribute);
    const ssize_t size = fgetxattr(fd, "system.posix_acl_access", buffer.data(), buffer.size());
    std::vector<AclEntry> entries;
    if (size < 0 && (errno == ENODATA || errno == ENOTSUP))
        return entries;
    if (size < 4 || littleEndian(buffer.data(), 4) != aclVersion)
        return std::nullopt;
    for (ssize_t at = 4; at + 8 <= size; at += 8) {
        const unsigned char* entry = buffer.data() + at;
        entries.push_back(AclEntry{static_cast<std::uint16_t>(littleEndian(entry, 2)),
                                   static_cast<std::uint16_t>(littleEndian(entry + 2, 2)), littleEndian(entry + 4, 4)});
    }
    return entries;
}

std::string userName(uid_t uid)
{
    const passwd* user = getpwuid(uid);
    return "user " + std::to_string(uid) + (user ? " (" + std::string(user->pw_name) + ")" : std::string());
}

std::string groupName(gid_t gid)
{
    const group* entry = getgrgid(gid);
    return "group " + std::to_string(gid) + (entry ? " (" + std::string(entry->gr_name) + ")" : std::string());
}

// A user private group: named after its owner, the owner's primary group,
// with no other member. Debian gives every user one and a umask of 002, so
// the user's own files are group-writable without anyone else gaining.
bool isPrivateGroupOf(gid_t gid, uid_t owner)
{
    const passwd* user = getpwuid(owner);
    if (!user || user->pw_gid != gid)
        return false;
    const std::string name = user->pw_name;
    const group* entry = getgrgid(gid);
    if (!entry || name != entry->gr_name)
        return false;
    for (char** member = entry->gr_mem; member && *member; ++member) {
        if (name != *member)
            return false;
    }
    return true;
}

// Who besides the owner may write the file, or nothing.
std::optional<std::string> otherWriter(int fd, const struct stat& info)
{
    if ((info.st_mode & S_IWOTH) != 0)
        return std::string("every user may write it");
    const std::optional<std::vector<AclEntry>> list = accessControlList(fd);
    if (!list)
        return std::string("an access control list that cannot be read may let others write it");
    const std::vector<AclEntry>& acl = *list;
    std::uint16_t mask = 0x07;
    for (const AclEntry& entry : acl) {
        if (entry.tag == aclMask)
            mask = entry.permissions;
    }
    for (const AclEntry& entry : acl) {
        if ((entry.permissions & mask & aclWrite) == 0)
            continue;
        if (entry.tag == aclUser && entry.id != info.st_uid)
            return "its access control list lets " + userName(entry.id) + " write it";
        if (entry.tag == aclGroup)
            return "its access control list lets " + groupName(entry.id) + " write it";
        if (entry.tag == aclGroupOwner && !isPrivateGroupOf(info.st_gid, info.st_uid))
            return "its access control list lets its " + groupName(info.st_gid) + " write it";
    }
    if (acl.empty() && (info.st_mode & S_IWGRP) != 0 && !isPrivateGroupOf(info.st_gid, info.st_uid))
        return "its " + groupName(info.st_gid) + " may write it";
    return std::nullopt;
}

} // namespace

std::optional<std::string> readRunnerBatchFile(const std::string& path, std::string& content)
{
    const std::string refusal = "refusing to run \"" + path + "\": ";
    // O_NONBLOCK keeps a FIFO planted under the name from stalling the open.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return "cannot read \"" + path + "\": " + errnoText(errno);
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        return "cannot read \"" + path + "\": " + errnoText(errno);
    if (!S_ISREG(info.st_mode))
        return refusal + "it is not a regular file";
    if (info.st_uid != geteuid())
        return refusal + "it belongs to another user (uid " + std::to_string(info.st_uid) +
               "), who could make it copy your files anywhere";
    if (const auto writer = otherWriter(fd.get(), info))
        return refusal + *writer + ", so they could make it copy your files anywhere";
    if (info.st_size > largestBatchFile)
        return refusal + "it is too large for a runner batch file";

    content.assign(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = read(fd.get(), content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return "cannot read \"" + path + "\": " + errnoText(errno);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    content.resize(done);
    return std::nullopt;
}

} // namespace davev::cmd
