#include "platform/qt/ini/ini_lines.h"

#include "platform/qt/ini/ini_escapes.h"

namespace davev::ini {
namespace {

bool isBlankOrBreak(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
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

} // namespace

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

} // namespace davev::ini
