#pragma once

#include <QList>
#include <QString>

// A class printed on a certificate made for boys or for girls goes out as two batches: the
// boys on the boys' blank, then the girls on the girls' blank. A selection of one gender,
// and any blank made for all (the appendix among them), is one batch.
class GenderSplit
{
public:
    struct Batch
    {
        int type = 0;
        QList<int> ids; // in the order of the selection
    };

    GenderSplit(int type, const QList<int> &ids);

    bool isSplit() const { return m_batches.size() > 1; }
    // In the order they are printed; one batch, on the chosen blank, when there is no split.
    const QList<Batch> &batches() const { return m_batches; }
    // "Мальчики: 14 — бланк для мальчиков; девочки: 13 — бланк для девочек", and then how
    // many could not be told and where they go; empty without a split.
    QString text() const;

private:
    int m_type;
    int m_boys = 0;
    int m_girls = 0;
    int m_unknown = 0;
    QList<Batch> m_batches;
};
