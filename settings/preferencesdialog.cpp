#include "preferencesdialog.h"
#include "ui_preferencesdialog.h"

#include "app/appinfo.h"
#include "app/debuglog.h"
#include "database/database.h"
#include "printing/defaulttemplates.h"
#include "printing/reportlist.h"
#include "settings/spellchecker.h"
#include "settings/widgetgeometry.h"

#include "ZrReport/filereplacement.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QSettings>
#include <QSqlDatabase>
#include <QTextCodec>
#include <QTime>

namespace {

const QString attentionTitle = QStringLiteral("Внимание!");

// The boxes of this dialog have no parent and no icon, like the rest of its talk.
bool askUser(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, attentionTitle, text, QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void tellUser(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, attentionTitle, text, QMessageBox::Ok);
    box.exec();
}

QTextCodec *passwordCodec()
{
    return QTextCodec::codecForName("CP1251");
}

QByteArray scrambleBytes(QByteArray bytes, const QByteArray &key)
{
    for (int i = 0; i < bytes.size(); ++i) {
        quint8 b = quint8(bytes.at(i));
        for (int j = 0; j < key.size(); ++j)
            b ^= quint8(quint8(key.at(j)) + j * i);
        bytes[i] = char(b);
    }
    return bytes;
}

// An existing target is never lost to a failed copy: the copy takes its place only
// once it has the source's size.
bool copyVerified(const QString &source, const QString &target)
{
    QString error;
    if (!FileReplacement::copy(source, target, &error)) {
        ZR_LOG() << "cant copy" << source << "to" << target << error;
        return false;
    }
    return true;
}

// The transfer closed the register to copy it; when the program goes on in
// the old folder it has to be open again, or every later save would be lost.
void reopenRegister()
{
    const QSqlDatabase db
            = QSqlDatabase::database(QString::fromLatin1(QSqlDatabase::defaultConnection), true);
    if (!db.isOpen())
        ZR_LOG() << "cant reopen database" << db.databaseName();
}

} // namespace

PreferencesDialog::PreferencesDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::PreferencesDialog)
    , m_key(scrambleKey())
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Настройки программы"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    setWindowModality(Qt::ApplicationModal);

    connect(ui->checkBoxUseProxy, &QCheckBox::toggled, ui->groupBoxProxy, &QWidget::setEnabled);
    connect(ui->checkBoxSpellChecking,
            &QCheckBox::toggled,
            ui->groupBoxAddWord,
            &QWidget::setEnabled);

    loadOptions();

    QSettings *settings = Database::userSettings();
    const QString stored
            = settings->value(QString::fromLatin1(AppInfo::applicationName) + "/dataPath",
                              QString())
                      .toString();
    ui->lineEditDataPath->setText(stored);
    m_currentDataFolder = stored.isEmpty() ? defaultDataFolder() : stored;
    // Nothing is saved for this dialog; its size only has to fit the screen.
    restoreGeometryOnScreen(this, QByteArray());
}

PreferencesDialog::~PreferencesDialog()
{
    delete ui;
}

QString PreferencesDialog::scrambleKey()
{
    return QStringLiteral("lanterns406");
}

QString PreferencesDialog::scramblePassword(const QString &text, const QString &key)
{
    const QByteArray bytes
            = scrambleBytes(passwordCodec()->fromUnicode(text), passwordCodec()->fromUnicode(key));
    return QString::fromLatin1(bytes.toHex());
}

QString PreferencesDialog::unscramblePassword(const QString &hex, const QString &key)
{
    const QByteArray bytes
            = scrambleBytes(QByteArray::fromHex(hex.toLatin1()), passwordCodec()->fromUnicode(key));
    return passwordCodec()->toUnicode(bytes);
}

