#pragma once

#include <QSqlTableModel>

// The register table's rows: the issued documents of the view viewPsDocuments, the pupils'
// names sorted in Russian order (surname, name, patronymic as the view joins them).
class RegisterModel : public QSqlTableModel
{
    Q_OBJECT
public:
    // The model on the register's connection, made once for as long as that connection lasts.
    static RegisterModel *ofRegister();

    void setSort(int column, Qt::SortOrder order) override;

protected:
    QString orderByClause() const override;

private:
    using QSqlTableModel::QSqlTableModel;

    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
