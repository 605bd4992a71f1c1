#include "unsavedchanges.h"

#include <QMessageBox>
#include <QPushButton>

bool UnsavedChanges::settle(QWidget *window,
                            bool changed,
                            const QString &text,
                            const QString &informative,
                            const std::function<bool()> &save)
{
    if (!changed)
        return true;
    QMessageBox box(QMessageBox::Question,
                    QStringLiteral("Внимание!"),
                    text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                    window);
    box.setInformativeText(informative);
    box.button(QMessageBox::Save)->setText(QStringLiteral("Сохранить"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Не сохранять"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}
