#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// The text of an INI file in the form QSettings (IniFormat, Qt 6) reads and
// writes it, for text values of keys in the file's [General] group: what
// QSettings reads from a file is read the same here, and what is written
// here QSettings reads back as the same text.
namespace davev::ini {

// The value of `key` in the [General] group (or before any group) as
// QSettings::value(key) gives it, as text: a list (an unquoted comma) joined
// with ", ", a typed value (@ByteArray(...), @Variant(...) ...) as
// QVariant::toString() gives it. Empty when the key is absent or holds
// @Invalid(). The last of several lines for one key counts, as in QSettings.
std::optional<QString> valueOf(QByteArrayView text, const QString& key);

// The file's text with `values` stored in the [General] group. Everything
// else stays as it was, byte for byte: other keys and groups, comments,
// spacing, the way each key is spelled. A key already there gets its new
// value on its own line; a new key is added at the end of the group, which
// is added at the top of the file when missing.
QByteArray withValues(QByteArrayView text, const std::vector<std::pair<QString, QString>>& values);

// A key and a text value as QSettings writes them.
QByteArray escapedKey(const QString& key);
QByteArray escapedText(const QString& text);

} // namespace davev::ini
