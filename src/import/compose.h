#pragma once

#include <string>

#include "app/main_window.h"

namespace davev {

inline constexpr std::string_view SampleSourcePath = "C:\\TEST-TYPE\\SOURCE-FILE.txt";
inline constexpr std::string_view SampleTargetPath = "C:\\TEST-TYPE\\TARGET-FILE.txt";

// The two-line import command from the path fields and the fragment fields.
std::string composedCommand(const MainWindow& m);
void composeImportCommand(MainWindow& m);

void sourceSampleClick(MainWindow& m);
void targetSampleClick(MainWindow& m);

} // namespace davev
