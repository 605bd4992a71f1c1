#pragma once

#include "documents/filterlist.h"

#include <QPointer>
#include <QSqlTableModel>
#include <QTableView>
#include <functional>

class QAction;
class QMenu;
class QTimer;

// A read-only register of documents with its context menu. It never edits a
// document itself: it asks for that through signals and only copies and
// deletes, which need no dialog.
class DocumentsTableAbstract : public QTableView
{
    Q_OBJECT
public:
    explicit DocumentsTableAbstract(QWidget *parent = nullptr);
    ~DocumentsTableAbstract() override;

    int currentDocId() const { return m_currentDocId; }
    QSqlTableModel *sqlModel() const { return m_model.data(); }
    FilterList currentFilters() const { return m_filters; }

    // Selected rows that the user can see: a row hidden by the filter is never
    // counted, copied or deleted, however the selection reached it.
    QList<int> selectedVisibleRows() const;
    int selectedCount() const { return selectedVisibleRows().size(); }

    QMenu *contextMenu() const { return m_menu; }
    QAction *actionAdd() const { return m_actionAdd; }
    QAction *actionCopy() const { return m_actionCopy; }
    QAction *actionEdit() const { return m_actionEdit; }
    QAction *actionDelete() const { return m_actionDelete; }
    QAction *actionPrint() const { return m_actionPrint; }
    QAction *actionCheck() const { return m_actionCheck; }
    QAction *actionNumber() const { return m_actionNumber; }
    QAction *actionHistory() const { return m_actionHistory; }
    QAction *actionSelectAll() const { return m_actionSelectAll; }

    // The documents Print and Check act on: the selected rows the user can see, in the
    // table's order, or else the current row.
    QList<int> actedOnIds() const;

    // Selects the rows of these documents and scrolls to the first of them.
    void selectDocuments(const QList<int> &ids);
    // Reads the register anew as someone else changed it, keeping what the user has on
    // screen: the selected documents, the current one, the scroll position and the filter.
    void reloadKeepingView();
    // Reads anew only these documents' rows, as another workstation changed their fields;
    // none named, or one the table does not show yet, reads the whole register anew.
    void refreshDocuments(const QList<int> &ids);

    // A large register is shown with its first rows and read on in the background once
    // they are painted, so that the window does not wait for it; whatever needs every row
    // reads the rest first.
    bool isComplete() const;
    void fetchAll();

    // Enables the menu's actions for a click at pos, as the menu would show them.
    void prepareContextMenu(const QPoint &pos);

signals:
    void documentClicked(int sqlDocId);
    void documentPrint(int type, int sqlDocId, bool printBackground);
    // Two or more documents on one form.
    void documentsPrint(int type, const QList<int> &ids, bool printBackground);
    void documentsCheck(const QList<int> &ids);
    // Certificate and registration numbers for these documents, in the table's order.
    void documentsNumber(const QList<int> &ids);
    // "История изменений" of this document.
    void documentHistory(int sqlDocId);
    void unselect();
    void reselected();
    void selectedCountChanged(int count);
    // The register could not be read whole; what is shown may lack documents.
    void readFailed(const QString &text);

public slots:
    void updateData();
    virtual void onFiltersChanged(const FilterList &filterList) = 0;
    void onRowActivated(const QModelIndex &index);
    void provideContexMenu(const QPoint &pos);
    void onCopyRecordAction();
    void onEditAction();
    void onDeleteAction();
    void onPrintAction();
    void onCheckAction();
    void onSelectAllAction();
    void selectAll() override;

    // The answer of the print dialog for the documents it was opened on.
    void onReportTypeSelected(const QList<int> &ids, int type, bool printBackground);

protected:
    virtual bool deleteDocuments(const QList<int> &ids) = 0;
    // A negative id when no document was created.
    virtual int copyDocument(int id) = 0;
    virtual bool copyDocumentDetails(int oldId, int newId) = 0;
    virtual bool canPrint(int type, int id) = 0;
    virtual void initTable();
    // Called after every (re)load of the model; again, with all its rows, once a
    // register read on in the background is complete.
    virtual void afterReload();
    // Whether a load must read every row at once (a filter that hides rows needs them all).
    virtual bool needsAllRows() const { return false; }

    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    void paintEvent(QPaintEvent *event) override;

    int docIdAtRow(int row) const;
    // The row that Copy, Edit and Print act on, or -1.
    int actedOnRow() const;
    void setSqlModel(QSqlTableModel *model) { m_model = model; }

    FilterList m_filters;

private:
    void onModelReset();
    void fetchSome();
    void fetchBlocked(const std::function<bool()> &goOn);
    // Tells once per load when the register could not be read whole.
    void checkRead();
    void tellFailure(const QString &text);

    QPointer<QSqlTableModel> m_model;
    int m_currentDocId = 0;
    QMenu *m_menu = nullptr;
    QAction *m_actionAdd = nullptr;
    QAction *m_actionCopy = nullptr;
    QAction *m_actionEdit = nullptr;
    QAction *m_actionDelete = nullptr;
    QAction *m_actionPrint = nullptr;
    QAction *m_actionCheck = nullptr;
    QAction *m_actionNumber = nullptr;
    QAction *m_actionHistory = nullptr;
    QAction *m_actionSelectAll = nullptr;
    QMetaObject::Connection m_resetConnection;
    QTimer *m_fetchTimer = nullptr;
    bool m_fetchPending = false;
    bool m_readFailureTold = false;
};
