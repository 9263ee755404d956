#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

/// Draws items as the style does and frames the current item of a view that
/// has the focus in a two-pixel line of the text colour, so the keyboard's
/// place is clear in any palette, on a chosen item too; some styles mark it
/// faintly or not at all.
class FocusFrameDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    /// Gives view this delegate.
    static void Install(QAbstractItemView *view);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
