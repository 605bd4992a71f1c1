#include "batchprintdialog.h"
#include "ui_batchprintdialog.h"

#include "printing/reportlist.h"
#include "settings/widgetgeometry.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {

QString documentsWord(int count)
{
    const int tens = count % 100;
    const int units = count % 10;
    if (units == 1 && tens != 11)
        return QStringLiteral("документ");
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        return QStringLiteral("документа");
    return QStringLiteral("документов");
}

} // namespace

BatchPrintDialog::BatchPrintDialog(int type,
                                   const QList<int> &ids,
                                   bool background,
                                   QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::BatchPrintDialog>())
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
    , m_batch(new BatchPrint(type, ids, background, this))
    , m_type(type)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    ui->pushButtonCancel->hide();
    m_batch->turnStack = [this](const QString &first) { return askToTurn(first); };
    connect(m_batch, &BatchPrint::progress, this, &BatchPrintDialog::showProgress);
    restoreWidgetGeometry(this);
}

BatchPrintDialog::~BatchPrintDialog()
{
    saveWidgetGeometry(this);
}

bool BatchPrintDialog::prepare(QString *error)
{
    if (!m_batch->load(error))
        return false;
    const int count = m_batch->documents().size();
    const ReportListEntry *entry = ReportList::entry(m_type);
    QString text = QStringLiteral("%1 %2 на бланке «%3».")
                           .arg(count)
                           .arg(documentsWord(count), entry ? entry->name : QString());
    if (m_batch->twoSided())
        text += QStringLiteral(" Сначала печатается сторона 1 всех бланков, затем стопку "
                               "нужно перевернуть и вложить снова для стороны 2.");
    ui->labelBatch->setText(text);
    ui->groupBoxStacking->setVisible(m_batch->twoSided());
    ui->comboBoxSide->setVisible(m_batch->twoSided());
    for (int i = 0; i < count; ++i)
        ui->comboBoxDocument->addItem(
                QStringLiteral("%1. %2").arg(i + 1).arg(m_batch->documentName(i)));
    ui->progressBar->setMaximum(m_batch->steps(stacking()).size());
    showPrinter();
    return true;
}

BatchPrint::Stacking BatchPrintDialog::stacking() const
{
    return ui->radioButtonFaceUp->isChecked() ? BatchPrint::Stacking::FaceUp
                                              : BatchPrint::Stacking::FaceDown;
}

void BatchPrintDialog::setStart(int document, int side)
{
    ui->comboBoxDocument->setCurrentIndex(document);
    ui->comboBoxSide->setCurrentIndex(side == 2 ? 1 : 0);
}

int BatchPrintDialog::startStep() const
{
    const int document = ui->comboBoxDocument->currentIndex();
    const bool back = m_batch->twoSided() && ui->comboBoxSide->currentIndex() == 1;
    const QList<BatchPrint::Step> steps = m_batch->steps(stacking());
    for (int i = 0; i < steps.size(); ++i) {
        if (steps.at(i).document == document && steps.at(i).back() == back)
            return i;
    }
    return 0;
}

void BatchPrintDialog::showPrinter()
{
    const bool toFile = m_printer->outputFormat() == QPrinter::PdfFormat;
    const QString name = toFile ? QStringLiteral("файл %1").arg(m_printer->outputFileName())
                                : m_printer->printerName();
    ui->labelPrinter->setText(name.isEmpty() ? QStringLiteral("не выбран") : name);
    const bool faceUp
            = BatchPrint::stacking(m_printer->printerName()) == BatchPrint::Stacking::FaceUp;
    ui->radioButtonFaceUp->setChecked(faceUp);
    ui->radioButtonFaceDown->setChecked(!faceUp);
}

void BatchPrintDialog::on_pushButtonPrinter_clicked()
{
    QPrintDialog dialog(m_printer.get(), this);
    dialog.setOptions(QAbstractPrintDialog::None);
    if (dialog.exec() == QDialog::Accepted)
        showPrinter();
}

bool BatchPrintDialog::askToTurn(const QString &firstDocument)
{
    QMessageBox box(QMessageBox::Question,
                    QStringLiteral("Внимание!"),
                    QStringLiteral("Переверните стопку и вложите её снова в лоток, чтобы "
                                   "печатать на второй стороне бланков.\nПервым должен пойти "
                                   "лист документа «%1».")
                            .arg(firstDocument),
                    QMessageBox::Ok | QMessageBox::Cancel,
                    this);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Продолжить"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void BatchPrintDialog::showProgress(int step, int steps, int position, int ofDocuments, bool back)
{
    ui->labelProgress->setText(QStringLiteral("Документ %1 из %2").arg(position).arg(ofDocuments));
    ui->labelResult->setText(m_batch->twoSided() ? (back ? QStringLiteral("Сторона 2 (оборот)")
                                                         : QStringLiteral("Сторона 1"))
                                                 : QString());
    ui->progressBar->setMaximum(steps);
    ui->progressBar->setValue(step);
}

void BatchPrintDialog::setRunning(bool running)
{
    m_running = running;
    for (QWidget *widget : {static_cast<QWidget *>(ui->pushButtonPrinter),
                            static_cast<QWidget *>(ui->groupBoxStacking),
                            static_cast<QWidget *>(ui->comboBoxDocument),
                            static_cast<QWidget *>(ui->comboBoxSide),
                            static_cast<QWidget *>(ui->pushButtonPrint),
                            static_cast<QWidget *>(ui->pushButtonClose)})
        widget->setEnabled(!running);
    ui->pushButtonCancel->setVisible(running);
}

void BatchPrintDialog::on_pushButtonPrint_clicked()
{
    if (m_printer->outputFormat() == QPrinter::NativeFormat && m_printer->printerName().isEmpty()) {
        ui->labelResult->setText(QStringLiteral("Выберите принтер."));
        return;
    }
    showPrinter();
    BatchPrint::setStacking(m_printer->printerName(), stacking());
    const QList<BatchPrint::Step> steps = m_batch->steps(stacking());
    setRunning(true);
    const int next = m_batch->print(m_printer.get(), stacking(), startStep());
    setRunning(false);
    ui->progressBar->setMaximum(steps.size());
    ui->progressBar->setValue(next);
    if (next >= steps.size()) {
        ui->labelProgress->setText(QStringLiteral("Готово"));
        ui->labelResult->setText(
                QStringLiteral("Все документы отправлены на принтер. Застрявший бланк можно "
                               "напечатать снова: выберите документ и сторону выше и нажмите "
                               "«Печать»; испорченный бланк отметьте в журнале печати."));
        return;
    }
    const BatchPrint::Step &stopped = steps.at(next);
    setStart(stopped.document, stopped.back() ? 2 : 1);
    ui->pushButtonPrint->setText(QStringLiteral("Продолжить"));
    ui->labelProgress->setText(QStringLiteral("Печать остановлена"));
    ui->labelResult->setText(
            m_batch->failed()
                    ? QStringLiteral("Принтер не принял задание. Проверьте принтер и продолжите "
                                     "с выбранного документа.")
                    : QStringLiteral("Продолжить можно с документа и стороны, выбранных выше."));
}

void BatchPrintDialog::on_pushButtonCancel_clicked()
{
    m_batch->cancel();
}

void BatchPrintDialog::on_pushButtonClose_clicked()
{
    close();
}

void BatchPrintDialog::reject()
{
    if (m_running) {
        m_batch->cancel();
        return;
    }
    QDialog::reject();
}

void BatchPrintDialog::closeEvent(QCloseEvent *event)
{
    // The window goes only when the printing has stopped.
    if (m_running) {
        m_batch->cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
