#include "comboboxitemdelegate.h"

#include <QComboBox>

ComboBoxItemDelegate::ComboBoxItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QStringList ComboBoxItemDelegate::grades()
{
    return {QString(),
            QStringLiteral("5"),
            QStringLiteral("4"),
            QStringLiteral("3"),
            QStringLiteral("2"),
            QStringLiteral("Освоено")};
}

QWidget *ComboBoxItemDelegate::createEditor(QWidget *parent,
                                            const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    auto *combo = new QComboBox(parent);
    combo->addItems(grades());
    // The editors stay open over the cells, so a choice goes to the cell as soon as it is made.
    auto *self = const_cast<ComboBoxItemDelegate *>(this);
    connect(combo, QOverload<int>::of(&QComboBox::activated), self, [self, combo]() {
        emit self->commitData(combo);
    });
    return combo;
}

void ComboBoxItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const int found = combo->findText(index.data(Qt::EditRole).toString(),
                                      Qt::MatchExactly | Qt::MatchCaseSensitive);
    // A grade the list lacks shows the empty item, also in an editor that showed another row's
    // grade before the rows were moved.
    combo->setCurrentIndex(qMax(0, found));
}

void ComboBoxItemDelegate::setModelData(QWidget *editor,
                                        QAbstractItemModel *model,
                                        const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    model->setData(index, combo->currentText(), Qt::EditRole);
}

void ComboBoxItemDelegate::updateEditorGeometry(QWidget *editor,
                                                const QStyleOptionViewItem &option,
                                                const QModelIndex &index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
}
