#include "platform/qt/ini/ini_text.h"

#include <algorithm>

#include "platform/qt/ini/ini_lines.h"

namespace davev::ini {

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

} // namespace davev::ini
