#include "templatehistory.h"

#include "abstractfield.h"
#include "reportpage.h"
#include "tablefield.h"

#include <QHash>
#include <QSet>
#include <QUndoCommand>
#include <QUndoStack>
#include <algorithm>

namespace {
QString plural(int count, const QString &one, const QString &many)
{
    return count == 1 ? one : many;
}

QSet<QString> changedKeys(const QJsonObject &a, const QJsonObject &b)
{
    QSet<QString> keys;
    for (auto it = a.begin(); it != a.end(); ++it) {
        if (b.value(it.key()) != it.value())
            keys << it.key();
    }
    for (auto it = b.begin(); it != b.end(); ++it) {
        if (!a.contains(it.key()))
            keys << it.key();
    }
    return keys;
}

QVector<int> indices(const QVector<TemplateHistory::FieldState> &states)
{
    QVector<int> result;
    for (const TemplateHistory::FieldState &state : states)
        result << state.index;
    return result;
}
} // namespace

// One user action on the template. Pushed after the action was done, so its first
// redo has nothing left to do.
class TemplateStep : public QUndoCommand
{
public:
    TemplateStep(TemplateHistory *history,
                 const TemplateHistory::Change &change,
                 const QString &text,
                 bool continuesLast)
        : QUndoCommand(text)
        , m_history(history)
        , m_change(change)
        , m_continuesLast(continuesLast)
    {}

    int id() const override { return 1; }

    bool mergeWith(const QUndoCommand *command) override
    {
        const auto *next = static_cast<const TemplateStep *>(command);
        const TemplateHistory::Change &c = next->m_change;
        if (!next->m_continuesLast || !m_change.removed.isEmpty() || !m_change.added.isEmpty()
            || !c.removed.isEmpty() || !c.added.isEmpty() || m_change.pageChanged || c.pageChanged
            || indices(c.before) != indices(m_change.after))
            return false;
        m_change.after = c.after;
        bool same = true;
        for (int i = 0; i < m_change.after.size() && same; ++i)
            same = m_change.after.at(i).json == m_change.before.at(i).json;
        setObsolete(same);
        return true;
    }

    void undo() override
    {
        m_history->apply(m_change.added,
                         m_change.removed,
                         m_change.before,
                         m_change.pageChanged ? &m_change.pageBefore : nullptr);
    }

    void redo() override
    {
        if (m_fresh) {
            m_fresh = false;
            return;
        }
        m_history->apply(m_change.removed,
                         m_change.added,
                         m_change.after,
                         m_change.pageChanged ? &m_change.pageAfter : nullptr);
    }

private:
    TemplateHistory *m_history;
    TemplateHistory::Change m_change;
    bool m_continuesLast;
    bool m_fresh = true;
};

bool TemplateHistory::PageState::operator==(const PageState &other) const
{
    return orientation == other.orientation && pageSize == other.pageSize
           && pagesCount == other.pagesCount
           && defaultFont.toString() == other.defaultFont.toString()
           && printBackground == other.printBackground
           && background.cacheKey() == other.background.cacheKey()
           && background2.cacheKey() == other.background2.cacheKey();
}

bool TemplateHistory::Change::isEmpty() const
{
    return removed.isEmpty() && added.isEmpty() && before.isEmpty() && !pageChanged;
}

TemplateHistory::TemplateHistory(QObject *parent)
    : QObject(parent)
    , m_stack(new QUndoStack(this))
{}

TemplateHistory::~TemplateHistory() = default;

void TemplateHistory::setPage(ReportPage *page)
{
    m_page = page;
    reset();
}

void TemplateHistory::reset()
{
    m_openActions = 0;
    m_stack->clear();
    m_seen = snapshot();
    m_seenPage = pageState(m_page);
}

TemplateHistory::PageState TemplateHistory::pageState(const ReportPage *page)
{
    PageState state;
    if (!page)
        return state;
    state.orientation = page->orientation();
    state.pageSize = int(page->pageSize());
    state.pagesCount = page->pagesCount();
    state.defaultFont = page->defaultFont;
    state.printBackground = page->printBackgroundImage;
    state.background = page->backgroundImage;
    state.background2 = page->backgroundImage2;
    return state;
}

QJsonObject TemplateHistory::fieldState(const AbstractField *field)
{
    QJsonObject json;
    field->writeJson(json);
    return json;
}

QVector<TemplateHistory::Seen> TemplateHistory::snapshot() const
{
    QVector<Seen> seen;
    if (!m_page)
        return seen;
    seen.reserve(m_page->fields.size());
    for (int i = 0; i < m_page->fields.size(); ++i) {
        AbstractField *field = m_page->fields.at(i);
        seen.append({field, {i, field->type(), fieldState(field)}});
    }
    return seen;
}

TemplateHistory::Change TemplateHistory::changeSince() const
{
    Change change;
    if (!m_page)
        return change;
    QHash<const AbstractField *, int> current;
    for (int i = 0; i < m_page->fields.size(); ++i)
        current.insert(m_page->fields.at(i), i);
    QSet<const AbstractField *> kept;
    for (const Seen &seen : m_seen) {
        const auto it = seen.field ? current.constFind(seen.field.data()) : current.constEnd();
        if (it == current.constEnd()) {
            change.removed << seen.state;
            continue;
        }
        kept << seen.field.data();
        const QJsonObject now = fieldState(seen.field);
        if (now != seen.state.json) {
            change.before << seen.state;
            change.after << FieldState{it.value(), seen.state.type, now};
        }
    }
    for (int i = 0; i < m_page->fields.size(); ++i) {
        AbstractField *field = m_page->fields.at(i);
        if (!kept.contains(field))
            change.added << FieldState{i, field->type(), fieldState(field)};
    }
    const PageState page = pageState(m_page);
    if (!(page == m_seenPage)) {
        change.pageChanged = true;
        change.pageBefore = m_seenPage;
        change.pageAfter = page;
    }
    return change;
}