void PreferencesDialog::applyProxy()
{
    QSettings *settings = Database::dataSettings();
    QNetworkProxy proxy;
    if (settings->value(QStringLiteral("Proxy/enabled"), false).toBool()) {
        proxy.setType(QNetworkProxy::Socks5Proxy);
        proxy.setHostName(settings->value(QStringLiteral("Proxy/hostName")).toString());
        proxy.setPort(quint16(settings->value(QStringLiteral("Proxy/port"), 0).toInt()));
        const QString user = settings->value(QStringLiteral("Proxy/user")).toString();
        if (!user.isEmpty()) {
            proxy.setUser(user);
            proxy.setPassword(unscramblePassword(
                    settings->value(QStringLiteral("Proxy/password")).toString()));
        }
    } else {
        proxy.setType(QNetworkProxy::NoProxy);
    }
    QNetworkProxy::setApplicationProxy(proxy);
}

QString PreferencesDialog::defaultDataFolder()
{
    return DefaultTemplates::defaultDataPath();
}

QStringList PreferencesDialog::templateIds()
{
    ReportList::init();
    QStringList ids;
    for (const ReportListEntry *entry : ReportList::entries())
        ids << entry->id;
    return ids;
}

QStringList PreferencesDialog::dataFileNames()
{
    QStringList files;
    for (const QString &id : templateIds())
        files << "reports/" + id + ".zrrpt";
    // The data folder's settings.ini holds the proxy settings; the question
    // promises to take the settings along, so they go too.
    files << QStringLiteral("dict/ru_RU.aff") << QStringLiteral("dict/ru_RU.dic")
          << QStringLiteral("settings.ini")
          << QString::fromLatin1(AppInfo::applicationName) + ".db";
    return files;
}

void PreferencesDialog::loadOptions()
{
    QSettings *data = Database::dataSettings();
    const bool useProxy = data->value(QStringLiteral("Proxy/enabled"), false).toBool();
    ui->checkBoxUseProxy->setChecked(useProxy);
    ui->lineEditHost->setText(data->value(QStringLiteral("Proxy/hostName")).toString());
    ui->spinBoxPort->setValue(data->value(QStringLiteral("Proxy/port"), 0).toInt());
    ui->lineEditUser->setText(data->value(QStringLiteral("Proxy/user")).toString());
    ui->lineEditPass->setText(
            unscramblePassword(data->value(QStringLiteral("Proxy/password")).toString(), m_key));
    ui->groupBoxProxy->setEnabled(useProxy);

    const bool spelling = Database::userSettings()
                                  ->value(QStringLiteral("SpellChecker/enabled"), true)
                                  .toBool();
    ui->checkBoxSpellChecking->setChecked(spelling);
    ui->groupBoxAddWord->setEnabled(spelling);

    if (!SpellChecker::instance()) {
        ui->groupBoxAddWord->setEnabled(false);
        ui->checkBoxSpellChecking->setEnabled(false);
        ui->labelSpellCheckerState->setText(
                QStringLiteral("Не удалось найти словари для проверки орфографии, обновите или "
                               "переустановите программу."));
        ui->labelSpellCheckerState->setStyleSheet(QStringLiteral("color: red;"));
    }
    ui->registerChoice->load();
}

bool PreferencesDialog::saveOptions()
{
    QSettings *data = Database::dataSettings();
    data->setValue(QStringLiteral("Proxy/enabled"), ui->checkBoxUseProxy->isChecked());
    data->setValue(QStringLiteral("Proxy/hostName"), ui->lineEditHost->text());
    data->setValue(QStringLiteral("Proxy/port"), ui->spinBoxPort->value());
    data->setValue(QStringLiteral("Proxy/user"), ui->lineEditUser->text());
    data->setValue(QStringLiteral("Proxy/password"),
                   scramblePassword(ui->lineEditPass->text(), m_key));
    data->sync();
    QSettings *user = Database::userSettings();
    user->setValue(QStringLiteral("SpellChecker/enabled"), ui->checkBoxSpellChecking->isChecked());
    user->sync();
    const bool registerStored = ui->registerChoice->save();
    return data->status() == QSettings::NoError && user->status() == QSettings::NoError
           && registerStored;
}

