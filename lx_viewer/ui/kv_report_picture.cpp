#include "kv_report_picture.h"

#include <QPainter>

#include <algorithm>

namespace KVReportPicture
{

QRect aspectFit(const QSize &size, const QRect &area)
{
    if (size.width() <= 0 || size.height() <= 0 || area.width() <= 0 || area.height() <= 0)
        return QRect();
    const float w = float(size.width());
    const float h = float(size.height());
    const float s = std::min(float(area.width()) / w, float(area.height()) / h);
    const float sw = w * s;
    const float sh = h * s;
    const float x = float(area.left()) + (float(area.width()) - sw) * 0.5f;
    const float y = float(area.top()) + (float(area.height()) - sh) * 0.5f;
    return QRect(int(x), int(y), int(sw), int(sh));
}

QImage blankMap()
{
    QImage map(kMapSize, QImage::Format_ARGB32_Premultiplied);
    map.fill(Qt::white);
    return map;
}

QImage compose(const QImage &screenshot, const QImage &map, const std::optional<QPoint> &mapAt)
{
    QImage out = screenshot.convertToFormat(QImage::Format_RGB32);
    if (out.isNull() || !mapAt)
        return out;
    const QImage cut = map.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                           .copy(QRect(QPoint(0, 0), kMapSize));
    QPainter painter(&out);
    painter.drawImage(*mapAt, cut);
    painter.end();
    return out;
}

} // namespace KVReportPicture
