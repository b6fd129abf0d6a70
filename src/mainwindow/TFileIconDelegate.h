// SPDX-License-Identifier: MIT
#pragma once

#include <QStyledItemDelegate>

// Draws the items of the file list's icon and list styles in cells of one size. The view lays out
// tens of thousands of rows by the size of the first (uniform item sizes); without a fixed cell,
// every name longer than the first row's would be cut short.
class TFileIconDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit TFileIconDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

    void SetCellSize(QSize size) { CellSize = size; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    // Names under large icons stand centred below their icon.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QSize CellSize;
};
