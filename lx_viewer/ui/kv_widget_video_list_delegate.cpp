#include "kv_widget_video_list_delegate.h"

#include "kv_widget_video_list.h"

#include <QFontMetrics>
#include <QPainter>

KVWidgetVideoListDelegate::KVWidgetVideoListDelegate(KVWidgetVideoList *table)
    : QStyledItemDelegate(table), _table(table)
{
}

QFont KVWidgetVideoListDelegate::cellFont(int column)
{
    QFont font(column == KVWidgetVideoList::COLUMN_TYPE ? QStringLiteral("MS PGothic")
                                                        : QStringLiteral("Monospace"));
    font.setPixelSize(12);
    return font;
}

QFont KVWidgetVideoListDelegate::fittingFont(int column, const QString &text, int width)
{
    QFont font = cellFont(column);
    // Linux resolves "Monospace" to a true fixed-width face, wider than the
    // columns were measured for: a text that would spill into the next cell
    // is narrowed instead.
    const int advance = QFontMetrics(font).horizontalAdvance(text);
    const int room = width - 2;
    if (advance > room && advance > 0)
        font.setStretch(qMax(50, room * 100 / advance));
    return font;
}

void KVWidgetVideoListDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    const bool selected = index.row() == _selectedRow;
    painter->fillRect(option.rect, selected ? QColor(0x4C, 0x4C, 0x4C) : QColor(0x73, 0x73, 0x73));
    const QString text = _table->cellText(index.row(), index.column());
    painter->setFont(fittingFont(index.column(), text, option.rect.width()));
    painter->setPen(Qt::white);
    painter->drawText(option.rect, Qt::AlignCenter, text);
    painter->restore();
}
