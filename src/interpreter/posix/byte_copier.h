#pragma once

#include <cstddef>
#include <memory>
#include <sys/types.h>

namespace davev::cmd {

// Moves bytes from one descriptor to another. Appends go through this so a
// test can make a transfer fail part-way.
class ByteCopier {
public:
    virtual ~ByteCopier() = default;

    // Called before each transfer (one command's worth of copying).
    virtual void begin() {}

    // Copies up to length bytes from in, at *inOffset or at its file position
    // when inOffset is null, to out, likewise, and advances the offsets it was
    // given. Returns the number of bytes copied, 0 at the end of the input, or
    // -1 with errno set; EINTR, when a signal came before any byte moved, so
    // the caller can decide whether to go on.
    virtual long copy(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t length) = 0;
};

// Copies in the kernel so memory stays flat whatever the size: copy_file_range
// first, then sendfile, then read and write through a small buffer. A method
// the descriptors do not support is dropped for the rest of the transfer.
class KernelCopier final : public ByteCopier {
public:
    void begin() override;
    long copy(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t length) override;

private:
    long copyThroughBuffer(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t length);

    bool copyRangeWorks_ = true;
    bool sendfileWorks_ = true;
    std::unique_ptr<char[]> buffer_;
};

} // namespace davev::cmd
