#include "importwizard.h"
#include "ui_importwizard.h"

#include "database/database.h"
#include "documentimporter.h"
#include "documents/disciplinenames.h"
#include "documents/documentstore.h"
#include "settings/widgetgeometry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>

namespace {

const int previewRows = 20;
const QString folderKey = QStringLiteral("ZrPs/importFolder");
const QString templateKey = QStringLiteral("ZrPs/importTemplate");

// Shows a wait cursor while a file is read or the register is written.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

// A few of the column's values, for the mapping page.
QString sampleValues(const ImportTable &table, int column, int firstRow)
{
    QStringList samples;
    for (int row = firstRow; row < table.rows.size() && samples.size() < 3; ++row) {
        const QString cell = table.cell(row, column).simplified();
        if (!cell.isEmpty())
            samples << (cell.size() > 30 ? cell.left(29) + QChar(0x2026) : cell);
    }
    return samples.join(QStringLiteral("; "));
}

} // namespace

ImportWizard::ImportWizard(QWidget *parent)
    : QWizard(parent)
    , ui(new Ui::ImportWizard)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setButtonText(QWizard::BackButton, QStringLiteral("< Назад"));
    setButtonText(QWizard::NextButton, QStringLiteral("Далее >"));
    setButtonText(QWizard::CommitButton, QStringLiteral("Загрузить"));
    setButtonText(QWizard::FinishButton, QStringLiteral("Готово"));
    setButtonText(QWizard::CancelButton, QStringLiteral("Отмена"));
    ui->pageCheck->setCommitPage(true);

    ui->comboBoxEncoding->addItem(CsvReader::encodingName(CsvReader::AutoEncoding),
                                  CsvReader::AutoEncoding);
    ui->comboBoxEncoding->addItem(CsvReader::encodingName(CsvReader::Utf8), CsvReader::Utf8);
    ui->comboBoxEncoding->addItem(CsvReader::encodingName(CsvReader::Windows1251),
                                  CsvReader::Windows1251);
    for (const QChar separator : {QChar(), QChar(';'), QChar(','), QChar('\t')})
        ui->comboBoxSeparator->addItem(CsvReader::separatorName(separator), separator);

    ui->tableWidgetMapping->setColumnCount(5);
    ui->tableWidgetMapping->setHorizontalHeaderLabels({QStringLiteral("Столбец"),
                                                       QStringLiteral("Заголовок"),
                                                       QStringLiteral("Значения"),
                                                       QStringLiteral("Загружать как"),
                                                       QStringLiteral("Предмет в приложении")});
    ui->tableWidgetMapping->verticalHeader()->hide();
    ui->tableWidgetMapping->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    ui->pageFile->setComplete(false);
    restoreWidgetGeometry(this);
}

ImportWizard::~ImportWizard()
{
    saveWidgetGeometry(this);
    delete ui;
}

