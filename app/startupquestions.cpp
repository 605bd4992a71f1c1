#include "startupquestions.h"

#include "app/damagequestion.h"
#include "database/database.h"
#include "settings/registerchoice.h"
#include "settings/registerchoicewidget.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
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
            switch (DamageQuestion::ask(found, DamageQuestion::Leaving::Offered)) {
            case DamageQuestion::Choice::Restored:
                return Outcome::Opened;
            case DamageQuestion::Choice::GoOn:
                acceptReadableDamage = true;
                break;
            case DamageQuestion::Choice::NewRegister:
                return replaceWithNewRegister();
            case DamageQuestion::Choice::Exit:
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
