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

QFont fontFor(const FontSpec& design)
{
    installSubstitutions();
    QFont font(QString::fromUtf8(design.family.data(), static_cast<qsizetype>(design.family.size())));
    font.setPointSizeF(design.points);
    font.setBold(design.bold);
    return font;
}

} // namespace davev
