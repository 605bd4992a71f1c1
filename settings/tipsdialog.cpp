#include "tipsdialog.h"
#include "ui_tipsdialog.h"

#include "app/appinfo.h"
#include "database/database.h"

#include <QFile>
#include <QSettings>
#include <QTextCursor>
#include <cstdlib>

namespace {
const QString showTipsKey = QStringLiteral("showTipsOnStartup");

QString settingsGroup()
{
    return QString::fromLatin1(AppInfo::applicationName);
}
} // namespace

TipsDialog::TipsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TipsDialog)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Совет дня"));

    QSettings *settings = Database::userSettings();
    settings->beginGroup(settingsGroup());
    ui->checkBox->setChecked(settings->value(showTipsKey, true).toBool());
    settings->endGroup();

    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);

    ui->imgLabel->setPixmap(QPixmap(QStringLiteral(":/icons/tips_logo.png")));
    ui->textEdit->setReadOnly(true);
    ui->textEdit->moveCursor(QTextCursor::Start);

    loadTips();
    on_pushButtonNext_clicked();
}

TipsDialog::~TipsDialog()
{
    QSettings *settings = Database::userSettings();
    settings->beginGroup(settingsGroup());
    settings->setValue(showTipsKey, ui->checkBox->isChecked());
    settings->endGroup();
    settings->sync();
    delete ui;
}

QStringList TipsDialog::splitTips(const QString &text)
{
    QStringList tips = text.split(QStringLiteral("**"), Qt::KeepEmptyParts, Qt::CaseSensitive);
    for (QString &tip : tips) {
        if (tip.startsWith('\n'))
            tip.remove(0, 1);
    }
    return tips;
}

void TipsDialog::loadTips()
{
    QFile file(QString::fromLatin1(tipsResource));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        m_tips = splitTips(QString::fromUtf8(file.readAll()));
    if (m_tips.isEmpty())
        m_tips << QStringLiteral("Ни одного совета не найдено =(");
    m_index = std::rand();
}

void TipsDialog::on_pushButtonNext_clicked()
{
    if (m_tips.isEmpty())
        return;
    // rand() may return RAND_MAX; index + 1 must not overflow.
    m_index = int((qint64(m_index) + 1) % m_tips.size());
    ui->textEdit->setText(m_tips.at(m_index));
}

void TipsDialog::on_pushButtonClose_clicked()
{
    deleteLater();
}
