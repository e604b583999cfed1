#include "kv_icon_palette.h"

#include <QRegularExpression>

namespace KVIconPalette
{

namespace
{

struct Role {
    const char *drawn;
    const char *colours[4];
};

// Keep in step with the table in the header.
const Role kRoles[] = {
    {"#E6E6E6", {"#E6E6E6", "#FFFFFF", "#CC9933", "#7A7A7A"}},
    {"#C59433", {"#C59433", "#E0B050", "#F5D080", "#6A6A6A"}},
    {"#4A4A4A", {"#4A4A4A", "#5A5A5A", "#2E2E2E", "#3F3F3F"}},
    {"#6E6E6E", {"#6E6E6E", "#8C8C8C", "#CC9933", "#555555"}},
    {"#0A0A0A", {"none", "#FFFFFF", "#CC9933", "none"}},
};

} // namespace

QString suffix(State state)
{
    return state == Normal ? QString() : QStringLiteral("_%1").arg(static_cast<int>(state));
}

QString recolour(const QString &svg, State state)
{
    QString text = svg;
    for (const Role &role : kRoles) {
        // Only whole colour values: "#E6E6E6" but never "#E6E6E6AA".
        const QRegularExpression re(QStringLiteral("%1(?![0-9A-Fa-f])")
                                        .arg(QRegularExpression::escape(QLatin1String(role.drawn))),
            QRegularExpression::CaseInsensitiveOption);
        text.replace(re, QLatin1String(role.colours[state]));
    }
    return text;
}

bool parseKind(const QString &text, Kind *kind)
{
    static const struct {
        const char *word;
        Kind kind;
    } kinds[] = {{"picture", Picture}, {"button", Button}, {"toggle", Toggle}, {"group", Group}};
    for (const auto &k : kinds) {
        if (text == QLatin1String(k.word)) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

QStringList outputNames(Kind kind, const QString &name)
{
    QStringList names;
    switch (kind) {
    case Picture:
        names << name + QStringLiteral(".png");
        break;
    case Group:
        names << name + QStringLiteral(".png") << name + QStringLiteral("_3.png");
        break;
    case Button:
    case Toggle:
        for (int s = Normal; s <= Disabled; ++s)
            names << name + suffix(static_cast<State>(s)) + QStringLiteral(".png");
        if (kind == Toggle) {
            for (int s = Normal; s <= Disabled; ++s)
                names << name + QStringLiteral("_checked") + suffix(static_cast<State>(s))
                        + QStringLiteral(".png");
        }
        break;
    }
    return names;
}

} // namespace KVIconPalette