void PreferencesDialog::on_pushButtonSave_clicked()
{
    QString incomplete;
    if (!ui->registerChoice->isComplete(&incomplete)) {
        ui->tabWidget->setCurrentWidget(ui->tabRegister);
        tellUser(incomplete);
        return;
    }
    if (!saveOptions()) {
        ZR_LOG() << "settings not written" << Database::dataSettings()->fileName()
                 << Database::userSettings()->fileName();
        tellUser(QStringLiteral("Настройки не сохранены: не удалось записать файл настроек "
                                "(нет места на диске или запись запрещена). Окно оставлено "
                                "открытым, попробуйте сохранить ещё раз."));
        return;
    }
    applyProxy();
    emit updateOptions();
    hide();
    deleteLater();
}

void PreferencesDialog::on_pushButtonCancel_clicked()
{
    deleteLater();
    hide();
}

void PreferencesDialog::on_pushButtonAddWord_clicked()
{
    const QString word = ui->lineEditUserWord->text();
    ui->lineEditUserWord->clear();
    if (SpellChecker *checker = SpellChecker::instance())
        checker->addToUserWordlist(word);
}

void PreferencesDialog::on_pushButtonBrowse_clicked()
{
    const QString typed = ui->lineEditDataPath->text().trimmed();
    QFileDialog dialog(this, QString(), typed.isEmpty() ? defaultDataFolder() : typed);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ui->lineEditDataPath->setText(dialog.selectedFiles().first());
}

QString PreferencesDialog::chosenDataFolder() const
{
    const QString typed = ui->lineEditDataPath->text().trimmed();
    return typed.isEmpty() ? defaultDataFolder() : typed;
}

bool PreferencesDialog::validateDataFolder(const QString &path)
{
    if (Database::samePath(path, m_currentDataFolder)) {
        tellUser(QStringLiteral("Настройки уже хранятся в указанном каталоге"));
        return false;
    }
    if (QDir::isRelativePath(path)) {
        tellUser(QStringLiteral("Каталог введён некорректно."));
        return false;
    }
    if (!QFileInfo::exists(path)) {
        if (!askUser(QStringLiteral("Указаный каталог не существует!\nСоздать указанный каталог?")))
            return false;
        if (!QDir().mkpath(path)) {
            tellUser(QStringLiteral("Не удалось создать указанный каталог"));
            return false;
        }
    }
    QDir folder(path);
    QString probe = "Temp" + QTime::currentTime().toString(QStringLiteral("hhmmss"));
    while (folder.exists(probe))
        probe += QLatin1Char('_');
    const bool writable = folder.mkdir(probe);
    folder.rmdir(probe);
    if (!writable) {
        tellUser(QStringLiteral("У вас недостаточно прав для записы в выбранный каталог"));
        return false;
    }
    return true;
}

bool PreferencesDialog::applyDataFolder(const QString &path, bool ask)
{
    if (ask) {
        if (!askUser(QStringLiteral("Вы уверены, что хотите место расположения данных, настроек и "
                                    "шаблонов бланков на каталог '%1?'")
                             .arg(path)))
            return false;
        if (!validateDataFolder(path))
            return false;
    }
    QSettings *settings = Database::userSettings();
    settings->setValue(QString::fromLatin1(AppInfo::applicationName) + "/dataPath", path);
    settings->sync();
    QCoreApplication::processEvents();
    tellUser(QStringLiteral("Каталог настроек успешно изменён!\nДля применения изменений программа "
                            "будет закрыта."));
    QCoreApplication::exit(0);
    return true;
}

