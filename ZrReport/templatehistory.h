#pragma once

#include "zrreportlib_export.h"

#include <QFont>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QVector>

class AbstractField;
class QUndoStack;
class ReportPage;

// The undo history of a template in the designer. The canvas, the docks and the
// dialogs change the page and its fields in place; after each user action the
// designer calls record(), which compares the template with the state it saw last
// and pushes the difference as one undo step. Undo and redo put the recorded states
// back and tell the designer through the signals which fields to show anew.
class ZRREPORTLIB_EXPORT TemplateHistory : public QObject
{
    Q_OBJECT
public:
    // The page settings a step holds: those of the page table and the backgrounds.
    struct PageState
    {
        int orientation = 0;
        int pageSize = 0;
        int pagesCount = 1;
        QFont defaultFont;
        bool printBackground = false;
        QPixmap background;
        QPixmap background2;

        bool operator==(const PageState &other) const;
    };
    // A field as a step holds it: its place in the page's list, kind and template form.
    struct FieldState
    {
        int index = 0;
        int type = 0;
        QJsonObject json;
    };
    // What one step changes; indices of removed and "before" states count in the list
    // before the step, those of added and "after" states in the list after it.
    struct Change
    {
        QVector<FieldState> removed;
        QVector<FieldState> added;
        QVector<FieldState> before;
        QVector<FieldState> after;
        bool pageChanged = false;
        PageState pageBefore;
        PageState pageAfter;

        bool isEmpty() const;
    };

    explicit TemplateHistory(QObject *parent = nullptr);
    ~TemplateHistory() override;

    QUndoStack *stack() const { return m_stack; }
    ReportPage *page() const { return m_page.data(); }
    // A new history on the page: no steps, and the page as it is counts as saved.
    void setPage(ReportPage *page);
    // Forgets every step and takes the template as it is now for the saved state.
    void reset();
    // One step for what changed since the last one, named after the action (or, when
    // that is empty, after what changed). continuesLast folds it into the step before
    // when that changed the same fields (a held key). False when nothing changed, or
    // while an action is open.
    bool record(const QString &action = QString(), bool continuesLast = false);
    // Opens an action made of several changes: records inside it are held back until
    // finish() records them all as one step.
    void begin();
    bool finish(const QString &action, bool continuesLast = false);

signals:
    // Undo or redo put this field into the page's list at the index.
    void fieldInserted(AbstractField *field, int index);
    // Undo or redo is about to take this field off the page; it is deleted next.
    void fieldRemoving(AbstractField *field);
    // Undo or redo is done: these fields, still on the page, and the page settings when
    // pageChanged is set, have other values now.
    void restored(const QList<AbstractField *> &fields, bool pageChanged);

private:
    friend class TemplateStep;
    struct Seen
    {
        QPointer<AbstractField> field;
        FieldState state;
    };
    static PageState pageState(const ReportPage *page);
    static QJsonObject fieldState(const AbstractField *field);
    // The name a step gets when its action gave none.
    static QString describe(const Change &change);
    QVector<Seen> snapshot() const;
    Change changeSince() const;
    // Takes the fields of takeOff off the page, puts those of putBack in, gives the
    // fields of states their values and the page its settings.
    void apply(const QVector<FieldState> &takeOff,
               const QVector<FieldState> &putBack,
               const QVector<FieldState> &states,
               const PageState *pageSettings);

    QUndoStack *m_stack = nullptr;
    QPointer<ReportPage> m_page;
    QVector<Seen> m_seen;
    PageState m_seenPage;
    int m_openActions = 0;
    bool m_applying = false;
};
