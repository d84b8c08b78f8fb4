#pragma once

#include <string>

#include "platform/services.h"

namespace davev {

// The file name the program was started under: a link or copy under another
// name is a program of its own, with its own settings and batch file.
class ArgvExecutableName : public ExecutableName {
public:
    explicit ArgvExecutableName(const char* argv0);
    std::string get() override { return name_; }

    static std::string baseName(std::string path);

private:
    std::string name_;
};

} // namespace davev
