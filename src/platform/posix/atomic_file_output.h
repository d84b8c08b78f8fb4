#pragma once

#include <string>

#include "platform/services.h"

namespace davev {

// Writes a file by replacing it whole: the text goes to a temporary file in
// the same directory, which is renamed over the old one on close. A failure
// at any step leaves the previous file as it was, and a reader never sees
// half of the new text.
class AtomicFileOutput : public FileOutput {
public:
    AtomicFileOutput() = default;
    ~AtomicFileOutput() override;
    AtomicFileOutput(const AtomicFileOutput&) = delete;
    AtomicFileOutput& operator=(const AtomicFileOutput&) = delete;

    void open(const std::string& fileName) override;
    void print(std::string_view text) override;
    void close() override;

private:
    void discard();

    std::string fileName_;
    std::string tempName_;
    int fd_ = -1;
};

} // namespace davev
