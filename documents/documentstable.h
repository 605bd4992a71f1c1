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

    // The rows that the filter keeps, without touching the view.
    static QVector<bool> matchingRows(const QStringList &names,
                                      const QVector<QDate> &issueDates,
                                      const FilterList &filterList);

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
};
