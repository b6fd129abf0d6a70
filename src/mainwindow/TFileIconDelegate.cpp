// SPDX-License-Identifier: MIT
#include "mainwindow/TFileIconDelegate.h"

QSize TFileIconDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return CellSize.isValid() ? CellSize : QStyledItemDelegate::sizeHint(option, index);
}

void TFileIconDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->decorationPosition == QStyleOptionViewItem::Top)
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
}
