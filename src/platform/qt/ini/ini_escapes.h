#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// How QSettings escapes keys and values; escapedKey and escapedText, the
// other direction, are in ini_text.h.
namespace davev::ini {

// The character `letter` stands for after a backslash in a value.
std::optional<char16_t> escapedCharacter(char letter);

// The value of a digit in `base` (8 or 16); -1 for none.
int digitValue(char16_t ch, int base);

QString unescapedKey(QByteArrayView raw);

} // namespace davev::ini
