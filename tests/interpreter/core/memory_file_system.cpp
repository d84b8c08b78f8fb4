#include "memory_file_system.h"

#include <algorithm>

namespace davev::test {

namespace {

cmd::FileError injected()
{
    return cmd::FileError{"injected failure", false};
}

std::string parentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

} // namespace

void MemoryFileSystem::put(const std::string& path, const std::string& content)
{
    putFolder(parentOf(path));
    if (const auto found = names_.find(path); found != names_.end())
        nodes_[found->second].content = content;
    else
        add(path, Node{Kind::File, content, true});
}

void MemoryFileSystem::putFolder(const std::string& path)
{
    if (path == "." || has(path))
        return;
    putFolder(parentOf(path));
    add(path, Node{Kind::Folder, {}, true});
}

void MemoryFileSystem::plant(const std::string& path, Kind kind, bool ours)
{
    putFolder(parentOf(path));
    names_.erase(path);
    add(path, Node{kind, kind == Kind::File ? "planted" : "", ours});
}

void MemoryFileSystem::link(const std::string& existing, const std::string& path)
{
    putFolder(parentOf(path));
    names_[path] = names_.at(existing);
}

const MemoryFileSystem::Node* MemoryFileSystem::at(const std::string& path) const
{
    const auto found = names_.find(path);
    return found == names_.end() ? nullptr : &nodes_.at(found->second);
}

std::string& MemoryFileSystem::content(const std::string& path)
{
    return nodes_.at(names_.at(path)).content;
}

std::size_t MemoryFileSystem::locksHeld() const
{
    return static_cast<std::size_t>(std::count_if(handles_.begin(), handles_.end(), [](const auto& entry) {
        return entry.second.exclusive || entry.second.shared;
    }));
}

bool MemoryFileSystem::failsNow()
{
    return operations_++ == failingOperation;
}

std::string MemoryFileSystem::folderProblem(const std::string& path) const
{
    const std::string folder = parentOf(path);
    if (folder == ".")
        return lockedFolders_.contains(".") ? "Permission denied" : "";
    const Node* node = at(folder);
    if (!node)
        return "No such file or directory";
    if (node->kind != Kind::Folder)
        return "Not a directory";
    if (lockedFolders_.contains(folder))
        return "Permission denied";
    return "";
}

std::uint64_t MemoryFileSystem::add(const std::string& path, Node node)
{
    const std::uint64_t id = nextNode_++;
    nodes_[id] = std::move(node);
    names_[path] = id;
    return id;
}

cmd::OpenFile MemoryFileSystem::describe(int handle, std::uint64_t node)
{
    if (node == 0)
        return cmd::OpenFile{handle, {}, false, 0, 1};
    const auto links =
        std::count_if(names_.begin(), names_.end(), [&](const auto& name) { return name.second == node; });
    return cmd::OpenFile{handle, cmd::FileIdentity{1, node}, true, nodes_.at(node).content.size(),
                         static_cast<std::uint64_t>(links)};
}

cmd::FileResult MemoryFileSystem::openSource(const std::string& name, cmd::OpenFile& file)
{
    const Node* node = at(name);
    if (failsNow() || !node)
        return cmd::FileError{"No such file or directory", false};
    if (node->kind != Kind::File)
        return cmd::FileError{"it is not a regular file", false};
    const int handle = nextHandle_++;
    handles_[handle] = Handle{names_.at(name)};
    file = describe(handle, names_.at(name));
    return std::nullopt;
}

cmd::FileResult MemoryFileSystem::openTarget(const std::string& name, cmd::OpenFile& file)
{
    if (failsNow() || name.empty())
        return injected();
    const int handle = nextHandle_++;
    if (name == "nul") {
        handles_[handle] = Handle{0};
        file = describe(handle, 0);
        return std::nullopt;
    }
    if (!has(name)) {
        if (std::string problem = folderProblem(name); !problem.empty())
            return cmd::FileError{problem, false};
        add(name, Node{});
    }
    if (at(name)->kind != Kind::File)
        return cmd::FileError{"it is not a regular file", false};
    handles_[handle] = Handle{names_.at(name)};
    file = describe(handle, names_.at(name));
    return std::nullopt;
}

void MemoryFileSystem::close(int handle)
{
    handles_.erase(handle);
}

cmd::LockAttempt MemoryFileSystem::tryLock(int handle, cmd::LockMode mode)
{
    Handle& self = handles_.at(handle);
    if (failsNow())
        return cmd::LockAttempt::Busy;
    for (const auto& [other, held] : handles_) {
        if (other == handle || held.node != self.node)
            continue;
        if (held.exclusive || (held.shared && mode == cmd::LockMode::Exclusive))
            return cmd::LockAttempt::Busy;
    }
    (mode == cmd::LockMode::Exclusive ? self.exclusive : self.shared) = true;
    return cmd::LockAttempt::Taken;
}

void MemoryFileSystem::unlock(int handle)
{
    Handle& self = handles_.at(handle);
    self.exclusive = self.shared = false;
}

std::string* MemoryFileSystem::contentOf(int handle)
{
    if (handle == 0)
        return &standardOutputText_;
    const auto found = handles_.find(handle);
    if (found == handles_.end())
        return nullptr;
    return found->second.node == 0 ? &nullDevice_ : &nodes_.at(found->second.node).content;
}

cmd::FileResult MemoryFileSystem::length(int handle, std::uint64_t& length)
{
    if (failsNow())
        return injected();
    length = contentOf(handle)->size();
    return std::nullopt;
}

cmd::FileResult MemoryFileSystem::truncate(int handle, std::uint64_t length)
{
    if (failsNow()) {
        cutBackFailed = true;
        return injected();
    }
    contentOf(handle)->resize(length);
    return std::nullopt;
}

cmd::FileResult MemoryFileSystem::flush(int)
{
    if (failsNow()) {
        cutBackFailed = true;
        return injected();
    }
    return std::nullopt;
}

cmd::FileResult MemoryFileSystem::copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset,
                                       std::uint64_t length, std::uint64_t& copied)
{
    copied = 0;
    if (failsNow())
        return injected();
    const std::string* source = contentOf(in);
    if (inOffset >= source->size())
        return std::nullopt;
    const std::string piece = source->substr(inOffset, std::min(length, copyStep));
    const cmd::FileResult error = place(out, outOffset, piece, copied);
    inOffset += copied;
    return error;
}

