#include "platform/qt/ini_text.h"

#include <QDataStream>
#include <QIODevice>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <QVariant>
#include <algorithm>

namespace davev::ini {
namespace {

using namespace Qt::StringLiterals;

bool isBlankOrBreak(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
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

// One line as QSettings splits a file: a backslash continues it, quotes may
// span line breaks, and a ';' outside quotes starts a comment that runs to
// the end of the line.
struct Line {
    qsizetype start = 0;   // after leading blanks and whole comment lines
    qsizetype end = 0;     // at the line break or comment that ends it
    qsizetype equals = -1; // the first '=' outside quotes
};

bool nextLine(QByteArrayView text, qsizetype& pos, Line& line)
{
    const qsizetype size = text.size();
    bool inQuotes = false;
    line.equals = -1;
    line.start = pos;
    while (line.start < size && isBlankOrBreak(text[line.start]))
        ++line.start;
    qsizetype i = line.start;
    while (i < size) {
        const char ch = text[i++];
        if (ch == '=') {
            if (!inQuotes && line.equals < 0)
                line.equals = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (!inQuotes) {
                --i;
                break;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char escaped = text[i++];
                if (i < size && ((escaped == '\n' && text[i] == '\r') || (escaped == '\r' && text[i] == '\n')))
                    ++i;
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == ';') {
            if (i == line.start + 1) {
                while (i < size && text[i] != '\n' && text[i] != '\r')
                    ++i;
                while (i < size && isBlankOrBreak(text[i]))
                    ++i;
                line.start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line.end = i;
    return line.end > line.start;
}

// Past the line break that ends the line `pos` is on.
qsizetype afterLineBreak(QByteArrayView text, qsizetype pos)
{
    while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n')
        ++pos;
    return pos;
}

QString unescapedKey(QByteArrayView raw)
{
    const QString key = QString::fromUtf8(raw);
    QString result;
    qsizetype i = 0;
    while (i < key.size()) {
        const QChar ch = key[i];
        if (ch == u'\\') {
            result += u'/';
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

void chopBlanks(QString& text, qsizetype limit)
{
    while (text.size() > limit && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
}

// A raw value as QSettings unescapes it: quotes, escapes, blanks trimmed
// where not quoted. True when an unquoted comma made it a list of `items`.
bool unescapedValue(QByteArrayView raw, QString& text, QStringList& items)
{
    static constexpr char escapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
                                          {'v', '\v'}, {'"', '"'},  {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
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
            bool simple = false;
            for (const auto& [letter, value] : escapes) {
                if (escaped == letter) {
                    text += QLatin1Char(value);
                    simple = true;
                    break;
                }
            }
            if (!simple && escaped == 'x') {
                code = 0;
                if (i >= size)
                    return finish();
                if (digitValue(static_cast<unsigned char>(raw[i]), 16) >= 0) {
                    state = State::Hex;
                    continue;
                }
            } else if (const int digit = digitValue(static_cast<unsigned char>(escaped), 8); !simple && digit >= 0) {
                code = static_cast<char16_t>(digit);
                state = State::Octal;
                continue;
            } else if (!simple && (escaped == '\n' || escaped == '\r')) {
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

struct Entry {
    QString key;
    qsizetype valueStart;
    qsizetype valueEnd;
};

// The lines of the [General] group, and where it ends.
struct GeneralGroup {
    std::vector<Entry> entries;
    qsizetype end = -1; // past its last line; -1 when the file has none
    qsizetype top = 0;  // where a group added at the top goes
};

void addEntry(QByteArrayView text, const Line& line, GeneralGroup& group)
{
    if (line.equals < 0)
        return;
    qsizetype keyEnd = line.equals;
    while (keyEnd > line.start && (text[keyEnd - 1] == ' ' || text[keyEnd - 1] == '\t'))
        --keyEnd;
    // Blanks before a value are no part of it: a new value keeps them.
    qsizetype valueStart = line.equals + 1;
    while (valueStart < line.end && (text[valueStart] == ' ' || text[valueStart] == '\t'))
        ++valueStart;
    group.entries.push_back({unescapedKey(text.sliced(line.start, keyEnd - line.start)), valueStart, line.end});
    group.end = afterLineBreak(text, line.end);
}

GeneralGroup generalGroup(QByteArrayView text)
{
    GeneralGroup group;
    const qsizetype bodyStart = text.startsWith("\xef\xbb\xbf") ? 3 : 0;
    Line line;
    qsizetype pos = bodyStart;
    qsizetype firstHeader = text.size();
    while (nextLine(text, pos, line)) {
        if (text[line.start] == '[') {
            firstHeader = line.start;
            break;
        }
    }
    // Lines before any header belong to the group. QSettings looks for
    // headers past a byte order mark, but reads these lines from the very
    // start, the mark and the blanks after it taken into the first line.
    const QByteArrayView head = text.first(firstHeader);
    pos = 0;
    while (nextLine(head, pos, line))
        addEntry(head, line, group);
    // A group added before such lines goes before the mark too, so they
    // read as before; with none, after it, so the first header stays one.
    group.top = head.sliced(bodyStart).trimmed().isEmpty() ? bodyStart : 0;

    pos = firstHeader;
    bool inGeneral = false;
    while (nextLine(text, pos, line)) {
        const QByteArrayView content = text.sliced(line.start, line.end - line.start);
        if (content.startsWith('[')) {
            const qsizetype close = content.indexOf(']');
            const QByteArrayView name = content.first(close < 0 ? content.size() : close).sliced(1).trimmed();
            inGeneral = name.compare("general", Qt::CaseInsensitive) == 0;
            if (inGeneral)
                group.end = afterLineBreak(text, line.end);
        } else if (inGeneral) {
            addEntry(text, line, group);
        }
    }
    return group;
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

QByteArray withValues(QByteArrayView text, const std::vector<std::pair<QString, QString>>& values)
{
    // The last value given for a key counts.
    std::vector<std::pair<QString, QString>> pending;
    for (const auto& [key, value] : values) {
        std::erase_if(pending, [&key](const auto& item) { return item.first == key; });
        pending.emplace_back(key, value);
    }
    const GeneralGroup group = generalGroup(text);
    QByteArray edited;
    qsizetype copied = 0;
    std::vector<bool> stored(pending.size(), false);
    for (const Entry& entry : group.entries) {
        for (std::size_t i = 0; i < pending.size(); ++i) {
            if (pending[i].first != entry.key)
                continue;
            edited += text.sliced(copied, entry.valueStart - copied);
            edited += escapedText(pending[i].second);
            copied = entry.valueEnd;
            stored[i] = true;
        }
    }
    const qsizetype groupEnd = group.end < 0 ? -1 : edited.size() + group.end - copied;
    edited += text.sliced(copied);

    QByteArray added;
    for (std::size_t i = 0; i < pending.size(); ++i)
        if (!stored[i])
            added += escapedKey(pending[i].first) + '=' + escapedText(pending[i].second) + '\n';
    if (added.isEmpty())
        return edited;
    if (groupEnd >= 0) {
        QByteArray appended = edited.first(groupEnd);
        if (groupEnd > 0 && !appended.endsWith('\n') && !appended.endsWith('\r'))
            appended += '\n';
        appended += added + edited.sliced(groupEnd);
        // A quote left open or a backslash at the end of the group's last
        // line, by a hand edit, would take the added lines into its value.
        const bool readsBack = std::all_of(pending.begin(), pending.end(), [&appended](const auto& item) {
            return valueOf(appended, item.first) == item.second;
        });
        if (readsBack)
            return appended;
    }
    // A group of its own at the top, where nothing before can swallow it.
    QByteArray result = edited.first(group.top) + "[General]\n" + added;
    if (edited.size() > group.top)
        result += '\n';
    return result + edited.sliced(group.top);
}

QByteArray escapedKey(const QString& key)
{
    QByteArray result;
    for (const QChar qch : key) {
        const char16_t ch = qch.unicode();
        if (ch == u'/')
            result += '\\';
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
        switch (ch) {
        case u'\0':
            result += "\\0";
            escapeHexDigit = true;
            break;
        case u'\a':
            result += "\\a";
            break;
        case u'\b':
            result += "\\b";
            break;
        case u'\f':
            result += "\\f";
            break;
        case u'\n':
            result += "\\n";
            break;
        case u'\r':
            result += "\\r";
            break;
        case u'\t':
            result += "\\t";
            break;
        case u'\v':
            result += "\\v";
            break;
        case u'"':
        case u'\\':
            result += '\\';
            result += static_cast<char>(ch);
            break;
        default:
            if (ch <= 0x1F) {
                result += "\\x" + QByteArray::number(ch, 16);
                escapeHexDigit = true;
            } else {
                // Encoded one unit at a time, so the encoder joins surrogate pairs.
                result += QByteArray(toUtf8(QStringView(&qch, 1)));
            }
        }
    }
    if (needsQuotes || (!result.isEmpty() && (result.front() == ' ' || result.back() == ' ')))
        result = '"' + result + '"';
    return result;
}

} // namespace davev::ini
