#pragma once

#include <string>
#include <vector>

#include "app/program.h"
#include "platform/headless/headless_display.h"
#include "platform/headless/manual_clock.h"
#include "platform/headless/memory_settings.h"
#include "platform/platform.h"

namespace davev::test {

struct Launch {
    std::string commandLine;
    WindowStyle style;
    long long at;           // virtual milliseconds
    bool batchFile = false; // the name of a batch file to run exactly as it is
};

class RecordingLauncher : public Launcher {
public:
    explicit RecordingLauncher(const ManualClock& clock) : clock_(clock) {}
    long launch(const std::string& commandLine, WindowStyle style) override;
    long launchBatchFile(const std::string& fileName, WindowStyle style) override;
    std::vector<Launch> launches;
    bool fail = false;

private:
    const ManualClock& clock_;
};

class MemoryLog : public Log {
public:
    LogLoss write(LogLevel, std::string_view text) override
    {
        lines.emplace_back(text);
        return std::nullopt;
    }
    std::vector<std::string> lines;
};

class MemoryFileOutput : public FileOutput {
public:
    void open(const std::string& fileName) override;
    void print(std::string_view text) override;
    void close() override;
    bool canRepresent(std::string_view text) const override
    {
        return unrepresentable.empty() || text.find(unrepresentable) == std::string_view::npos;
    }
    std::string fileName;
    std::string bytes; // what the last successful close left in the file
    int opens = 0;
    bool failOpen = false;
    std::string unrepresentable; // text that the file's encoding cannot hold

private:
    std::string pending_;
};

class FakeZOrder : public ZOrder {
public:
    Handle foregroundWindow() override { return foreground; }
    void makeTopmost(Handle window) override { calls.push_back("top " + std::to_string(window)); }
    void makeNotTopmost(Handle window) override { calls.push_back("notop " + std::to_string(window)); }
    Handle foreground = 0;
    std::vector<std::string> calls;
};

class FixedName : public ExecutableName {
public:
    std::string get() override { return name; }
    std::string name = "DA-VEV";
};

class RecordingErrors : public ErrorReport {
public:
    void report(const PlatformError& error) override { reports.push_back(error); }
    void note(std::string_view text) override { notes.emplace_back(text); }
    std::vector<PlatformError> reports;
    std::vector<std::string> notes;
};

// One program on the headless platform, with virtual time.
struct Harness {
    Harness() : launcher(clock) {}

    ManualClock clock;
    MemorySettings settings;
    FixedName name;
    MemoryFileOutput file;
    RecordingLauncher launcher;
    FakeZOrder zOrder;
    RecordingErrors errors;
    HeadlessDisplay display;
    MemoryLog log;
    Platform platform{settings, name, file, launcher, zOrder, errors, clock, display, log};
    std::unique_ptr<Program> program;

    // Stores a value under the current executable name's section.
    void store(std::string_view key, std::string_view text) { settings.put(name.name, key, text); }
    std::string stored(std::string_view key) const { return settings.value(name.name, key); }
    bool isStored(std::string_view key) const { return settings.has(name.name, key); }

    MainWindow& start();
    MainWindow& m() { return program->mainControls(); }
    void advanceSeconds(double seconds) { clock.advance(static_cast<long long>(seconds * 1000)); }
    std::string status() { return m().CURRENT_STATUS_LABEL.caption(); }
};

} // namespace davev::test
