#include "batchprintdialog.h"
#include "ui_batchprintdialog.h"

#include "app/countword.h"
#include "printing/reportlist.h"
#include "settings/widgetgeometry.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {

QString documentsWord(int count)
{
    return countWord(count,
                     QStringLiteral("документ"),
                     QStringLiteral("документа"),
                     QStringLiteral("документов"));
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
    ui->pushButtonReprint->hide();
    ui->checkBoxFollowing->hide();
    fillSides(false);
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
    ui->comboBoxSide->setCurrentIndex(ui->comboBoxSide->findData(
            int(side == 2 ? BatchPrint::Sides::Back : BatchPrint::Sides::Front)));
}

void BatchPrintDialog::setStack(int stack, int stacks)
{
    m_stack = stack;
    m_stacks = stacks;
    ui->labelBatch->setText(QStringLiteral("Стопка %1 из %2: ").arg(stack).arg(stacks)
                            + ui->labelBatch->text());
}

void BatchPrintDialog::fillSides(bool reprint)
{
    ui->comboBoxSide->clear();
    if (reprint)
        ui->comboBoxSide->addItem(QStringLiteral("обе стороны"), int(BatchPrint::Sides::Both));
    ui->comboBoxSide->addItem(reprint ? QStringLiteral("только сторона 1")
                                      : QStringLiteral("сторона 1"),
                              int(BatchPrint::Sides::Front));
    ui->comboBoxSide->addItem(reprint ? QStringLiteral("только сторона 2")
                                      : QStringLiteral("сторона 2"),
                              int(BatchPrint::Sides::Back));
}

BatchPrint::Sides BatchPrintDialog::chosenSides() const
{
    if (!m_batch->twoSided())
        return BatchPrint::Sides::Both;
    return BatchPrint::Sides(ui->comboBoxSide->currentData().toInt());
}

int BatchPrintDialog::startStep() const
{
    const int document = ui->comboBoxDocument->currentIndex();
    const bool back = chosenSides() == BatchPrint::Sides::Back;
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

bool BatchPrintDialog::ask(const QString &question, const QString &yes)
{
    QMessageBox box(QMessageBox::Question,
                    QStringLiteral("Внимание!"),
                    question,
                    QMessageBox::Ok | QMessageBox::Cancel,
                    this);
    box.button(QMessageBox::Ok)->setText(yes);
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

bool BatchPrintDialog::askToTurn(const QString &firstDocument)
{
    return ask(QStringLiteral("Переверните стопку и вложите её снова в лоток, чтобы "
                              "печатать на второй стороне бланков.\nПервым должен пойти "
                              "лист документа «%1».")
                       .arg(firstDocument),
               QStringLiteral("Продолжить"));
}

QString BatchPrintDialog::reprintText(int first, int last, BatchPrint::Sides sides) const
{
    QString text = first == last ? QStringLiteral("документ %1 «%2»")
                                           .arg(first + 1)
                                           .arg(m_batch->documentName(first))
                                 : QStringLiteral("документы с %1 «%2» по %3 «%4»")
                                           .arg(first + 1)
                                           .arg(m_batch->documentName(first))
                                           .arg(last + 1)
                                           .arg(m_batch->documentName(last));
    if (!m_batch->twoSided())
        return text;
    switch (sides) {
    case BatchPrint::Sides::Both:
        return text + QStringLiteral(", сторона 1, затем, после переворота, сторона 2");
    case BatchPrint::Sides::Front:
        return text + QStringLiteral(", только сторона 1");
    case BatchPrint::Sides::Back:
        return text + QStringLiteral(", только сторона 2 (оборот)");
    }
    return text;
}

bool BatchPrintDialog::confirmReprint(int first, int last, BatchPrint::Sides sides)
{
    const int documents = last - first + 1;
    const int blanks = documents * ((m_batch->pagesPerDocument() + 1) / 2);
    QString sheets;
    if (sides == BatchPrint::Sides::Back)
        sheets = documents == 1 ? QStringLiteral("лист этого документа для печати на обороте")
                                : QStringLiteral("листы этих документов для печати на обороте");
    else
        sheets = blanks == 1 ? QStringLiteral("один чистый бланк")
                             : QStringLiteral("%1 %2").arg(blanks).arg(
                                     countWord(blanks,
                                               QStringLiteral("чистый бланк"),
                                               QStringLiteral("чистых бланка"),
                                               QStringLiteral("чистых бланков")));
    const QString question
            = documents == 1
                      ? QStringLiteral("Будет напечатан %1.\nДругие документы печататься не будут. "
                                       "Вложите в лоток %2.")
                                .arg(reprintText(first, last, sides), sheets)
                      : QStringLiteral("Будут напечатаны %1, всего %2 %3.\nВложите в лоток %4.")
                                .arg(reprintText(first, last, sides))
                                .arg(documents)
                                .arg(documentsWord(documents), sheets);
    return ask(question, QStringLiteral("Напечатать"));
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
                            static_cast<QWidget *>(ui->checkBoxFollowing),
                            static_cast<QWidget *>(ui->pushButtonPrint),
                            static_cast<QWidget *>(ui->pushButtonReprint),
                            static_cast<QWidget *>(ui->pushButtonClose)})
        widget->setEnabled(!running);
    ui->pushButtonCancel->setVisible(running);
}

