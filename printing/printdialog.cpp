#include "printdialog.h"

#include "ui_printdialog.h"

#include "database/database.h"
#include "documents/documentstore.h"
#include "printing/engine.h"
#include "settings/widgetgeometry.h"

#include <QCoreApplication>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QSettings>

namespace {
const QString group = QStringLiteral("PrintDialog");
}

PrintDialog::PrintDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::PrintDialog>())
    , m_scene(std::make_unique<QGraphicsScene>())
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Печать"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);

    QSettings *settings = Database::userSettings();
    settings->beginGroup(group);
    restoreGeometryOnScreen(this, settings->value(QStringLiteral("geometry")).toByteArray());
    // Without the signal: the preview is switched on once, at the end of construction.
    {
        const QSignalBlocker blocker(ui->checkBoxPreview);
        ui->checkBoxPreview->setChecked(
                settings->value(QStringLiteral("previewEnabled"), false).toBool());
    }
    settings->endGroup();

    m_pixmapItem = m_scene->addPixmap(QPixmap());

    for (const ReportListEntry *entry : ReportList::entries()) {
        auto *item = new QListWidgetItem(entry->name, ui->listWidget);
        item->setData(Qt::UserRole, int(entry->type));
    }
    ui->listWidget->setCurrentRow(0);
    ui->graphicsView->setScene(m_scene.get());

    on_checkBoxPreview_toggled(ui->checkBoxPreview->isChecked());
}

PrintDialog::~PrintDialog()
{
    // The view must not outlive the scene it shows.
    ui->graphicsView->setScene(nullptr);
}

// Saved when the dialog goes out of sight (choice, Cancel, Esc, close) rather than on
// destruction: a dialog destroyed with its parent may outlive the settings service.
void PrintDialog::hideEvent(QHideEvent *event)
{
    QSettings *settings = Database::userSettings();
    settings->beginGroup(group);
    settings->setValue(QStringLiteral("geometry"), saveGeometry());
    settings->setValue(QStringLiteral("previewEnabled"), ui->checkBoxPreview->isChecked());
    settings->endGroup();
    QDialog::hideEvent(event);
}

void PrintDialog::setEditTemplateMode()
{
    setWindowTitle(QStringLiteral("Редактировать шаблон"));
    ui->pushButtonPrint->setText(QStringLiteral("Редактировать"));
    ui->groupBox_3->setTitle(QStringLiteral("Выберите шаблон, который нужно отредактировать:"));
    ui->checkBoxBackground->hide();
}

void PrintDialog::preselectFor(const QList<int> &ids)
{
    PupilGender::Value common = PupilGender::Unknown;
    for (int i = 0; i < ids.size(); ++i) {
        const PupilGender::Value gender = DocumentStore::gender(ids.at(i));
        if (gender == PupilGender::Unknown || (i > 0 && gender != common))
            return;
        common = gender;
    }
    for (int row = 0; common != PupilGender::Unknown && row < ui->listWidget->count(); ++row) {
        if (ReportList::blankGender(ui->listWidget->item(row)->data(Qt::UserRole).toInt())
            == common) {
            ui->listWidget->setCurrentRow(row);
            return;
        }
    }
}

void PrintDialog::showPreview(QListWidgetItem *item)
{
    if (!item)
        return;
    const int type = item->data(Qt::UserRole).toInt();
    const ReportListEntry *entry = ReportList::entry(type);
    ui->plainTextEdit->setPlainText(entry ? entry->description : QString());
    if (ui->checkBoxPreview->isChecked()) {
        // A template that cannot be used shows why instead of a picture.
        QString unusable;
        m_pixmapItem->setPixmap(Engine::templatePixmap(type, &unusable));
        m_scene->setSceneRect(m_pixmapItem->boundingRect());
        ui->labelUnusable->setText(unusable);
        ui->labelUnusable->setVisible(!unusable.isEmpty());
    }
}

void PrintDialog::acceptItem(QListWidgetItem *item)
{
    if (!item)
        return;
    setEnabled(false);
    QCoreApplication::processEvents();
    emit reportTypeSelected(ReportList::ReportType(item->data(Qt::UserRole).toInt()),
                            ui->checkBoxBackground->isChecked());
    close();
}

void PrintDialog::on_pushButtonCancel_clicked()
{
    close();
}

void PrintDialog::on_pushButtonPrint_clicked()
{
    acceptItem(ui->listWidget->currentItem());
}

void PrintDialog::on_listWidget_itemDoubleClicked(QListWidgetItem *item)
{
    acceptItem(item);
}

void PrintDialog::on_listWidget_currentItemChanged(QListWidgetItem *current, QListWidgetItem *)
{
    showPreview(current);
}

void PrintDialog::on_pushButtonScalePlus_clicked()
{
    ui->graphicsView->scale(m_scaleStep, m_scaleStep);
    m_currentScale *= m_scaleStep;
    if (m_currentScale > 2.0)
        ui->pushButtonScalePlus->setEnabled(false);
    ui->pushButtonScaleMinus->setEnabled(true);
}

void PrintDialog::on_pushButtonScaleMinus_clicked()
{
    ui->graphicsView->scale(1 / m_scaleStep, 1 / m_scaleStep);
    m_currentScale /= m_scaleStep;
    if (m_currentScale < 0.4)
        ui->pushButtonScaleMinus->setEnabled(false);
    ui->pushButtonScalePlus->setEnabled(true);
}

void PrintDialog::on_checkBoxPreview_toggled(bool checked)
{
    ui->pushButtonScalePlus->setVisible(checked);
    ui->pushButtonScaleMinus->setVisible(checked);
    ui->graphicsView->setVisible(checked);
    if (!checked) {
        ui->labelUnusable->hide();
        return;
    }
    showPreview(ui->listWidget->currentItem());
    QCoreApplication::processEvents();
    on_pushButtonScaleMinus_clicked();
    on_pushButtonScalePlus_clicked();
}