bool PreferencesDialog::transferDataFiles(bool move)
{
    const QString target = chosenDataFolder();
    if (!validateDataFolder(target))
        return false;
    if (!askUser(QStringLiteral("Вы уверены, что хотите %1 файлы базы данных, настроек и шаблонов "
                                "бланков в каталог '%2?'")
                         .arg(move ? QStringLiteral("перенести") : QStringLiteral("скопировать"),
                              target)))
        return false;
    const QDir targetDir(target);
    const bool empty = targetDir
                               .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                          | QDir::System)
                               .isEmpty();
    if (!empty
        && !askUser(
                QStringLiteral("Указаный каталог уже содержит файлы!\nНастоятельно рекомендуем "
                               "%1 настройки в пустой каталог\nПродолжить всё равно?")
                        .arg(move ? QStringLiteral("переносить") : QStringLiteral("копировать"))))
        return false;

    const QDir source(m_currentDataFolder);
    targetDir.mkpath(QStringLiteral("reports"));
    if (source.exists(QStringLiteral("dict")))
        targetDir.mkpath(QStringLiteral("dict"));

    Database::dataSettings()->sync();
    Database::close();

    QStringList copied;
    for (const QString &file : dataFileNames()) {
        const QString from = source.filePath(file);
        const QString to = targetDir.filePath(file);
        // Nothing to take along (a folder without dictionaries, say) is not a failure.
        if (!QFileInfo(from).isFile())
            continue;
        if (QFileInfo::exists(to)
            && !askUser(QStringLiteral("Файл %1 уже существует.\nПерезаписать?").arg(to)))
            continue;
        if (!copyVerified(from, to)) {
            // Nothing is removed and the folder stays as it is: the data the
            // program runs on is still complete where it was.
            reopenRegister();
            tellUser(QStringLiteral("Не удалось скопировать файл %1 в %2.\n%3")
                             .arg(from,
                                  to,
                                  move ? QStringLiteral("Файлы не перенесены, каталог настроек не "
                                                        "изменён.")
                                       : QStringLiteral("Каталог настроек не изменён.")));
            return false;
        }
        copied << file;
    }
    if (move) {
        for (const QString &file : copied) {
            if (!QFile::remove(source.filePath(file)))
                ZR_LOG() << "cant remove" << source.filePath(file);
        }
        source.rmdir(QStringLiteral("reports"));
        source.rmdir(QStringLiteral("dict"));
    }
    return applyDataFolder(target, false);
}

bool PreferencesDialog::restoreDefaultTemplates()
{
    if (!askUser(QStringLiteral("Вы уверены, что хотите безвозвратно заменить ваши текущие шаблоны "
                                "на шаблоны по умолчанию?")))
        return false;
    const QDir reports(m_currentDataFolder + "/reports");
    if (!reports.exists())
        QDir(m_currentDataFolder).mkpath(QStringLiteral("reports"));
    const QDir defaults(defaultDataFolder() + "/default_reports");
    QStringList failed;
    for (const QString &id : templateIds()) {
        const QString name = id + ".zrrpt";
        // The current template is replaced only by a complete copy of the default.
        if (!QFileInfo(defaults.filePath(name)).isFile()
            || !copyVerified(defaults.filePath(name), reports.filePath(name))) {
            ZR_LOG() << "cant restore template" << name << "from" << defaults.path();
            failed << name;
        }
    }
    if (!failed.isEmpty()) {
        tellUser(QStringLiteral("Не удалось восстановить шаблоны: %1.\nЭти шаблоны оставлены без "
                                "изменений.")
                         .arg(failed.join(QStringLiteral(", "))));
        return false;
    }
    tellUser(QStringLiteral("Шаблоны восстановлены."));
    return true;
}

void PreferencesDialog::on_pushButtonSetDataPath_clicked()
{
    applyDataFolder(chosenDataFolder(), true);
}

void PreferencesDialog::on_pushButtonCopyData_clicked()
{
    transferDataFiles(false);
}

void PreferencesDialog::on_pushButtonMoveData_clicked()
{
    transferDataFiles(true);
}

void PreferencesDialog::on_pushButtonRestoreReports_clicked()
{
    restoreDefaultTemplates();
}
