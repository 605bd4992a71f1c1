#pragma once

#include <QWizardPage>

// A page of the import wizard: complete (Next and the import button usable) when the wizard
// says so, after it has read the file or checked the table.
class ImportWizardPage : public QWizardPage
{
    Q_OBJECT
public:
    using QWizardPage::QWizardPage;

    bool isComplete() const override { return m_complete; }
    void setComplete(bool complete)
    {
        if (complete == m_complete)
            return;
        m_complete = complete;
        emit completeChanged();
    }

private:
    bool m_complete = true;
};
