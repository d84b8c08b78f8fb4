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

// Why a file could not be written, as an errno number: QSettings only says
// that it failed.
int writeFailure(const QString& path)
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
    return EIO;
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
    const QVariant value = file(app, section).settings().value(qstr(key));
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
    File& store = file(app, section);
    const QString path = store.path();
    QSettings& settings = store.settings();
    settings.setValue(qstr(key), qstr(text));
    const bool madeDirectory = QDir().mkpath(QFileInfo(path).absolutePath());
    settings.sync();
    if (madeDirectory && settings.status() != QSettings::AccessError)
        return;
    const int number = writeFailure(path);
    // Forget the unwritten value, so reads show what is really stored.
    files_.erase(path.toStdString());
    throw PlatformError(number,
                        std::string(std::strerror(number)) + ": cannot write settings file " + path.toStdString());
}

} // namespace davev
