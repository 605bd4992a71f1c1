#include "registerchoicewidget.h"
#include "ui_registerchoicewidget.h"

#include "database/postgresengine.h"
#include "database/registerconnection.h"
#include "settings/registerchoice.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString defaultSslMode = QStringLiteral("prefer");

bool needsCaFile(const QString &sslMode)
{
    return sslMode.startsWith(QLatin1String("verify-"));
}

bool namesServer(const RegisterAddress &address)
{
    return !address.host.isEmpty() && !address.database.isEmpty() && !address.user.isEmpty();
}

} // namespace

RegisterChoiceWidget::RegisterChoiceWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::RegisterChoiceWidget)
{
    ui->setupUi(this);
    connect(ui->radioButtonServer,
            &QRadioButton::toggled,
            this,
            &RegisterChoiceWidget::updateEnabled);
    connect(ui->comboBoxSslMode,
            &QComboBox::currentTextChanged,
            this,
            &RegisterChoiceWidget::updateEnabled);
    load();
}

RegisterChoiceWidget::~RegisterChoiceWidget()
{
    delete ui;
}

void RegisterChoiceWidget::load()
{
    RegisterAddress server;
    QString error;
    if (RegisterChoice::storedServer(&server, &error))
        showServer(server);
    (RegisterChoice::serverChosen() ? ui->radioButtonServer : ui->radioButtonFile)
            ->setChecked(true);
    updateEnabled();
}

void RegisterChoiceWidget::setServerOnly()
{
    ui->radioButtonServer->setChecked(true);
    ui->radioButtonServer->hide();
    ui->radioButtonFile->hide();
    ui->labelNextStart->hide();
}

void RegisterChoiceWidget::showServer(const RegisterAddress &address)
{
    ui->lineEditServerHost->setText(address.host);
    ui->spinBoxServerPort->setValue(address.port);
    ui->lineEditServerDatabase->setText(address.database);
    ui->lineEditServerUser->setText(address.user);
    ui->comboBoxSslMode->setCurrentText(address.sslMode.isEmpty() ? defaultSslMode
                                                                  : address.sslMode);
    ui->lineEditCaFile->setText(address.sslRootCert);
}

void RegisterChoiceWidget::updateEnabled()
{
    ui->groupBoxServer->setEnabled(ui->radioButtonServer->isChecked());
    const bool caFile = needsCaFile(ui->comboBoxSslMode->currentText());
    ui->lineEditCaFile->setEnabled(caFile);
    ui->pushButtonBrowseCaFile->setEnabled(caFile);
    ui->labelCaFile->setEnabled(caFile);
}

bool RegisterChoiceWidget::serverChosen() const
{
    return ui->radioButtonServer->isChecked();
}

RegisterAddress RegisterChoiceWidget::serverAddress() const
{
    RegisterAddress address;
    address.kind = RegisterAddress::Kind::Server;
    address.host = ui->lineEditServerHost->text().trimmed();
    address.port = ui->spinBoxServerPort->value();
    address.database = ui->lineEditServerDatabase->text().trimmed();
    address.user = ui->lineEditServerUser->text().trimmed();
    address.sslMode = ui->comboBoxSslMode->currentText();
    if (needsCaFile(address.sslMode))
        address.sslRootCert = ui->lineEditCaFile->text().trimmed();
    return address;
}

bool RegisterChoiceWidget::isComplete(QString *error) const
{
    if (!serverChosen())
        return true;
    const RegisterAddress address = serverAddress();
    if (!namesServer(address)) {
        *error = QStringLiteral("Укажите сервер, базу данных и пользователя реестра.");
        return false;
    }
    if (needsCaFile(address.sslMode) && address.sslRootCert.isEmpty()) {
        *error = QStringLiteral("Для режима SSL %1 укажите файл сертификата центра "
                                "сертификации.")
                         .arg(address.sslMode);
        return false;
    }
    // What the start-up will read back must parse as it was typed.
    RegisterAddress parsed;
    return RegisterAddress::parse(address.toString(), &parsed, error);
}

bool RegisterChoiceWidget::save() const
{
    const RegisterAddress address = serverAddress();
    // An address not whole is not kept: the one stored before stays.
    return RegisterChoice::store(serverChosen(),
                                 namesServer(address) ? address : RegisterAddress());
}

QString RegisterChoiceWidget::connectionReport(const RegisterAddress &address)
{
    const QString where = address.toString();
    // Looking writes nothing.
    RegisterConnection connection(
            PostgresEngine::instance(), where, RegisterConnection::Access::ReadOnly);
    RegisterFailure failure = connection.open();
    if (failure.ok())
        failure = connection.engine().checkAccess(connection.database());
    if (!failure.ok())
        return failure.text(where);
    if (connection.engine().holdsNothing(connection.database()))
        return QStringLiteral("Подключение к серверу установлено. База данных %1 пуста: "
                              "таблицы реестра будут созданы в ней при первом запуске "
                              "программы от имени владельца базы данных.")
                .arg(address.database);
    return QStringLiteral("Подключение к серверу установлено. База данных %1 уже содержит "
                          "реестр.")
            .arg(address.database);
}

void RegisterChoiceWidget::on_pushButtonCheckConnection_clicked()
{
    QString text;
    if (isComplete(&text)) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        text = connectionReport(serverAddress());
        QApplication::restoreOverrideCursor();
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Внимание!"), text, QMessageBox::Ok);
    box.exec();
}

void RegisterChoiceWidget::on_pushButtonBrowseCaFile_clicked()
{
    const QString file = QFileDialog::getOpenFileName(
            this,
            QStringLiteral("Сертификат центра сертификации"),
            ui->lineEditCaFile->text(),
            QStringLiteral("Сертификаты (*.crt *.pem *.cer);;Все файлы (*)"));
    if (!file.isEmpty())
        ui->lineEditCaFile->setText(file);
}
