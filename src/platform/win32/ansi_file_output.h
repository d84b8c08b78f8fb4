#pragma once

#include <optional>
#include <string>

#include "platform/services.h"

namespace davev {

// Writes a text file in the system's ANSI code page, replacing it whole: the
// bytes go to a temporary file in the same directory, which is moved over
// the old one on close, so a failure leaves the previous file as it was.
// Text with a character the code page cannot hold exactly is refused, never
// written with a best-fit look-alike (which could be a '\' or a '"').
class AnsiFileOutput : public FileOutput {
public:
    AnsiFileOutput() = default;
    ~AnsiFileOutput() override;
    AnsiFileOutput(const AnsiFileOutput&) = delete;
    AnsiFileOutput& operator=(const AnsiFileOutput&) = delete;

    void open(const std::string& fileName) override;
    void print(std::string_view text) override;
    void close() override;
    bool canRepresent(std::string_view text) const override;

    // The text in the ANSI code page, or nothing when it has no exact form there.
    static std::optional<std::string> toAnsi(std::string_view utf8);

private:
    void discard();

    std::wstring fileName_;
    std::wstring tempName_;
    void* file_ = nullptr; // HANDLE
};

} // namespace davev
