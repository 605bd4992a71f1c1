#include "comboboxitemdelegate.h"

#include "itemoperations.h"

#include <QComboBox>

namespace {

// Set while a grade the user chose is being written; anything else that asks the delegate to
// write (the editor losing the focus, Enter) leaves the grade alone, so a stored grade the
// list lacks is not replaced by the empty item it shows.
const char *const chosenProperty = "gradeChosen";

} // namespace

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
    // The table is scrolled over grades that stay open in their cells.
    wheelOnlyWhenFocused(combo);
    // The editors stay open over the cells, so a choice goes to the cell as soon as it is made.
    auto *self = const_cast<ComboBoxItemDelegate *>(this);
    connect(combo, QOverload<int>::of(&QComboBox::activated), self, [self, combo]() {
        combo->setProperty(chosenProperty, true);
        emit self->commitData(combo);
        combo->setProperty(chosenProperty, false);
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
    if (combo->property(chosenProperty).toBool())
        model->setData(index, combo->currentText(), Qt::EditRole);
}

void ComboBoxItemDelegate::updateEditorGeometry(QWidget *editor,
                                                const QStyleOptionViewItem &option,
                                                const QModelIndex &index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
}
