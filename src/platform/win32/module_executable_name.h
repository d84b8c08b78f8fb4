#pragma once

#include <string>

#include "platform/services.h"

namespace davev {

// The running module's file name without directory and extension, so a copy
// under another name is a program of its own.
class ModuleExecutableName : public ExecutableName {
public:
    std::string get() override;
};

} // namespace davev
