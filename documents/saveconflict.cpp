#include "saveconflict.h"

#include <QMessageBox>
#include <QPushButton>

SaveConflict::Choice SaveConflict::ask(QWidget *parent, const QString &changed)
{
    QMessageBox box(QMessageBox::Warning,
                    QStringLiteral("Внимание!"),
                    QStringLiteral("%1 в другом месте после того, как вы его открыли.\n\n"
                                   "«Загрузить заново» покажет сохранённые данные, ваши изменения "
                                   "будут потеряны.\n«Перезаписать» сохранит ваши данные вместо "
                                   "чужих изменений.")
                            .arg(changed),
                    QMessageBox::Discard | QMessageBox::Save | QMessageBox::Cancel,
                    parent);
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Загрузить заново"));
    box.button(QMessageBox::Save)->setText(QStringLiteral("Перезаписать"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Discard:
        return Choice::Reload;
    case QMessageBox::Save:
        return Choice::Overwrite;
    default:
        return Choice::Cancel;
    }
}

bool SaveConflict::saveAnew(QWidget *parent, const QString &deleted)
{
    QMessageBox box(QMessageBox::Warning,
                    QStringLiteral("Внимание!"),
                    QStringLiteral("%1 из реестра в другом месте после того, как вы его открыли."
                                   "\n\n«Сохранить как новый» запишет введённые данные в реестр "
                                   "заново (без приложения, удалённого вместе с ним).\n«Закрыть» "
                                   "закроет окно, введённые данные не сохранятся.")
                            .arg(deleted),
                    QMessageBox::Save | QMessageBox::Close,
                    parent);
    box.button(QMessageBox::Save)->setText(QStringLiteral("Сохранить как новый"));
    box.button(QMessageBox::Close)->setText(QStringLiteral("Закрыть"));
    box.setDefaultButton(QMessageBox::Save);
    return box.exec() == QMessageBox::Save;
}
