#pragma once

#include <QByteArrayView>
#include <QString>
#include <vector>

// How QSettings splits an INI file into lines, and which of them hold the
// keys of the [General] group.
namespace davev::ini {

// One line as QSettings splits a file: a backslash continues it, quotes may
// span line breaks, and a ';' outside quotes starts a comment that runs to
// the end of the line.
struct Line {
    qsizetype start = 0;   // after leading blanks and whole comment lines
    qsizetype end = 0;     // at the line break or comment that ends it
    qsizetype equals = -1; // the first '=' outside quotes
};

// The line from `pos` on, moving `pos` past it. False when none is left.
bool nextLine(QByteArrayView text, qsizetype& pos, Line& line);

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

GeneralGroup generalGroup(QByteArrayView text);

} // namespace davev::ini
