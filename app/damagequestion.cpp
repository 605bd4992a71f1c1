#include "damagequestion.h"

#include "app/messagelines.h"
#include "database/database.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace {

using Kind = RegisterFailure::Kind;

// The damage as a message: what the check found (a list that may run to a hundred lines, so
// it goes through setMessageLines) and what can be done about it.
void setDamageText(QMessageBox *box,
                   const RegisterFailure &damage,
                   const QString &backup,
                   const Database::Inspection &found)
{
    const QString before
            = damage.readable
                      ? QStringLiteral("Реестр %1 повреждён: проверка целостности нашла ошибки:")
                      : QStringLiteral("Реестр %1 повреждён: не читается его заголовок:");
    QString after = damage.readable
                            ? QStringLiteral("Часть документов или истории их изменений может не "
                                             "читаться.\n\n")
                            : QStringLiteral("Ни один документ реестра прочитать нельзя.\n\n");
    if (backup.isEmpty())
        after += QStringLiteral("Резервная копия реестра не найдена.");
    else if (found.failure.kind == Kind::Busy)
        after += QStringLiteral("Последняя резервная копия: %1\nОна сейчас используется другой "
                                "программой: закройте ту программу и нажмите «Восстановить».")
                         .arg(QDir::toNativeSeparators(backup));
    else
        after += QStringLiteral("Последняя резервная копия: %1\nДокументов в ней: %2, последнее "
                                "изменение: %3.\nВосстановить реестр из неё? Повреждённый "
                                "реестр будет сохранён в папке данных.")
                         .arg(QDir::toNativeSeparators(backup))
                         .arg(found.documents)
                         .arg(Database::changeDateText(found.newestChange));
    if (!damage.readable)
        after += QStringLiteral("\n\n«Создать новый реестр» начнёт работу с пустым реестром; "
                                "повреждённый файл останется в папке данных.");
    static const QRegularExpression lineBreaks(QStringLiteral("\n|; "));
    setMessageLines(box,
                    before.arg(QDir::toNativeSeparators(Database::databasePath())),
                    damage.detail.split(lineBreaks, Qt::SkipEmptyParts),
                    after);
}

} // namespace

DamageQuestion::Choice
DamageQuestion::ask(const RegisterFailure &damage, Leaving leaving, QWidget *parent)
{
    for (;;) {
        Database::Inspection found;
        const QString backup = Database::newestBackup(&found);
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Внимание!"),
                        QString(),
                        QMessageBox::NoButton,
                        parent);
        setDamageText(&box, damage, backup, found);
        QPushButton *restoreButton = nullptr;
        if (!backup.isEmpty())
            restoreButton = box.addButton(QStringLiteral("Восстановить"), QMessageBox::AcceptRole);
        // A register whose header does not read cannot be worked with as it is.
        QPushButton *goOn = box.addButton(damage.readable ? QStringLiteral("Продолжить")
                                                          : QStringLiteral("Создать новый реестр"),
                                          QMessageBox::ActionRole);
        if (leaving == Leaving::Offered)
            box.addButton(QStringLiteral("Выход"), QMessageBox::RejectRole);
        else
            box.setEscapeButton(goOn);
        box.exec();
        if (box.clickedButton() == goOn)
            return damage.readable ? Choice::GoOn : Choice::NewRegister;
        if (!restoreButton || box.clickedButton() != restoreButton)
            return leaving == Leaving::Offered ? Choice::Exit : Choice::GoOn;
        QString error;
        QString kept;
        if (Database::restore(backup, &error, &kept)) {
            QMessageBox(QMessageBox::Information,
                        QStringLiteral("Информация"),
                        QStringLiteral("Резервная копия успешно загружена.\nПовреждённый "
                                       "реестр сохранён в файле %1.")
                                .arg(QDir::toNativeSeparators(kept)),
                        QMessageBox::Ok,
                        parent)
                    .exec();
            return Choice::Restored;
        }
        QMessageBox(QMessageBox::Warning,
                    QStringLiteral("Ошибка"),
                    QStringLiteral("Не удалось загрузить резервную копию.\n") + error,
                    QMessageBox::Ok,
                    parent)
                .exec();
    }
}
