#pragma once

#include "documents/documentstableabstract.h"

#include <QDate>
#include <QVector>

// The register of issued documents over the view viewPsDocuments.
class DocumentsTable : public DocumentsTableAbstract
{
    Q_OBJECT
public:
    explicit DocumentsTable(QWidget *parent = nullptr);
    ~DocumentsTable() override;

public slots:
    void onFiltersChanged(const FilterList &filterList) override;

protected:
    bool deleteDocuments(const QList<int> &ids) override;
    int copyDocument(int id) override;
    bool copyDocumentDetails(int oldId, int newId) override;
    bool canPrint(int type, int id) override;
    void initTable() override;
    void afterReload() override;

private:
    void applyFilter();
    void readFilterColumns();

    // The name and issue-date columns as the filter compares them, read once
    // per load of the model and only when a filter needs them.
    QStringList m_foldedNames;
    QVector<QDate> m_issueDates;
    bool m_columnsRead = false;
};
