#pragma once

#include <string>
#include <string_view>

#include "platform/services.h"

namespace davev {

// Where the program and its imports keep what must outlive them: the log
// file when the system has no log, and the journals that cannot lie beside
// their target. $XDG_STATE_HOME/DA-VEV, by default ~/.local/state/DA-VEV.
std::string stateFolder();

// One line to the system log under the ident "DA-VEV"; without a system log
// (no socket at /dev/log), to imports.log in stateFolder(). Returns why the
// line was lost.
LogLoss writeLog(LogLevel level, std::string_view text);

class SystemLog final : public Log {
public:
    LogLoss write(LogLevel level, std::string_view text) override { return writeLog(level, text); }
};

} // namespace davev