void ImportWizard::on_pushButtonBrowse_clicked()
{
    QSettings *settings = Database::userSettings();
    const QString start = ui->lineEditFile->text().isEmpty()
                                  ? settings->value(folderKey).toString()
                                  : QFileInfo(ui->lineEditFile->text()).absolutePath();
    const QString path = QFileDialog::getOpenFileName(
            this,
            QStringLiteral("Открыть таблицу"),
            start,
            QStringLiteral("Таблицы (*.xlsx *.csv *.txt);;Все файлы (*)"),
            nullptr,
            QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    settings->setValue(folderKey, QFileInfo(path).absolutePath());
    ui->lineEditFile->setText(QDir::toNativeSeparators(path));
}

void ImportWizard::on_lineEditFile_textChanged(const QString &text)
{
    ui->labelFileError->clear();
    ui->pageFile->setComplete(!text.trimmed().isEmpty());
}

bool ImportWizard::readSource(QString *error)
{
    BusyCursor busy;
    return m_source.read(error);
}

void ImportWizard::rereadWithChoices()
{
    m_source.setSheet(qMax(0, ui->comboBoxSheet->currentIndex()));
    m_source.setDialect({CsvReader::Encoding(ui->comboBoxEncoding->currentData().toInt()),
                         ui->comboBoxSeparator->currentData().toChar()});
    QString error;
    const bool read = readSource(&error);
    ui->labelReadError->setText(read ? QString() : error);
    if (read)
        ui->checkBoxHeader->setChecked(ImportMapping::firstRowIsHeader(m_source.table()));
    showPreview();
}

void ImportWizard::on_comboBoxSheet_activated(int index)
{
    Q_UNUSED(index)
    rereadWithChoices();
}

void ImportWizard::on_comboBoxEncoding_activated(int index)
{
    Q_UNUSED(index)
    rereadWithChoices();
}

void ImportWizard::on_comboBoxSeparator_activated(int index)
{
    Q_UNUSED(index)
    rereadWithChoices();
}

void ImportWizard::on_checkBoxHeader_toggled(bool checked)
{
    Q_UNUSED(checked)
    showPreview();
}

void ImportWizard::showPreview()
{
    const ImportTable &table = m_source.table();
    const bool csv = m_source.kind() == ImportSource::Csv;
    for (QWidget *widget : {static_cast<QWidget *>(ui->labelEncoding),
                            static_cast<QWidget *>(ui->comboBoxEncoding),
                            static_cast<QWidget *>(ui->labelSeparator),
                            static_cast<QWidget *>(ui->comboBoxSeparator)})
        widget->setVisible(csv);
    ui->labelSheet->setVisible(!csv);
    ui->comboBoxSheet->setVisible(!csv);

    QString details;
    if (csv)
        details = QStringLiteral("Кодировка: %1, разделитель: %2. ")
                          .arg(CsvReader::encodingName(m_source.dialect().encoding),
                               CsvReader::separatorName(m_source.dialect().separator));
    else if (!m_source.sheetNames().isEmpty())
        details = QStringLiteral("Лист «%1». ").arg(m_source.sheetNames().value(m_source.sheet()));
    details += QStringLiteral("Строк: %1, столбцов: %2.")
                       .arg(table.rows.size())
                       .arg(table.columnCount);
    if (table.rows.size() > previewRows)
        details += QStringLiteral(" Показаны первые %1 строк.").arg(previewRows);
    ui->labelDetected->setText(ui->labelReadError->text().isEmpty() ? details : QString());

    QTableWidget *preview = ui->tableWidgetPreview;
    preview->clear();
    const int rows = qMin(previewRows, int(table.rows.size()));
    preview->setRowCount(rows);
    preview->setColumnCount(table.columnCount);
    QStringList columns;
    for (int column = 0; column < table.columnCount; ++column)
        columns << ImportTable::columnName(column);
    preview->setHorizontalHeaderLabels(columns);
    QStringList lines;
    QFont bold = preview->font();
    bold.setBold(true);
    for (int row = 0; row < rows; ++row) {
        lines << QString::number(table.lineNumbers.at(row));
        for (int column = 0; column < table.columnCount; ++column) {
            auto *item = new QTableWidgetItem(table.cell(row, column));
            if (row == 0 && ui->checkBoxHeader->isChecked())
                item->setFont(bold);
            preview->setItem(row, column, item);
        }
    }
    preview->setVerticalHeaderLabels(lines);
    preview->resizeColumnsToContents();
    for (int column = 0; column < table.columnCount; ++column)
        preview->setColumnWidth(column, qMin(preview->columnWidth(column), 240));
    ui->pagePreview->setComplete(ui->labelReadError->text().isEmpty() && !table.rows.isEmpty());
}

void ImportWizard::fillMapping()
{
    const ImportTable &table = m_source.table();
    const bool header = ui->checkBoxHeader->isChecked();
    const ImportMapping mapping = ImportMapping::guess(table, header);
    QTableWidget *view = ui->tableWidgetMapping;
    view->setRowCount(table.columnCount);
    m_fieldBoxes.clear();
    m_subjectBoxes.clear();
    for (int column = 0; column < table.columnCount; ++column) {
        view->setItem(column, 0, new QTableWidgetItem(ImportTable::columnName(column)));
        view->setItem(
                column,
                1,
                new QTableWidgetItem(header ? table.cell(0, column).simplified() : QString()));
        view->setItem(column, 2, new QTableWidgetItem(sampleValues(table, column, header ? 1 : 0)));
        auto *box = new QComboBox(view);
        // The longest titles show in the open list; the column stays narrow enough for values.
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(20);
        for (ImportMapping::Field field : ImportMapping::fields())
            box->addItem(ImportMapping::title(field), int(field));
        box->setCurrentIndex(box->findData(int(mapping.field(column))));
        view->setCellWidget(column, 3, box);
        m_fieldBoxes << box;

        // A discipline goes under the known subject its header names, which the user may
        // change, or under its header as a subject of its own.
        auto *subject = new QComboBox(view);
        subject->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        subject->setMinimumContentsLength(20);
        subject->addItem(QStringLiteral("Новый предмет «%1»")
                                 .arg(header ? table.cell(0, column).simplified() : QString()),
                         QString());
        for (const QString &name : DisciplineNames::subjects())
            subject->addItem(name, name);
        const int guessed = qMax(0, subject->findData(mapping.subject(column)));
        subject->setCurrentIndex(guessed);
        view->setCellWidget(column, 4, subject);
        m_subjectBoxes << subject;

        // Empty for a column that is no discipline; the guess again when it becomes one.
        const auto fieldChosen = [box, subject, guessed] {
            const bool discipline = box->currentData().toInt() == ImportMapping::Discipline;
            subject->setEnabled(discipline);
            if (!discipline)
                subject->setCurrentIndex(-1);
            else if (subject->currentIndex() < 0)
                subject->setCurrentIndex(guessed);
        };
        fieldChosen();
        connect(box,
                QOverload<int>::of(&QComboBox::currentIndexChanged),
                this,
                [this, fieldChosen] {
                    fieldChosen();
                    showMappingQuestions();
                });
    }
    showMappingQuestions();
    view->resizeColumnsToContents();
    view->setColumnWidth(1, qMin(view->columnWidth(1), 220));
    view->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
}

void ImportWizard::showMappingQuestions()
{
    const QStringList questions = chosenMapping().questions(m_source.table());
    ui->labelMappingQuestions->setText(questions.join(QLatin1Char('\n')));
    ui->labelMappingQuestions->setVisible(!questions.isEmpty());
}

ImportMapping ImportWizard::chosenMapping() const
{
    ImportMapping mapping;
    mapping.header = ui->checkBoxHeader->isChecked();
    for (const QComboBox *box : m_fieldBoxes)
        mapping.columns << ImportMapping::Field(box->currentData().toInt());
    for (const QComboBox *box : m_subjectBoxes)
        mapping.subjects << box->currentData().toString();
    return mapping;
}

void ImportWizard::fillTemplates()
{
    const int remembered = Database::userSettings()->value(templateKey, 0).toInt();
    QListWidget *list = ui->listWidgetTemplates;
    list->clear();
    auto *none = new QListWidgetItem(QStringLiteral("Без шаблона"), list);
    none->setData(Qt::UserRole, 0);
    list->setCurrentItem(none);
    for (const auto &entry : DocumentStore::templates()) {
        auto *item = new QListWidgetItem(entry.second, list);
        item->setData(Qt::UserRole, entry.first);
        if (entry.first == remembered)
            list->setCurrentItem(item);
    }
}

void ImportWizard::checkPlan()
{
    const QListWidgetItem *chosen = ui->listWidgetTemplates->currentItem();
    const int templateId = chosen ? chosen->data(Qt::UserRole).toInt() : 0;
    m_plan = ImportPlan::build(m_source.table(), chosenMapping(), templateId);
    ui->listWidgetProblems->clear();
    ui->listWidgetProblems->addItems(m_plan.problemTexts());
    ui->labelImportError->clear();
    const QSignalBlocker blocker(ui->checkBoxSkipErrors);
    ui->checkBoxSkipErrors->setChecked(false);
    ui->checkBoxSkipErrors->setVisible(m_plan.blockers.isEmpty() && m_plan.problemCount > 0
                                       && !m_plan.entries.isEmpty());
    showCheckSummary();
}

void ImportWizard::showCheckSummary()
{
    const bool skip = ui->checkBoxSkipErrors->isChecked();
    QString text;
    if (!m_plan.blockers.isEmpty()) {
        text = QStringLiteral("Загрузить таблицу нельзя. Вернитесь назад и исправьте выбор "
                              "или саму таблицу:");
    } else {
        text = QStringLiteral("Строк с учениками: %1, из них с ошибками: %2.")
                       .arg(m_plan.lineCount)
                       .arg(m_plan.errorLineCount);
        if (m_plan.canImport(skip))
            text += QStringLiteral(" Будет создано документов: %1.").arg(m_plan.entries.size());
        else
            text += QStringLiteral(" Исправьте ошибки в таблице и начните заново или пропустите "
                                   "строки с ошибками.");
    }
    ui->labelSummary->setText(text);
    ui->listWidgetProblems->setVisible(ui->listWidgetProblems->count() > 0);
    ui->pageCheck->setComplete(m_plan.canImport(skip));
}

void ImportWizard::on_checkBoxSkipErrors_toggled(bool checked)
{
    Q_UNUSED(checked)
    showCheckSummary();
}

bool ImportWizard::runImport()
{
    const bool skip = ui->checkBoxSkipErrors->isChecked();
    if (!m_plan.canImport(skip))
        return false;
    QList<int> ids;
    QString error;
    bool written = false;
    {
        BusyCursor busy;
        written = DocumentImporter::write(m_plan.entries, &ids, &error);
    }
    if (!written) {
        ui->labelImportError->setText(error);
        return false;
    }
    QString result = QStringLiteral("Загрузка завершена: %1.")
                             .arg(DocumentImporter::createdText(ids.size()));
    if (m_plan.errorLineCount > 0)
        result += QStringLiteral(" Пропущено строк с ошибками: %1.").arg(m_plan.errorLineCount);
    result += QStringLiteral(" Новые документы выделены в таблице документов.");
    ui->labelResult->setText(result);
    emit documentsImported(ids);
    return true;
}

void ImportWizard::initializePage(int id)
{
    QWizardPage *shown = page(id);
    if (shown == ui->pagePreview) {
        ui->comboBoxSheet->clear();
        ui->comboBoxSheet->addItems(m_source.sheetNames());
        ui->comboBoxSheet->setCurrentIndex(m_source.sheet());
        ui->comboBoxEncoding->setCurrentIndex(0);
        ui->comboBoxSeparator->setCurrentIndex(0);
        ui->labelReadError->clear();
        ui->checkBoxHeader->setChecked(ImportMapping::firstRowIsHeader(m_source.table()));
        showPreview();
    } else if (shown == ui->pageMapping) {
        fillMapping();
    } else if (shown == ui->pageTemplate) {
        fillTemplates();
    } else if (shown == ui->pageCheck) {
        checkPlan();
    }
    QWizard::initializePage(id);
}

bool ImportWizard::validateCurrentPage()
{
    QWizardPage *current = currentPage();
    if (current == ui->pageFile) {
        m_source = ImportSource(ui->lineEditFile->text().trimmed());
        QString error;
        if (!readSource(&error)) {
            ui->labelFileError->setText(error);
            return false;
        }
        Database::userSettings()->setValue(folderKey, QFileInfo(m_source.path()).absolutePath());
    } else if (current == ui->pageMapping) {
        chosenMapping().remember(m_source.table());
    } else if (current == ui->pageTemplate) {
        const QListWidgetItem *chosen = ui->listWidgetTemplates->currentItem();
        Database::userSettings()->setValue(templateKey,
                                           chosen ? chosen->data(Qt::UserRole).toInt() : 0);
    } else if (current == ui->pageCheck) {
        return runImport();
    }
    return QWizard::validateCurrentPage();
}
