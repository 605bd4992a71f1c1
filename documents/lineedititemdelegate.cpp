#include "lineedititemdelegate.h"

#include "settings/spellchecker.h"

#include <QLineEdit>

LineEditItemDelegate::LineEditItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QWidget *LineEditItemDelegate::createEditor(QWidget *parent,
                                            const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    auto editor = new QLineEdit(parent);
    attachSpellChecker(editor);
    return editor;
}

void LineEditItemDelegate::updateEditorGeometry(QWidget *editor,
                                                const QStyleOptionViewItem &option,
                                                const QModelIndex &index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
}
