#include "zrmainwindow.h"

#include "app/debuglog.h"
#include "app/messagelines.h"
#include "app/startupquestions.h"
#include "database/database.h"
#include "modules/network/weblink.h"
#include "modules/updater/updater.h"
#include "printing/engine.h"
#include "settings/preferencesdialog.h"
#include "settings/tipsdialog.h"
#include "settings/widgetgeometry.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

namespace {
const QString settingsGroup = QStringLiteral("ZrPs");
}

ZrMainWindow::ZrMainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    m_askBeforeExport = true;
    m_askBeforeEditor = true;
    m_engine = new Engine(this);
    connect(m_engine, &Engine::error, this, &ZrMainWindow::showMessage);
    setMinimumSize(800, 600);
    show();
    QTimer::singleShot(100, this, &ZrMainWindow::onStartup);
    m_backupFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

ZrMainWindow::~ZrMainWindow() = default;

void ZrMainWindow::showMessage(const QString &text, const QString &title)
{
    auto box = new QMessageBox(QMessageBox::NoIcon, title, QString(), QMessageBox::Ok, this);
    // Whatever a message lists, the box fits the screen.
    QStringList lines = text.split(QLatin1Char('\n'));
    const QString first = lines.takeFirst();
    setMessageLines(box, first, lines);
    box->exec();
    box->deleteLater();
}

void ZrMainWindow::onStartup()
{
    PreferencesDialog::applyProxy();
    readSettings();
    if (m_showTipsOnStartup) {
        auto tips = new TipsDialog(this);
        tips->show();
    }
    checkUpdates(true);
    StartupQuestions::noticeVersionChange();
}

void ZrMainWindow::readSettings()
{
    QSettings *settings = Database::userSettings();
    settings->beginGroup(settingsGroup);
    restoreGeometryOnScreen(this, settings->value(QStringLiteral("geometry")).toByteArray());
    restoreState(settings->value(QStringLiteral("windowState")).toByteArray(), 0);
    m_askBeforeExport = settings->value(QStringLiteral("askBeforeExport"), true).toBool();
    m_askBeforeEditor = settings->value(QStringLiteral("askBeforeEditor"), true).toBool();
    m_showTipsOnStartup = settings->value(QStringLiteral("showTipsOnStartup"), true).toBool();
    settings->endGroup();
}

void ZrMainWindow::writeSettings()
{
    QSettings *settings = Database::userSettings();
    settings->beginGroup(settingsGroup);
    settings->setValue(QStringLiteral("geometry"), saveGeometry());
    settings->setValue(QStringLiteral("windowState"), saveState(0));
    settings->setValue(QStringLiteral("askBeforeExport"), m_askBeforeExport);
    settings->setValue(QStringLiteral("askBeforeEditor"), m_askBeforeEditor);
    settings->endGroup();
    settings->sync();
    QCoreApplication::processEvents();
}

void ZrMainWindow::checkUpdates(bool isSilent)
{
    const QString title = QStringLiteral("Проверка обновлений");
    auto updater = new Updater(this);
    if (isSilent) {
        connect(updater, &Updater::updateIsReady, this, [this, title](const QString &link) {
            const auto answer
                    = QMessageBox::question(this,
                                            title,
                                            QStringLiteral("Доступна новая версия. Загрузить?"),
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::Yes);
            if (answer == QMessageBox::Yes)
                WebLink::open(link);
        });
        return;
    }
    connect(updater, &Updater::updateIsReady, this, [this, title](const QString &link) {
        emit m_engine->error(QStringLiteral("Доступна новая версия. \nСсылка для скачивания будет "
                                            "открыта в вашем браузере."),
                             title);
        WebLink::open(link);
    });
    connect(updater, &Updater::updatingError, this, [this, title](const QString &message) {
        emit m_engine->error(message, title);
    });
}
