#include "numberingdialog.h"
#include "ui_numberingdialog.h"

#include "app/countword.h"
#include "app/messagelines.h"
#include "numbersequence.h"
#include "personname.h"
#include "settings/widgetgeometry.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>

namespace {

enum Column { NameColumn, NumberColumn, NewNumberColumn, RegNumberColumn, NewRegNumberColumn };

QTableWidgetItem *cell(const QString &text, bool collides = false)
{
    auto *item = new QTableWidgetItem(text);
    if (collides)
        item->setBackground(QColor(0xf8, 0xd0, 0xd0));
    return item;
}

} // namespace

NumberingDialog::NumberingDialog(const QList<int> &ids, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::NumberingDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Присвоить"));
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &NumberingDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &NumberingDialog::reject);

    for (int id : ids) {
        DocumentRecord record;
        bool failed = false;
        if (DocumentStore::read(id, &record, &failed))
            m_documents.append({id,
                                PersonName{record.fio1, record.fio2, record.fio3}.full(),
                                record.number,
                                record.regNumber});
        else if (failed)
            ++m_unreadable;
    }
    m_numbers.read();
    ui->labelDocuments->setText(QStringLiteral("Документов: %1. Номера даются по порядку, в "
                                               "каком документы стоят в таблице.")
                                        .arg(m_documents.size()));
    ui->tableWidgetPreview->setColumnCount(5);
    ui->tableWidgetPreview->setHorizontalHeaderLabels({QStringLiteral("ФИО"),
                                                       QStringLiteral("Номер сейчас"),
                                                       QStringLiteral("Новый номер"),
                                                       QStringLiteral("Рег. номер сейчас"),
                                                       QStringLiteral("Новый рег. номер")});
    QHeaderView *header = ui->tableWidgetPreview->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    ui->tableWidgetPreview->setRowCount(m_documents.size());
    restoreWidgetGeometry(this);
    showPreview();
}

NumberingDialog::~NumberingDialog()
{
    saveWidgetGeometry(this);
}

QVector<DocumentStore::NumberChange> NumberingDialog::changes() const
{
    const QString firstNumber = ui->lineEditNumber->text().trimmed();
    const QString firstRegNumber = ui->lineEditRegNumber->text().trimmed();
    const NumberSequence numbers(firstNumber);
    const NumberSequence regNumbers(firstRegNumber);
    if ((firstNumber.isEmpty() && firstRegNumber.isEmpty())
        || (!firstNumber.isEmpty() && !numbers.isValid())
        || (!firstRegNumber.isEmpty() && !regNumbers.isValid()))
        return {};
    QVector<DocumentStore::NumberChange> list;
    for (int i = 0; i < m_documents.size(); ++i)
        list.append({m_documents.at(i).id,
                     firstNumber.isEmpty() ? QString() : numbers.at(i),
                     firstRegNumber.isEmpty() ? QString() : regNumbers.at(i)});
    return list;
}

void NumberingDialog::on_lineEditNumber_textChanged(const QString &)
{
    showPreview();
}

void NumberingDialog::on_lineEditRegNumber_textChanged(const QString &)
{
    showPreview();
}

void NumberingDialog::showPreview()
{
    m_problems.clear();
    const auto noDigits = [this](QLineEdit *edit, const QString &what) {
        const QString text = edit->text().trimmed();
        if (!text.isEmpty() && !NumberSequence(text).isValid())
            m_problems << QStringLiteral("В первом %1 «%2» нет цифр: из него не составить "
                                         "следующие номера.")
                                  .arg(what, text);
    };
    noDigits(ui->lineEditNumber, QStringLiteral("номере свидетельства"));
    noDigits(ui->lineEditRegNumber, QStringLiteral("регистрационном номере"));
    // Numbered without them, the others would get numbers meant for them.
    if (m_unreadable > 0)
        m_problems << QStringLiteral("%1 %2 не удалось прочитать из реестра: номера по порядку "
                                     "присвоить нельзя.")
                              .arg(m_unreadable)
                              .arg(countWord(m_unreadable,
                                             QStringLiteral("документ"),
                                             QStringLiteral("документа"),
                                             QStringLiteral("документов")));
    const QVector<DocumentStore::NumberChange> planned = changes();
    m_problems << m_numbers.collisions(planned);

    QSet<int> renumbered;
    for (const DocumentStore::NumberChange &change : planned)
        renumbered.insert(change.id);
    for (int row = 0; row < m_documents.size(); ++row) {
        const Document &document = m_documents.at(row);
        QString number = document.number;
        QString regNumber = document.regNumber;
        bool numberCollides = false;
        bool regNumberCollides = false;
        if (row < planned.size()) {
            const DocumentStore::NumberChange &change = planned.at(row);
            if (!change.number.isNull()) {
                number = change.number;
                numberCollides = !m_numbers.holdersOfNumber(number, renumbered).isEmpty();
            }
            if (!change.regNumber.isNull()) {
                regNumber = change.regNumber;
                regNumberCollides = !m_numbers.holdersOfRegNumber(regNumber, renumbered).isEmpty();
            }
        }
        QTableWidget *table = ui->tableWidgetPreview;
        table->setItem(row, NameColumn, cell(document.name));
        table->setItem(row, NumberColumn, cell(document.number));
        table->setItem(row, NewNumberColumn, cell(number, numberCollides));
        table->setItem(row, RegNumberColumn, cell(document.regNumber));
        table->setItem(row, NewRegNumberColumn, cell(regNumber, regNumberCollides));
    }
    ui->labelProblems->setText(m_problems.join(QLatin1Char('\n')));
    ui->labelProblems->setVisible(!m_problems.isEmpty());
    ui->buttonBox->button(QDialogButtonBox::Ok)
            ->setEnabled(!planned.isEmpty() && m_problems.isEmpty());
}

void NumberingDialog::accept()
{
    const QVector<DocumentStore::NumberChange> planned = changes();
    if (planned.isEmpty() || !m_problems.isEmpty())
        return;
    QStringList collisions;
    switch (DocumentStore::assignNumbers(planned, &collisions)) {
    case DocumentStore::NumberingResult::Assigned: {
        QList<int> ids;
        for (const DocumentStore::NumberChange &change : planned)
            ids << change.id;
        emit numbersAssigned(ids);
        QDialog::accept();
        return;
    }
    case DocumentStore::NumberingResult::Collides:
        // Someone gave these numbers since the dialog opened.
        m_numbers.read();
        showPreview();
        tell(QStringLiteral("Внимание!"),
             QStringLiteral("Номера не присвоены: некоторые из них уже есть в реестре."),
             collisions);
        return;
    case DocumentStore::NumberingResult::Failed:
        tell(QStringLiteral("Ошибка"),
             QStringLiteral("Номера не присвоены: реестр не удалось изменить. Ни один номер "
                            "не изменён, попробуйте ещё раз."));
        return;
    }
}

void NumberingDialog::tell(const QString &title, const QString &text, const QStringList &lines)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    if (!lines.isEmpty())
        setMessageLines(&box, text, lines);
    box.exec();
}
