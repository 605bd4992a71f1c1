#pragma once

#include "documents/import/importplan.h"
#include "documents/import/importsource.h"

#include <QList>
#include <QWizard>

class QComboBox;

namespace Ui {
class ImportWizard;
}

// "Импорт из таблицы...": a file, its preview, the meaning of its columns, the template the
// documents start from, the check of every line, then one all-or-nothing import.
class ImportWizard : public QWizard
{
    Q_OBJECT
public:
    explicit ImportWizard(QWidget *parent = nullptr);
    ~ImportWizard() override;

signals:
    // The new documents are in the register.
    void documentsImported(const QList<int> &ids);

public slots:
    void on_pushButtonBrowse_clicked();
    void on_lineEditFile_textChanged(const QString &text);
    void on_comboBoxSheet_activated(int index);
    void on_comboBoxEncoding_activated(int index);
    void on_comboBoxSeparator_activated(int index);
    void on_checkBoxHeader_toggled(bool checked);
    void on_checkBoxSkipErrors_toggled(bool checked);

protected:
    void initializePage(int id) override;
    bool validateCurrentPage() override;

private:
    bool readSource(QString *error);
    void rereadWithChoices();
    void showPreview();
    void fillMapping();
    // Asks about the columns whose header may mean a row counter as well as a field.
    void showMappingQuestions();
    // The mapping as chosen on the mapping page.
    ImportMapping chosenMapping() const;
    void fillTemplates();
    void checkPlan();
    void showCheckSummary();
    bool runImport();

    Ui::ImportWizard *ui;
    ImportSource m_source;
    ImportPlan m_plan;
    QList<QComboBox *> m_fieldBoxes;
    QList<QComboBox *> m_subjectBoxes;
};
