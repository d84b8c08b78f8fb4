#include "platform/qt/font_mapping.h"

#include <QString>
#include <QStringList>

namespace davev {
namespace {

void installSubstitutions()
{
    static const bool installed = [] {
        const QStringList sans{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                               QStringLiteral("DejaVu Sans")};
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
        QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
        return true;
    }();
    (void)installed;
}

} // namespace

QFont fontFor(const FontSpec& spec)
{
    installSubstitutions();
    QFont font(QString::fromUtf8(spec.family.data(), static_cast<qsizetype>(spec.family.size())));
    font.setPointSizeF(spec.points);
    font.setBold(spec.bold);
    return font;
}

} // namespace davev