cmd::FileResult MemoryFileSystem::write(int out, std::uint64_t* outOffset, std::string_view bytes,
                                        std::uint64_t& written)
{
    written = 0;
    if (failsNow())
        return injected();
    return place(out, outOffset, bytes, written);
}

cmd::FileResult MemoryFileSystem::place(int out, std::uint64_t* outOffset, std::string_view bytes,
                                        std::uint64_t& placed)
{
    placed = 0;
    std::string* target = contentOf(out);
    if (target == &nullDevice_)
        target->clear(); // it keeps nothing
    const std::uint64_t at = outOffset ? *outOffset : target->size();
    const std::uint64_t room = at < diskSize ? diskSize - at : 0;
    if (room == 0 && !bytes.empty())
        return cmd::FileError{"No space left on device", false};
    bytes = bytes.substr(0, room);
    const bool cutOff = written_ + bytes.size() > cutOffAfter;
    if (cutOff)
        bytes = bytes.substr(0, cutOffAfter - written_);
    written_ += bytes.size();
    if (outOffset) {
        if (target->size() < *outOffset + bytes.size())
            target->resize(*outOffset + bytes.size());
        target->replace(*outOffset, bytes.size(), bytes);
        *outOffset += bytes.size();
    } else {
        target->append(bytes);
    }
    if (cutOff)
        throw CutOff{};
    placed = bytes.size();
    return std::nullopt;
}

std::string MemoryFileSystem::folderOf(const std::string& name, const cmd::OpenFile&)
{
    return parentOf(name);
}

std::string MemoryFileSystem::pathIn(const std::string& folder, std::string_view name)
{
    return folder == "." ? std::string(name) : folder + "/" + std::string(name);
}

cmd::FileResult MemoryFileSystem::makeFolder(const std::string& folder)
{
    if (folder == "." || (has(folder) && at(folder)->kind == Kind::Folder))
        return std::nullopt;
    if (auto error = makeFolder(parentOf(folder)))
        return error;
    if (has(folder))
        return cmd::FileError{"Not a directory", false};
    if (std::string problem = folderProblem(folder); !problem.empty())
        return cmd::FileError{problem, false};
    add(folder, Node{Kind::Folder, {}, true});
    return std::nullopt;
}

cmd::SmallFile MemoryFileSystem::readSmallFile(const std::string& path, std::size_t limit)
{
    cmd::SmallFile file;
    const Node* node = at(path);
    if (!node)
        return file;
    file.found = cmd::SmallFile::Found::Other;
    if (node->kind != Kind::File)
        file.problem = node->kind == Kind::Folder ? "a folder" : "a FIFO (named pipe)";
    else if (!node->ours)
        file.problem = "a file of another user";
    else if (node->content.size() > limit)
        file.problem = "a large file";
    else
        file = cmd::SmallFile{cmd::SmallFile::Found::Ours, cmd::FileIdentity{1, names_.at(path)}, node->content, {}};
    return file;
}

cmd::FileResult MemoryFileSystem::replaceSmallFile(const std::string& path, std::string_view bytes,
                                                   cmd::FileIdentity& written)
{
    if (failsNow())
        return injected();
    if (std::string problem = folderProblem(path); !problem.empty())
        return cmd::FileError{problem, false};
    if (const Node* there = at(path); there && there->kind == Kind::Folder)
        return cmd::FileError{"Is a directory", false};
    else if (there && !there->ours) // as in a folder such as /tmp, which all may write
        return cmd::FileError{"Operation not permitted", false};
    written = cmd::FileIdentity{1, add(path, Node{Kind::File, std::string(bytes), true})};
    return std::nullopt;
}

cmd::Removal MemoryFileSystem::removeSmallFile(const std::string& path, const cmd::FileIdentity& expected,
                                               cmd::FileError& error)
{
    if (failsNow()) {
        error = injected();
        return cmd::Removal::Failed;
    }
    const Node* node = at(path);
    if (!node)
        return cmd::Removal::Absent;
    if (node->kind != Kind::File || !node->ours || names_.at(path) != expected.file)
        return cmd::Removal::NotOurs;
    if (std::string problem = folderProblem(path); !problem.empty()) {
        error = cmd::FileError{problem, false};
        return cmd::Removal::Failed;
    }
    names_.erase(path);
    return cmd::Removal::Removed;
}

} // namespace davev::test
