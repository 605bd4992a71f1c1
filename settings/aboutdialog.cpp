#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include "app/appinfo.h"
#include "app/debuglog.h"
#include "app/platformlayer.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QStyle>
#include <QTextCursor>

namespace {
// Empty when the resource is missing; the release notes start with a byte-order mark.
QString resourceText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}
} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("О программе"));

    ui->plainTextEdit->insertPlainText(resourceText(QStringLiteral(":/whatsnew.txt")));
    ui->plainTextEdit->setReadOnly(true);

    ui->imgLabel->setPixmap(QPixmap(QStringLiteral(":/icons/banner3.png")));

    setWrappedLabelText(titleText(fileVersionString(QString::fromLatin1(reportLibraryModule))),
                        ui->progNameLabel);
    setWrappedLabelText(resourceText(QStringLiteral(":/description.txt")).trimmed(),
                        ui->progNameLabel_4);

    connect(ui->pushButtonAboutQt, &QPushButton::clicked, qApp, &QApplication::aboutQt);

    QFont contactFont = QApplication::font();
    contactFont.setPixelSize(10);
    ui->progNameLabel_3->setFont(contactFont);
    ui->progNameLabel_3->setText(resourceText(QStringLiteral(":/contact.txt")).trimmed());

    ui->plainTextEdit->moveCursor(QTextCursor::Start);
    ui->plainTextEdit->ensureCursorVisible();
}

AboutDialog::~AboutDialog()
{
    delete ui;
}

QString AboutDialog::titleText(const QString &libraryVersion)
{
    return appTitle() + " build " + QString::number(AppInfo::buildNumber) + "\n\nZrReportLib v"
           + libraryVersion;
}

QString AboutDialog::fileVersionString(const QString &fileName)
{
    const QString path
            = QFileInfo::exists(fileName) ? fileName : PlatformLayer::loadedModulePath(fileName);
    const QString version = PlatformLayer::fileVersion(path);
    if (version.isEmpty()) {
        ZR_LOG() << "error in GetFileVersionInfo" << fileName;
        return QStringLiteral("?");
    }
    return version;
}

void AboutDialog::setWrappedLabelText(const QString &text, QLabel *label)
{
    if (text.trimmed().isEmpty()) {
        label->resize(label->width(), 5);
        label->setText(QString());
        return;
    }
    label->style()->unpolish(label);
    label->style()->polish(label);
    label->update();
    const QFontMetrics metrics(label->font());

    QString spaced = text;
    spaced.replace(QStringLiteral("\n"), QStringLiteral(" \n "));
    spaced.replace(QStringLiteral("  "), QStringLiteral(" "));
    spaced.replace(QStringLiteral("  "), QStringLiteral(" "));

    QStringList lines;
    QString line;
    for (const QString &word : spaced.split(' ')) {
        if (word == QLatin1String("\n")) {
            lines << line;
            line.clear();
        } else if (word.isEmpty()) {
            continue;
        } else if (line.isEmpty()) {
            line = word;
        } else if (metrics.horizontalAdvance(line + ' ' + word) <= label->width()) {
            line += ' ' + word;
        } else {
            lines << line;
            line = word;
        }
    }
    lines << line;

    const QString wrapped = lines.join('\n');
    const QRect box = metrics.boundingRect(
            QRect(0, 0, label->width(), 800), Qt::AlignLeft | Qt::TextWordWrap, wrapped);
    label->resize(label->width(), box.height() + 6);
    label->setText(wrapped);
}
