#pragma once

#include <string_view>

namespace davev::status {

inline constexpr std::string_view Ready = "READY...";
inline constexpr std::string_view AutostartCountdown = "!!! AUTOSTART - 10 SECS !!!";
inline constexpr std::string_view Autostarting = "!!! AUTOSTARTING !!!";
inline constexpr std::string_view RunningImporting = "!!! RUNNING - IMPORTING !!!";
inline constexpr std::string_view Repeat5Mins = "!!! REPEAT IMPORT - 5 MINS !!!";
inline constexpr std::string_view Repeat4Mins = "!!! REPEAT IMPORT - 4 MINS !!!";
inline constexpr std::string_view Repeat3Mins = "!!! REPEAT IMPORT - 3 MINS !!!";
inline constexpr std::string_view Repeat2Mins = "!!! REPEAT IMPORT - 2 MINS !!!";
inline constexpr std::string_view Repeat1Min = "!!! REPEAT IMPORT - 1 MIN !!!";
inline constexpr std::string_view StartImport = "!!! START IMPORT !!!";
inline constexpr std::string_view Importing = "!!! IMPORTING !!!";
inline constexpr std::string_view AutocloseCountdown = "!!! AUTOCLOSE - 10 SECS !!!";
inline constexpr std::string_view Autoclosing = "!!! AUTOCLOSING !!!";
inline constexpr std::string_view Aborted = "!!! ABORTED !!!";

inline constexpr std::string_view Start = "START";
inline constexpr std::string_view Stop = "STOP";

} // namespace davev::status
