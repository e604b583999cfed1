#include "kv_icon_render.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

namespace KVIconRender
{

namespace
{

QString plainText(QString inner)
{
    inner.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    inner.replace(QLatin1String("&lt;"), QLatin1String("<"));
    inner.replace(QLatin1String("&gt;"), QLatin1String(">"));
    inner.replace(QLatin1String("&quot;"), QLatin1String("\""));
    inner.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return inner.simplified();
}

} // namespace

bool checkText(const QString &svg, QString *error)
{
    static const QRegularExpression textRe(QStringLiteral("<text\\b([^>]*)>(.*?)</text>"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression familyRe(QStringLiteral("font-family=\"([^\"]+)\""));
    const QStringList installed = QFontDatabase::families();
    auto it = textRe.globalMatch(svg);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString text = plainText(m.captured(2));
        const QRegularExpressionMatch fm = familyRe.match(m.captured(1));
        if (!fm.hasMatch()) {
            *error = QStringLiteral("text \"%1\" names no font-family").arg(text);
            return false;
        }
        const QString family = fm.captured(1);
        if (!installed.contains(family)) {
            *error
                = QStringLiteral("font \"%1\" for text \"%2\" is not installed").arg(family, text);
            return false;
        }
        const QFontMetrics metrics{QFont(family)};
        for (const char32_t ch : text.toUcs4()) {
            if (ch != U' ' && !metrics.inFontUcs4(ch)) {
                *error = QStringLiteral("font \"%1\" has no glyph for U+%2 in \"%3\"")
                             .arg(family)
                             .arg(static_cast<uint>(ch), 4, 16, QLatin1Char('0'))
                             .arg(text);
                return false;
            }
        }
    }
    return true;
}

bool renderToPng(const QString &svg, const QString &path, QString *error)
{
    QSvgRenderer renderer(svg.toUtf8());
    if (!renderer.isValid()) {
        *error = QStringLiteral("not a valid SVG drawing");
        return false;
    }
    const QSize size = renderer.defaultSize();
    if (size.isEmpty()) {
        *error = QStringLiteral("the drawing has no width and height");
        return false;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(
            QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    if (!image.save(path, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

} // namespace KVIconRender
