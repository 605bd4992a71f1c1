#include "startupquestions.h"

#include "app/messagelines.h"
#include "database/database.h"
#include "settings/registerchoice.h"
#include "settings/registerchoicewidget.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QVBoxLayout>

namespace {

using Kind = RegisterFailure::Kind;

const QString attention = QStringLiteral("Внимание!");
const QString failure = QStringLiteral("Ошибка");

QString registerName()
{
    return QDir::toNativeSeparators(Database::databasePath());
}

// Retry or Exit; true for Retry.
bool askRetry(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Retry | QMessageBox::Cancel);
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Выход"));
    box.setDefaultButton(QMessageBox::Retry);
    return box.exec() == QMessageBox::Retry;
}

void tell(const QString &title, const QString &text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.exec();
}

enum class DamageChoice { Restored, GoOn, NewRegister, Exit };

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
                            ? QStringLiteral("Часть документов может не читаться.\n\n")
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
                    before.arg(registerName()),
                    damage.detail.split(lineBreaks, Qt::SkipEmptyParts),
                    after);
}

// Until the user restores the newest good backup, goes on as it is or leaves.
DamageChoice askAboutDamage(const RegisterFailure &damage)
{
    for (;;) {
        Database::Inspection found;
        const QString backup = Database::newestBackup(&found);
        QMessageBox box(QMessageBox::Warning, attention, QString(), QMessageBox::NoButton);
        setDamageText(&box, damage, backup, found);
        QPushButton *restoreButton = nullptr;
        if (!backup.isEmpty())
            restoreButton = box.addButton(QStringLiteral("Восстановить"), QMessageBox::AcceptRole);
        // A register whose header does not read cannot be worked with as it is.
        QPushButton *goOn = box.addButton(damage.readable ? QStringLiteral("Продолжить")
                                                          : QStringLiteral("Создать новый реестр"),
                                          QMessageBox::ActionRole);
        box.addButton(QStringLiteral("Выход"), QMessageBox::RejectRole);
        box.exec();
        if (box.clickedButton() == goOn)
            return damage.readable ? DamageChoice::GoOn : DamageChoice::NewRegister;
        if (!restoreButton || box.clickedButton() != restoreButton)
            return DamageChoice::Exit;
        QString error;
        QString kept;
        if (Database::restore(backup, &error, &kept)) {
            tell(QStringLiteral("Информация"),
                 QStringLiteral("Резервная копия успешно загружена.\nПовреждённый реестр "
                                "сохранён в файле %1.")
                         .arg(QDir::toNativeSeparators(kept)),
                 QMessageBox::Information);
            return DamageChoice::Restored;
        }
        tell(failure,
             QStringLiteral("Не удалось загрузить резервную копию.\n") + error,
             QMessageBox::Warning);
    }
}

