#pragma once

#include <QStyledItemDelegate>

// Discipline names are edited in a plain line edit over the cell.
class LineEditItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit LineEditItemDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent,
                          const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor,
                              const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
};