bool BatchPrintDialog::readyToPrint()
{
    if (m_printer->outputFormat() == QPrinter::NativeFormat && m_printer->printerName().isEmpty()) {
        ui->labelResult->setText(QStringLiteral("Выберите принтер."));
        return false;
    }
    showPrinter();
    BatchPrint::setStacking(m_printer->printerName(), stacking());
    return true;
}

void BatchPrintDialog::offerReprint()
{
    ui->pushButtonPrint->hide();
    ui->pushButtonReprint->show();
    ui->pushButtonClose->setDefault(true);
    ui->labelStart->setText(QStringLiteral("Напечатать снова:"));
    fillSides(true);
    ui->checkBoxFollowing->show();
}

void BatchPrintDialog::on_pushButtonPrint_clicked()
{
    if (!readyToPrint())
        return;
    const QList<BatchPrint::Step> steps = m_batch->steps(stacking());
    setRunning(true);
    const int next = m_batch->print(m_printer.get(), stacking(), startStep());
    setRunning(false);
    ui->progressBar->setMaximum(steps.size());
    ui->progressBar->setValue(next);
    if (next >= steps.size()) {
        offerReprint();
        ui->labelProgress->setText(QStringLiteral("Готово"));
        ui->labelResult->setText(
                QStringLiteral("Все документы отправлены на принтер. Застрявший или испорченный "
                               "бланк отметьте в журнале печати. Чтобы напечатать документ на "
                               "новом бланке, выберите его и стороны выше и нажмите «%1»: "
                               "напечатается только он.%2")
                        .arg(ui->pushButtonReprint->text(),
                             m_stack < m_stacks ? QStringLiteral(" Следующая стопка начнётся, "
                                                                 "когда вы закроете это окно.")
                                                : QString()));
        return;
    }
    const BatchPrint::Step &stopped = steps.at(next);
    setStart(stopped.document, stopped.back() ? 2 : 1);
    ui->pushButtonPrint->setText(QStringLiteral("Продолжить"));
    ui->labelProgress->setText(QStringLiteral("Печать остановлена"));
    ui->labelResult->setText(
            !m_batch->failure().isEmpty() ? m_batch->failure()
            : m_batch->failed()
                    ? QStringLiteral("Принтер не принял задание. Проверьте принтер и продолжите "
                                     "с выбранного документа.")
                    : QStringLiteral("Продолжить можно с документа и стороны, выбранных выше."));
}

void BatchPrintDialog::on_pushButtonReprint_clicked()
{
    const int first = ui->comboBoxDocument->currentIndex();
    const int last = ui->checkBoxFollowing->isChecked() ? m_batch->documents().size() - 1 : first;
    const BatchPrint::Sides sides = chosenSides();
    if (!readyToPrint() || !confirmReprint(first, last, sides))
        return;
    setRunning(true);
    const bool done = m_batch->reprint(m_printer.get(), stacking(), first, last, sides);
    setRunning(false);
    if (done) {
        ui->progressBar->setValue(ui->progressBar->maximum());
        ui->labelProgress->setText(QStringLiteral("Готово"));
        ui->labelResult->setText(QStringLiteral("Отправлено на принтер снова: %1. Испорченный "
                                                "бланк отметьте в журнале печати.")
                                         .arg(reprintText(first, last, sides)));
        return;
    }
    ui->labelProgress->setText(QStringLiteral("Печать остановлена"));
    ui->labelResult->setText(!m_batch->failure().isEmpty() ? m_batch->failure()
                             : m_batch->failed()
                                     ? QStringLiteral("Принтер не принял задание. Проверьте "
                                                      "принтер и нажмите «%1».")
                                               .arg(ui->pushButtonReprint->text())
                                     : QStringLiteral("Напечатать снова можно кнопкой «%1».")
                                               .arg(ui->pushButtonReprint->text()));
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
