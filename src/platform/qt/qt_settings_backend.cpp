#include "platform/qt/qt_settings_backend.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace davev {
namespace {

QString qstr(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Why a file cannot be written, as an errno number, or 0 when nothing is in
// the way: QSettings only says that it failed, and a write it could not make
// would stay behind in its memory as if it had been made.
int writeObstacle(const QString& path)
{
    const QFileInfo file(path);
    if (file.isDir())
        return EISDIR;
    if (file.exists() && !file.isWritable())
        return EACCES;
    QFileInfo ancestor(file.absolutePath());
    while (!ancestor.exists() && !ancestor.isRoot() && ancestor.absoluteFilePath() != ancestor.absolutePath())
        ancestor = QFileInfo(ancestor.absolutePath());
    if (ancestor.exists() && !ancestor.isDir())
        return ENOTDIR;
    if (ancestor.exists() && !ancestor.isWritable())
        return EACCES;
    return 0;
}

bool holdsValues(const QString& path, const std::vector<std::pair<std::string, std::string>>& values)
{
    const QSettings stored(path, QSettings::IniFormat);
    for (const auto& [key, text] : values)
        if (stored.value(qstr(key)).toString() != qstr(text))
            return false;
    return true;
}

PlatformError writeError(int number, const QString& path)
{
    return PlatformError(number,
                         std::string(std::strerror(number)) + ": cannot write settings file " + path.toStdString());
}

} // namespace

class QtSettingsBackend::File {
public:
    explicit File(const QString& path) : path_(path), settings_(path, QSettings::IniFormat) {}

    const QString& path() const { return path_; }
    QSettings& settings() { return settings_; }

private:
    QString path_;
    QSettings settings_;
};

QtSettingsBackend::QtSettingsBackend(std::string configDirectory) : directory_(std::move(configDirectory)) {}

QtSettingsBackend::~QtSettingsBackend() = default;

std::string QtSettingsBackend::defaultConfigDirectory()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return config;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

std::string QtSettingsBackend::filePath(std::string_view app, std::string_view section) const
{
    std::string path = directory_;
    path += '/';
    path += app;
    path += '/';
    path += section;
    path += ".ini";
    return path;
}

QtSettingsBackend::File& QtSettingsBackend::file(std::string_view app, std::string_view section)
{
    const std::string path = filePath(app, section);
    auto it = files_.find(path);
    if (it == files_.end())
        it = files_.emplace(path, std::make_unique<File>(QString::fromStdString(path))).first;
    return *it->second;
}

std::string QtSettingsBackend::get(std::string_view app, std::string_view section, std::string_view key,
                                   std::string_view fallback)
{
    QSettings& settings = file(app, section).settings();
    // Picks up the file again when it changed on disk since the last access,
    // say by a hand edit while the program runs.
    settings.sync();
    const QVariant value = settings.value(qstr(key));
    if (!value.isValid())
        return std::string(fallback);
    // An unquoted value with commas, as a hand-edited file may hold, reads as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    return value.toString().toStdString();
}

void QtSettingsBackend::save(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view text)
{
    saveAll(app, section, {{std::string(key), std::string(text)}});
}

void QtSettingsBackend::saveAll(std::string_view app, std::string_view section,
                                const std::vector<std::pair<std::string, std::string>>& values)
{
    File& store = file(app, section);
    const QString path = store.path();
    if (const int number = writeObstacle(path))
        throw writeError(number, path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings& settings = store.settings();
    for (const auto& [key, text] : values)
        settings.setValue(qstr(key), qstr(text));
    // One replacement of the whole file, merged with what is on disk now:
    // QSettings writes a temporary copy, flushes it and renames it over the file.
    settings.sync();
    const QSettings::Status status = settings.status();
    if (status == QSettings::NoError)
        return;
    // A QSettings keeps its first error for good, and may hold values it
    // could not write: forget it, so reads show what is really stored.
    files_.erase(path.toStdString());
    // A line it could not parse (a hand edit, say) gives FormatError whether
    // or not the write went through; the file itself tells.
    if (status == QSettings::FormatError && holdsValues(path, values))
        return;
    const int number = writeObstacle(path);
    throw writeError(number != 0 ? number : EIO, path);
}

} // namespace davev
