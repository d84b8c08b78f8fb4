#include "platform/qt/ini/ini_settings_backend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/posix/atomic_file_output.h"
#include "platform/posix/errno_text.h"
#include "platform/posix/file_lock.h"
#include "platform/qt/ini/ini_text.h"

namespace davev {
namespace {

QString qstr(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

PlatformError writeError(int number, const std::string& path)
{
    return PlatformError(number, errnoText(number) + ": cannot write settings file " + path);
}

// The file's text; empty when there is no file yet, nor at the end of a
// link to it (a dotfile manager's, say), which the write then creates.
QByteArray currentText(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::ReadOnly))
        return file.readAll();
    if (QFileInfo::exists(file.fileName()))
        throw writeError(EACCES, path);
    return {};
}

} // namespace

IniSettingsBackend::IniSettingsBackend(std::string configDirectory) : directory_(std::move(configDirectory)) {}

std::string IniSettingsBackend::defaultConfigDirectory()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return config;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

std::string IniSettingsBackend::filePath(std::string_view app, std::string_view section) const
{
    std::string path = directory_;
    path += '/';
    path += app;
    path += '/';
    path += section;
    path += ".ini";
    return path;
}

std::string IniSettingsBackend::get(std::string_view app, std::string_view section, std::string_view key,
                                    std::string_view fallback)
{
    QFile file(QString::fromStdString(filePath(app, section)));
    if (!file.open(QIODevice::ReadOnly))
        return std::string(fallback);
    const std::optional<QString> value = ini::valueOf(file.readAll(), qstr(key));
    return value ? value->toStdString() : std::string(fallback);
}

void IniSettingsBackend::save(std::string_view app, std::string_view section, std::string_view key,
                              std::string_view text)
{
    saveAll(app, section, {{std::string(key), std::string(text)}});
}

void IniSettingsBackend::saveAll(std::string_view app, std::string_view section,
                                 const std::vector<std::pair<std::string, std::string>>& values)
{
    const std::string path = filePath(app, section);
    std::vector<std::pair<QString, QString>> texts;
    for (const auto& [key, text] : values)
        texts.emplace_back(qstr(key), qstr(text));
    // The lock's own failure names the file, and who holds the lock.
    std::optional<FileLock> lock;
    try {
        lock.emplace(path, lockWait);
    } catch (const PlatformError& error) {
        if (error.number() != ENOENT || !QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath()))
            throw;
        lock.emplace(path, lockWait);
    }
    try {
        // Checks the file can be replaced before reading it.
        AtomicFileOutput output;
        output.open(path);
        const QByteArray text = ini::withValues(currentText(path), texts);
        output.write(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        output.close();
    } catch (const PlatformError& error) {
        throw writeError(error.number(), path);
    }
}

} // namespace davev
