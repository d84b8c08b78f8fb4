#pragma once

// The program's version record and desktop identity. cmake/Identity.cmake
// reads the string values below to write the desktop entry, the AppStream
// metadata, the package and the version records: keep each as
//     inline constexpr std::string_view name = "text";
// (the text may go on the next line) with no escapes inside the quotes.

#include <cstdint>
#include <string_view>

namespace davev::identity {

inline constexpr std::string_view projectName = "DA_VEV";
inline constexpr std::string_view executableName = "DA-VEV";
inline constexpr std::string_view productName = "ZODORIZ-OVI - DA-VEV - VX-Reriraz";
inline constexpr std::string_view description = "ZODORIZ-OVI - DA-VEV - VX-Reriraz";

inline constexpr int versionMajor = 1;
inline constexpr int versionMinor = 0;
inline constexpr int versionRevision = 0;
inline constexpr std::string_view version = "1.0";
inline constexpr std::string_view releaseDate = "2026-12-07"; // of version, as YYYY-MM-DD
inline constexpr std::string_view fileVersion = "1.00";
inline constexpr std::string_view productVersion = "1.00";

inline constexpr std::string_view internalName = "DA-VEV";
inline constexpr std::string_view originalFilename = "DA-VEV.exe";
inline constexpr std::string_view fileDescription = "DA-VEV.exe";
// The command interpreter, da-vev-cmd.exe, has a version record of its own
// with these names and the values above.
inline constexpr std::string_view interpreterInternalName = "da-vev-cmd";
inline constexpr std::string_view interpreterOriginalFilename = "da-vev-cmd.exe";
inline constexpr std::string_view interpreterFileDescription =
    "DA-VEV command interpreter: runs DA-VEV's runner batch files";
inline constexpr std::string_view contactEmail = "zerud904@example.com";
inline constexpr std::string_view comments = "Created By Zerud904...Email zerud904@example.com";
inline constexpr std::string_view author = "Zerud904";

inline constexpr std::uint16_t languageId = 0x0409; // U.S. English
inline constexpr std::uint16_t codePage = 1200;     // UTF-16LE

// What the program does, for the desktop entry, the AppStream metadata and
// the package; the names above stay where a name belongs.
inline constexpr std::string_view genericName = "Text File Appender";
inline constexpr std::string_view summary = "Append a text file to another, once or on a schedule";
inline constexpr std::string_view keywords = "append;concatenate;text;file;import;schedule;timer;autostart;";

// Names under which the desktop knows the program.
inline constexpr std::string_view appstreamId = "com.example.da_vev";
inline constexpr std::string_view desktopEntryName = "da-vev.desktop";
inline constexpr std::string_view iconName = "da-vev";
inline constexpr std::string_view packageName = "da-vev";
inline constexpr std::string_view licence = "LicenseRef-freeware";

// The window icons, relative to the installation prefix.
inline constexpr std::string_view windowIcon16 = "share/da-vev/da-vev-16.png";
inline constexpr std::string_view windowIcon24 = "share/da-vev/da-vev-24.png";

static_assert(comments.ends_with(contactEmail));
static_assert(version.size() == 3 && version[0] - '0' == versionMajor && version[2] - '0' == versionMinor);

} // namespace davev::identity
