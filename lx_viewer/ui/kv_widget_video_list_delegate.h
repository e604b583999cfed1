#pragma once
// Paints every cell of the recording table from the catalogue's current
// list, by row index: the cell filled with #737373 (#4C4C4C on the selected
// row), the column's text centred in white, 12-pixel "MS PGothic" in the
// type column and "Monospace" elsewhere.
//
// Thread: GUI thread only.

#include <QStyledItemDelegate>

class KVWidgetVideoList;

class KVWidgetVideoListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit KVWidgetVideoListDelegate(KVWidgetVideoList *table);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;

    int selectedRow() const { return _selectedRow; }
    void setSelectedRow(int row) { _selectedRow = row; }
    int playingRow() const { return _playingRow; }
    void setPlayingRow(int row) { _playingRow = row; }

    // The font of a column's cells.
    static QFont cellFont(int column);
    // cellFont, narrowed when text would be wider than the cell.
    static QFont fittingFont(int column, const QString &text, int width);

private:
    KVWidgetVideoList *_table = nullptr;
    int _selectedRow = -1;
    int _playingRow = -1;
};
