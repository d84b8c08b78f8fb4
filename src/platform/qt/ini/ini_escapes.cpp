#include "platform/qt/ini/ini_escapes.h"

#include <QStringEncoder>

#include "platform/qt/ini/ini_text.h"

namespace davev::ini {
namespace {

using namespace Qt::StringLiterals;

// The escapes a backslash starts in a value, for reading and writing alike.
// QSettings reads "\?" and "\'" too, but writes '?' and '\'' as they are.
struct Escape {
    char letter;
    char16_t character;
    bool written;
};
constexpr Escape escapes[] = {
    {'a', u'\a', true},  {'b', u'\b', true}, {'f', u'\f', true},   {'n', u'\n', true},
    {'r', u'\r', true},  {'t', u'\t', true}, {'v', u'\v', true},   {'"', u'"', true},
    {'\\', u'\\', true}, {'?', u'?', false}, {'\'', u'\'', false},
};

// The letter that stands for `ch` after a backslash in a written value.
std::optional<char> escapeLetter(char16_t ch)
{
    for (const Escape& escape : escapes)
        if (escape.written && escape.character == ch)
            return escape.letter;
    return std::nullopt;
}

// A '/' in a key, which QSettings takes for a group separator, is written
// as a backslash.
constexpr char16_t keySeparator = u'/';
constexpr char keySeparatorWritten = '\\';

} // namespace

std::optional<char16_t> escapedCharacter(char letter)
{
    for (const Escape& escape : escapes)
        if (escape.letter == letter)
            return escape.character;
    return std::nullopt;
}

int digitValue(char16_t ch, int base)
{
    int value = 16;
    if (ch >= u'0' && ch <= u'9')
        value = ch - u'0';
    else if (ch >= u'a' && ch <= u'f')
        value = ch - u'a' + 10;
    else if (ch >= u'A' && ch <= u'F')
        value = ch - u'A' + 10;
    return value < base ? value : -1;
}

QString unescapedKey(QByteArrayView raw)
{
    const QString key = QString::fromUtf8(raw);
    QString result;
    qsizetype i = 0;
    while (i < key.size()) {
        const QChar ch = key[i];
        if (ch == QLatin1Char(keySeparatorWritten)) {
            result += QChar(keySeparator);
            ++i;
            continue;
        }
        if (ch != u'%' || i == key.size() - 1) {
            result += ch;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        qsizetype digits = 2;
        if (key[first] == u'U') {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort code = first + digits <= key.size() ? QStringView(key).sliced(first, digits).toUShort(&ok, 16) : 0;
        if (!ok) {
            result += u'%';
            ++i;
            continue;
        }
        result += QChar(code);
        i = first + digits;
    }
    return result;
}

QByteArray escapedKey(const QString& key)
{
    QByteArray result;
    for (const QChar qch : key) {
        const char16_t ch = qch.unicode();
        if (ch == keySeparator)
            result += keySeparatorWritten;
        else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9') || ch == u'_' ||
                 ch == u'-' || ch == u'.')
            result += static_cast<char>(ch);
        else if (ch <= 0xFF)
            result += '%' + QByteArray::number(ch, 16).toUpper().rightJustified(2, '0');
        else
            result += "%U" + QByteArray::number(ch, 16).toUpper().rightJustified(4, '0');
    }
    return result;
}

QByteArray escapedText(const QString& value)
{
    // How QSettings marks a text that would otherwise read as a typed value
    // or be cut at a null character.
    QString text = value;
    if (text.contains(QChar::Null))
        text = "@String("_L1 + text + u')';
    else if (text.startsWith(u'@'))
        text.prepend(u'@');

    QByteArray result;
    bool needsQuotes = false;
    bool escapeHexDigit = false; // after a numeric escape, which reads on over hex digits
    QStringEncoder toUtf8(QStringEncoder::Utf8);
    for (const QChar qch : text) {
        const char16_t ch = qch.unicode();
        if (ch == u';' || ch == u',' || ch == u'=')
            needsQuotes = true;
        if (escapeHexDigit && digitValue(ch, 16) >= 0) {
            result += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeHexDigit = false;
        if (ch == u'\0') {
            result += "\\0";
            escapeHexDigit = true;
        } else if (const std::optional<char> letter = escapeLetter(ch)) {
            result += '\\';
            result += *letter;
        } else if (ch <= 0x1F) {
            result += "\\x" + QByteArray::number(ch, 16);
            escapeHexDigit = true;
        } else {
            // Encoded one unit at a time, so the encoder joins surrogate pairs.
            result += QByteArray(toUtf8(QStringView(&qch, 1)));
        }
    }
    if (needsQuotes || (!result.isEmpty() && (result.front() == ' ' || result.back() == ' ')))
        result = '"' + result + '"';
    return result;
}

} // namespace davev::ini
