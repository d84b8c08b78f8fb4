#include "memory_import_files.h"

#include <algorithm>

namespace davev::fuzz {

namespace {

cmd::FileError injected()
{
    return cmd::FileError{"injected failure", false};
}

} // namespace

std::uint64_t MemoryImportFiles::lengthOf(std::uint64_t id) const
{
    for (const auto& [name, fileId] : ids_) {
        if (fileId == id && files.contains(name))
            return files.at(name).size();
    }
    return 0;
}

bool MemoryImportFiles::failsNow()
{
    return operations_++ == failingOperation;
}

std::size_t MemoryImportFiles::locksHeld() const
{
    return static_cast<std::size_t>(std::count_if(handles_.begin(), handles_.end(), [](const auto& entry) {
        return entry.second.exclusive || entry.second.shared;
    }));
}

std::uint64_t MemoryImportFiles::idOf(const std::string& name)
{
    return ids_.emplace(name, ids_.size() + 1).first->second;
}

std::string* MemoryImportFiles::contentOf(int handle)
{
    if (handle == 0)
        return &standardOutputText;
    const auto found = handles_.find(handle);
    if (found == handles_.end())
        return nullptr;
    if (found->second.name.empty())
        return &nullDevice_;
    return &files[found->second.name];
}

cmd::OpenFile MemoryImportFiles::describe(int handle, const std::string& name, bool regular)
{
    return cmd::OpenFile{handle, cmd::FileIdentity{1, regular ? idOf(name) : 0}, regular,
                         regular ? files[name].size() : 0};
}

cmd::FileResult MemoryImportFiles::openSource(const std::string& name, cmd::OpenFile& file)
{
    if (failsNow() || !files.contains(name))
        return cmd::FileError{"No such file or directory", false};
    const int handle = nextHandle_++;
    handles_[handle] = Handle{name};
    file = describe(handle, name, true);
    return std::nullopt;
}

cmd::FileResult MemoryImportFiles::openTarget(const std::string& name, cmd::OpenFile& file)
{
    if (failsNow() || name.empty())
        return injected();
    const bool nullDevice = name == "nul";
    const int handle = nextHandle_++;
    handles_[handle] = Handle{nullDevice ? std::string() : name};
    if (!nullDevice)
        files.try_emplace(name);
    file = describe(handle, name, !nullDevice);
    return std::nullopt;
}

void MemoryImportFiles::close(int handle)
{
    handles_.erase(handle);
}

cmd::LockAttempt MemoryImportFiles::tryLock(int handle, cmd::LockMode mode)
{
    Handle& self = handles_.at(handle);
    if (failsNow())
        return cmd::LockAttempt::Busy;
    for (const auto& [other, held] : handles_) {
        if (other == handle || held.name != self.name)
            continue;
        if (held.exclusive || (held.shared && mode == cmd::LockMode::Exclusive))
            return cmd::LockAttempt::Busy;
    }
    (mode == cmd::LockMode::Exclusive ? self.exclusive : self.shared) = true;
    return cmd::LockAttempt::Taken;
}

void MemoryImportFiles::unlock(int handle)
{
    Handle& self = handles_.at(handle);
    self.exclusive = self.shared = false;
}

cmd::FileResult MemoryImportFiles::length(int handle, std::uint64_t& length)
{
    if (failsNow())
        return injected();
    length = contentOf(handle)->size();
    return std::nullopt;
}

cmd::FileResult MemoryImportFiles::truncate(int handle, std::uint64_t length)
{
    if (failsNow()) {
        cutBackFailed = true;
        return injected();
    }
    contentOf(handle)->resize(length);
    return std::nullopt;
}

cmd::FileResult MemoryImportFiles::flush(int)
{
    if (failsNow()) {
        cutBackFailed = true;
        return injected();
    }
    return std::nullopt;
}

cmd::FileResult MemoryImportFiles::copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset,
                                        std::uint64_t length, std::uint64_t& copied)
{
    copied = 0;
    if (failsNow())
        return injected();
    const std::string* source = contentOf(in);
    if (inOffset >= source->size())
        return std::nullopt;
    const std::string piece = source->substr(inOffset, std::min(length, copyStep));
    copied = place(out, outOffset, piece);
    inOffset += copied;
    return std::nullopt;
}

cmd::FileResult MemoryImportFiles::write(int out, std::uint64_t* outOffset, std::string_view bytes,
                                         std::uint64_t& written)
{
    written = 0;
    if (failsNow())
        return injected();
    written = place(out, outOffset, bytes);
    return std::nullopt;
}

std::uint64_t MemoryImportFiles::place(int out, std::uint64_t* outOffset, std::string_view bytes)
{
    std::string* target = contentOf(out);
    if (outOffset) {
        if (target->size() < *outOffset + bytes.size())
            target->resize(*outOffset + bytes.size());
        target->replace(*outOffset, bytes.size(), bytes);
        *outOffset += bytes.size();
    } else {
        target->append(bytes);
    }
    return bytes.size();
}

cmd::FileResult MemoryImportFiles::writeJournal(const std::string&, const cmd::OpenFile& target,
                                                std::string_view record)
{
    if (failsNow())
        return injected();
    journals[target.identity.file] = record;
    return std::nullopt;
}

std::optional<std::string> MemoryImportFiles::readJournal(const std::string&, const cmd::OpenFile& target)
{
    const auto found = journals.find(target.identity.file);
    if (found == journals.end())
        return std::nullopt;
    return found->second;
}

cmd::FileResult MemoryImportFiles::removeJournal(const std::string&, const cmd::OpenFile& target)
{
    if (failsNow())
        return injected();
    journals.erase(target.identity.file);
    return std::nullopt;
}

} // namespace davev::fuzz