// The wrong-format question: OK moves the file aside for a new register.
bool askReplaceWrongFormat()
{
    QMessageBox box(QMessageBox::NoIcon,
                    attention,
                    QStringLiteral("Неверный формат базы данных. \nБудет создана пустая база "
                                   "данных верного формата взамен текущей"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

StartupQuestions::Outcome replaceWithNewRegister()
{
    QString renamedTo;
    const RegisterFailure failed = Database::replaceWithNewRegister(&renamedTo);
    if (failed.ok())
        return StartupQuestions::Outcome::Opened;
    if (renamedTo.isEmpty())
        tell(failure,
             QStringLiteral("Не удалось переименовать файл %1: %2.\nФайл оставлен как есть, новый "
                            "реестр не создан. Проверьте, что папка данных доступна для записи.")
                     .arg(registerName(), failed.detail),
             QMessageBox::Critical);
    else
        tell(failure,
             QStringLiteral("Не удалось создать новый реестр %1: %2.\nПрежний файл сохранён под "
                            "именем %3.")
                     .arg(registerName(), failed.detail, QDir::toNativeSeparators(renamedTo)),
             QMessageBox::Critical);
    return StartupQuestions::Outcome::CannotGoOn;
}

// The register settings on their own, for a server address to be put right before
// the program goes on; true when a choice was stored.
bool editRegisterChoice()
{
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Реестр"));
    auto layout = new QVBoxLayout(&dialog);
    auto choice = new RegisterChoiceWidget(&dialog);
    layout->addWidget(choice);
    auto buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("Сохранить"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog, choice] {
        QString incomplete;
        if (!choice->isComplete(&incomplete))
            tell(attention, incomplete, QMessageBox::Warning);
        else if (!choice->save())
            tell(failure,
                 QStringLiteral("Не удалось записать файл настроек %1.")
                         .arg(QDir::toNativeSeparators(Database::userSettings()->fileName())),
                 QMessageBox::Critical);
        else
            dialog.accept();
    });
    return dialog.exec() == QDialog::Accepted;
}

enum class ServerChoice { Retry, NewChoice, Exit };

// A server register that does not open: what stands in the way and what to check.
ServerChoice askAboutServer(const RegisterFailure &found)
{
    for (;;) {
        QMessageBox box(QMessageBox::Warning,
                        failure,
                        found.text(Database::registerAddress().toString()),
                        QMessageBox::NoButton);
        QPushButton *retry = box.addButton(QStringLiteral("Повторить"), QMessageBox::AcceptRole);
        QPushButton *settings
                = box.addButton(QStringLiteral("Настройки реестра"), QMessageBox::ActionRole);
        box.addButton(QStringLiteral("Выход"), QMessageBox::RejectRole);
        box.setDefaultButton(retry);
        box.exec();
        if (box.clickedButton() == retry)
            return ServerChoice::Retry;
        if (box.clickedButton() != settings)
            return ServerChoice::Exit;
        if (editRegisterChoice())
            return ServerChoice::NewChoice;
    }
}

} // namespace

bool StartupQuestions::takeRegisterChoice()
{
    if (!RegisterChoice::serverChosen()) {
        Database::useDataFolderRegister();
        return true;
    }
    RegisterAddress server;
    QString error;
    if (!RegisterChoice::storedServer(&server, &error)) {
        tell(failure,
             error
                     + QStringLiteral("\nУкажите сервер на вкладке «Реестр» настроек программы "
                                      "или выберите файл на этом компьютере."),
             QMessageBox::Critical);
        return false;
    }
    Database::chooseRegister(server);
    return true;
}

StartupQuestions::Outcome StartupQuestions::openRegister()
{
    bool acceptReadableDamage = false;
    for (;;) {
        const RegisterFailure found = Database::open(acceptReadableDamage);
        // Nothing of a server register is ever moved aside or replaced from here.
        if (!found.ok() && Database::onServer()) {
            switch (askAboutServer(found)) {
            case ServerChoice::Retry:
                continue;
            case ServerChoice::NewChoice:
                return Outcome::NewChoice;
            case ServerChoice::Exit:
                return Outcome::Left;
            }
        }
        switch (found.kind) {
        case Kind::None:
            return Outcome::Opened;
        case Kind::Busy:
            // A file in use is no bad file: it is never moved, rebuilt or replaced.
            if (!askRetry(attention, Database::busyText()))
                return Outcome::Left;
            break;
        case Kind::Unreadable:
            if (!askRetry(failure,
                          QStringLiteral("Реестр %1 не удаётся прочитать: %2.\nПроверьте права "
                                         "доступа к файлу и исправность диска. Файл оставлен без "
                                         "изменений.")
                                  .arg(registerName(), found.detail)))
                return Outcome::Left;
            break;
        case Kind::Damaged:
            switch (askAboutDamage(found)) {
            case DamageChoice::Restored:
                return Outcome::Opened;
            case DamageChoice::GoOn:
                acceptReadableDamage = true;
                break;
            case DamageChoice::NewRegister:
                return replaceWithNewRegister();
            case DamageChoice::Exit:
                return Outcome::Left;
            }
            break;
        case Kind::NotARegister:
            if (!askReplaceWrongFormat())
                return Outcome::Left;
            return replaceWithNewRegister();
        case Kind::Empty:
            // Nothing in it to lose or to ask about.
            return replaceWithNewRegister();
        case Kind::Missing:
        case Kind::Unwritable:
        // A file has no server to be refused by: these come from a server only.
        case Kind::Unreachable:
        case Kind::Refused:
        case Kind::OldServer:
        case Kind::Untrusted:
            tell(failure, found.text(Database::databasePath()), QMessageBox::Critical);
            return Outcome::CannotGoOn;
        }
    }
}

void StartupQuestions::noticeVersionChange()
{
    if (!Database::checkVersionChange())
        return;
    QMessageBox::information(
            nullptr,
            attention,
            QStringLiteral("Похоже, что вы установили новую версию программы и у вас прописан "
                           "нестандартный путь к файлам настроек и шаблонов.\nДля того, чтобы "
                           "программа использовала актуальные шаблоны, необходимо зайти в "
                           "Инструменты - Настройки программы -  Расположение файлов и нажать на "
                           "кнопку 'Восстановит шаблоны по умолчанию'"),
            QMessageBox::Ok);
}