bool TemplateHistory::record(const QString &action, bool continuesLast)
{
    if (m_openActions > 0 || m_applying || !m_page)
        return false;
    const Change change = changeSince();
    if (change.isEmpty())
        return false;
    m_seen = snapshot();
    m_seenPage = pageState(m_page);
    const QString text = action.isEmpty() ? describe(change) : action;
    m_stack->push(new TemplateStep(this, change, text, continuesLast));
    return true;
}

void TemplateHistory::begin()
{
    ++m_openActions;
}

bool TemplateHistory::finish(const QString &action, bool continuesLast)
{
    if (m_openActions > 0)
        --m_openActions;
    return record(action, continuesLast);
}

void TemplateHistory::apply(const QVector<FieldState> &takeOff,
                            const QVector<FieldState> &putBack,
                            const QVector<FieldState> &states,
                            const PageState *pageSettings)
{
    if (!m_page)
        return;
    m_applying = true;
    QList<AbstractField *> &fields = m_page->fields;

    QVector<int> gone = indices(takeOff);
    std::sort(gone.begin(), gone.end(), std::greater<int>());
    for (int index : qAsConst(gone)) {
        if (index < 0 || index >= fields.size())
            continue;
        AbstractField *field = fields.at(index);
        emit fieldRemoving(field);
        fields.removeAt(index);
        delete field;
    }

    QVector<FieldState> back = putBack;
    std::sort(back.begin(), back.end(), [](const FieldState &a, const FieldState &b) {
        return a.index < b.index;
    });
    QList<AbstractField *> touched;
    for (const FieldState &state : qAsConst(back)) {
        AbstractField *field = AbstractField::create(state.type, state.json, m_page);
        if (!field)
            continue;
        const int index = qBound(0, state.index, fields.size());
        fields.insert(index, field);
        touched << field;
        emit fieldInserted(field, index);
    }

    if (pageSettings) {
        m_page->setOrientation(QPrinter::Orientation(pageSettings->orientation));
        m_page->setPageSize(QPagedPaintDevice::PageSize(pageSettings->pageSize));
        m_page->setPagesCount(pageSettings->pagesCount);
        m_page->defaultFont = pageSettings->defaultFont;
        m_page->printBackgroundImage = pageSettings->printBackground;
        m_page->backgroundImage = pageSettings->background;
        m_page->backgroundImage2 = pageSettings->background2;
        // Fields in the default font are laid out again in the restored one.
        for (AbstractField *field : qAsConst(fields))
            field->prepared = false;
    }

    for (const FieldState &state : states) {
        if (state.index < 0 || state.index >= fields.size())
            continue;
        AbstractField *field = fields.at(state.index);
        // Keys a template leaves out when they hold their default are not read back.
        field->zOnEmpty = false;
        field->readJson(state.json);
        if (field->type() == 2)
            static_cast<TableField *>(field)->bindModel();
        field->prepared = false;
        if (!touched.contains(field))
            touched << field;
    }

    m_seen = snapshot();
    m_seenPage = pageState(m_page);
    m_applying = false;
    emit restored(touched, pageSettings != nullptr);
}

QString TemplateHistory::describe(const Change &change)
{
    if (!change.added.isEmpty())
        return plural(change.added.size(),
                      QStringLiteral("добавление поля"),
                      QStringLiteral("добавление полей"));
    if (!change.removed.isEmpty())
        return plural(change.removed.size(),
                      QStringLiteral("удаление поля"),
                      QStringLiteral("удаление полей"));
    if (change.before.isEmpty()) {
        const PageState &a = change.pageBefore;
        const PageState &b = change.pageAfter;
        if (a.background.cacheKey() != b.background.cacheKey()
            || a.background2.cacheKey() != b.background2.cacheKey())
            return QStringLiteral("загрузка фона");
        return QStringLiteral("изменение свойств страницы");
    }
    QSet<QString> keys;
    for (int i = 0; i < change.before.size(); ++i)
        keys |= changedKeys(change.before.at(i).json, change.after.at(i).json);
    const int count = change.before.size();
    const QSet<QString> place{QStringLiteral("x"), QStringLiteral("y")};
    const QSet<QString> size{QStringLiteral("width"), QStringLiteral("height")};
    if ((keys - place).isEmpty())
        return plural(
                count, QStringLiteral("перемещение поля"), QStringLiteral("перемещение полей"));
    if ((keys - place - size).isEmpty())
        return plural(count,
                      QStringLiteral("изменение размера поля"),
                      QStringLiteral("изменение размера полей"));
    if ((keys - size - QSet<QString>{QStringLiteral("columnsWidth")}).isEmpty())
        return QStringLiteral("изменение ширины столбца");
    bool tables = true;
    for (const FieldState &state : change.before)
        tables = tables && state.type == 2;
    if (tables)
        return QStringLiteral("изменение таблицы");
    if (keys == QSet<QString>{QStringLiteral("id")})
        return QStringLiteral("изменение текста поля");
    if (keys == QSet<QString>{QStringLiteral("font")})
        return QStringLiteral("изменение шрифта поля");
    if (keys == QSet<QString>{QStringLiteral("alignFlags")})
        return QStringLiteral("изменение выравнивания текста");
    return plural(count,
                  QStringLiteral("изменение свойств поля"),
                  QStringLiteral("изменение свойств полей"));
}
