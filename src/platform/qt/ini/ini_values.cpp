#include "platform/qt/ini/ini_text.h"

#include <QDataStream>
#include <QIODevice>
#include <QStringDecoder>
#include <QStringList>
#include <QVariant>

#include "platform/qt/ini/ini_escapes.h"
#include "platform/qt/ini/ini_lines.h"

namespace davev::ini {
namespace {

using namespace Qt::StringLiterals;

void chopBlanks(QString& text, qsizetype limit)
{
    while (text.size() > limit && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
}

// A raw value as QSettings unescapes it: quotes, escapes, blanks trimmed
// where not quoted. True when an unquoted comma made it a list of `items`.
bool unescapedValue(QByteArrayView raw, QString& text, QStringList& items)
{
    enum class State { Blanks, Normal, Hex, Octal };
    State state = State::Blanks;
    bool isList = false;
    bool inQuotes = false;
    bool quoted = false;
    char16_t code = 0;      // of a numeric escape being read
    qsizetype keepFrom = 0; // blanks before this are no trailing blanks
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    const auto finish = [&] {
        if (isList)
            items.append(text);
        return isList;
    };
    const qsizetype size = raw.size();
    qsizetype i = 0;
    for (;;) {
        if (state == State::Blanks) {
            while (i < size && (raw[i] == ' ' || raw[i] == '\t'))
                ++i;
            state = State::Normal;
            keepFrom = text.size();
        }
        if (state == State::Hex || state == State::Octal) {
            const int base = state == State::Hex ? 16 : 8;
            if (i >= size) {
                text += QChar(code);
                return finish();
            }
            if (const int digit = digitValue(static_cast<unsigned char>(raw[i]), base); digit >= 0) {
                code = static_cast<char16_t>(code * base + digit);
                ++i;
                continue;
            }
            text += QChar(code);
            state = State::Normal;
            keepFrom = text.size();
        }
        if (i >= size) {
            if (!quoted)
                chopBlanks(text, keepFrom);
            return finish();
        }
        const char ch = raw[i];
        if (ch == '\\') {
            if (++i >= size)
                return finish();
            const char escaped = raw[i++];
            if (const std::optional<char16_t> character = escapedCharacter(escaped)) {
                text += QChar(*character);
            } else if (escaped == 'x') {
                code = 0;
                if (i >= size)
                    return finish();
                if (digitValue(static_cast<unsigned char>(raw[i]), 16) >= 0) {
                    state = State::Hex;
                    continue;
                }
            } else if (const int digit = digitValue(static_cast<unsigned char>(escaped), 8); digit >= 0) {
                code = static_cast<char16_t>(digit);
                state = State::Octal;
                continue;
            } else if (escaped == '\n' || escaped == '\r') {
                if (i < size && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != escaped)
                    ++i;
            }
            keepFrom = text.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                state = State::Blanks;
        } else if (ch == ',' && !inQuotes) {
            if (!quoted)
                chopBlanks(text, keepFrom);
            isList = true;
            items.append(text);
            text.clear();
            quoted = false;
            ++i;
            state = State::Blanks;
        } else {
            qsizetype end = i + 1;
            while (end < size && raw[end] != '\\' && raw[end] != '"' && raw[end] != ',')
                ++end;
            text += QString(fromUtf8(raw.sliced(i, end - i)));
            i = end;
        }
    }
}

// What a text marked with '@' stands for, as QSettings reads it.
QVariant typedValue(const QString& text)
{
    if (text.startsWith(u'@') && text.endsWith(u')')) {
        if (text.startsWith("@ByteArray("_L1))
            return QStringView(text).sliced(11).chopped(1).toLatin1();
        if (text.startsWith("@String("_L1))
            return text.sliced(8).chopped(1);
        if (text.startsWith("@Variant("_L1) || text.startsWith("@DateTime("_L1)) {
            const bool dateTime = text[1] == u'D';
            QByteArray bytes = QStringView(text).sliced(dateTime ? 10 : 9).toLatin1();
            QDataStream stream(&bytes, QIODevice::ReadOnly);
            stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
            QVariant value;
            stream >> value;
            return value;
        }
        // A rectangle, size or point: a value, but none with a text.
        static constexpr std::pair<QLatin1StringView, qsizetype> geometries[] = {
            {"@Rect("_L1, 4}, {"@Size("_L1, 2}, {"@Point("_L1, 2}};
        for (const auto& [prefix, arguments] : geometries) {
            if (text.startsWith(prefix) &&
                text.sliced(prefix.size()).count(u' ') + text.sliced(prefix.size()).count(u')') == arguments)
                return QString();
        }
        if (text == "@Invalid()"_L1)
            return {};
    }
    if (text.startsWith("@@"_L1))
        return text.sliced(1);
    return text;
}

// A list's items as QSettings reads them: "@@" stands for "@", and an item
// marked with a single '@' makes it a list of typed values, with no text.
QVariant listValue(QStringList items)
{
    for (QString& item : items) {
        if (!item.startsWith(u'@'))
            continue;
        if (item.size() < 2 || item[1] != u'@')
            return QString();
        item.remove(0, 1);
    }
    return items;
}

std::optional<QString> textOf(const QVariant& value)
{
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(", "_L1);
    return value.toString();
}

} // namespace

std::optional<QString> valueOf(QByteArrayView text, const QString& key)
{
    const GeneralGroup group = generalGroup(text);
    for (auto entry = group.entries.rbegin(); entry != group.entries.rend(); ++entry) {
        if (entry->key != key)
            continue;
        QString value;
        QStringList items;
        const QByteArrayView raw = text.sliced(entry->valueStart, entry->valueEnd - entry->valueStart);
        return textOf(unescapedValue(raw, value, items) ? listValue(items) : typedValue(value));
    }
    return std::nullopt;
}

} // namespace davev::ini
