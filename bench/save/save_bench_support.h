#pragma once

// What the Save benchmarks of both programs share: the services a Save does
// not use, an error report that counts, and the figures' helpers.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace davev::bench {

class NoLauncher : public Launcher {
public:
    long launch(const std::string&, WindowStyle) override { return ++launches; }
    long launchBatchFile(const std::string&, WindowStyle) override { return ++launches; }
    long launches = 0;
};

class NoLog : public Log {
public:
    LogLoss write(LogLevel, std::string_view) override { return std::nullopt; }
};

class NoZOrder : public ZOrder {
public:
    Handle foregroundWindow() override { return 0; }
    void makeTopmost(Handle) override {}
    void makeNotTopmost(Handle) override {}
};

class FixedName : public ExecutableName {
public:
    std::string get() override { return "DA-VEV"; }
};

class CountingErrors : public ErrorReport {
public:
    void report(const PlatformError& error) override
    {
        if (++reports <= 3)
            std::fprintf(stderr, "error: %s\n", error.description().c_str());
    }
    void note(std::string_view text) override { std::fprintf(stderr, "note: %.*s\n", int(text.size()), text.data()); }
    int reports = 0;
};

inline double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::max(1.0, std::ceil(p * static_cast<double>(values.size()))));
    return values[std::min(rank, values.size()) - 1];
}

inline std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace davev::bench
