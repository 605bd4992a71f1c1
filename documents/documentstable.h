#pragma once

#include "documents/documentstableabstract.h"

#include <QDate>
#include <QPair>
#include <QVector>

class EmptyStateWidget;
class QAction;

// The register of issued documents over the view viewPsDocuments.
class DocumentsTable : public DocumentsTableAbstract
{
    Q_OBJECT
public:
    explicit DocumentsTable(QWidget *parent = nullptr);
    ~DocumentsTable() override;

    int totalCount() const;
    int shownCount() const { return m_shown; }
    // The classes the register's documents are issued in, as the filter lists them.
    QStringList schoolClasses() const;
    // The earliest and latest issue dates of the register; invalid dates when it has none.
    QPair<QDate, QDate> issueDateRange();

    // What an empty register and a filter that matches nothing offer to do.
    void setEmptyRegisterActions(const QList<QAction *> &actions);
    void setNoMatchActions(const QList<QAction *> &actions);
    EmptyStateWidget *emptyState() const { return m_emptyState; }

signals:
    // After every change of the filter and once every load of the register is complete.
    void countChanged(int total, int shown);

public slots:
    void onFiltersChanged(const FilterList &filterList) override;

protected:
    bool deleteDocuments(const QList<int> &ids) override;
    int copyDocument(int id) override;
    bool copyDocumentDetails(int oldId, int newId) override;
    bool canPrint(int type, int id) override;
    void initTable() override;
    void afterReload() override;
    bool needsAllRows() const override;

private:
    // The filter's name text, folded, its dates (invalid dates mean no date filter) and the
    // class as SchoolClass compares it.
    struct Criteria
    {
        QString name;
        QDate from;
        QDate to;
        QString schoolClass;
        bool byName() const { return !name.isEmpty(); }
        bool byDate() const { return from.isValid() && to.isValid(); }
        bool byClass() const { return !schoolClass.isEmpty(); }
    };
    Criteria criteria() const;
    void applyFilter();
    void readFilterColumns();
    void showEmptyState();

    // The columns as the filter compares them, read once per load of the model and only
    // when a filter needs them: names folded (case, Ё as Е), numbers as their digits.
    QStringList m_foldedNames;
    QStringList m_numberDigits;
    QVector<QDate> m_issueDates;
    QStringList m_classKeys;
    bool m_columnsRead = false;
    int m_shown = 0;
    EmptyStateWidget *m_emptyState = nullptr;
    QList<QAction *> m_emptyRegisterActions;
    QList<QAction *> m_noMatchActions;
};
