#include "fieldclipboard.h"

#include "abstractfield.h"
#include "tablefield.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

QString FieldClipboard::mimeType()
{
    return QStringLiteral("application/x-zrreport-fields");
}

QMimeData *FieldClipboard::mimeData(const QList<AbstractField *> &fields)
{
    QJsonArray list;
    for (const AbstractField *field : fields) {
        QJsonObject json;
        field->writeJson(json);
        list.append(QJsonObject{{QStringLiteral("type"), field->type()},
                                {QStringLiteral("field"), json}});
    }
    auto *mime = new QMimeData();
    mime->setData(mimeType(), QJsonDocument(list).toJson(QJsonDocument::Compact));
    return mime;
}

bool FieldClipboard::hasFields(const QMimeData *mime)
{
    return mime && mime->hasFormat(mimeType());
}

QList<AbstractField *>
FieldClipboard::fields(const QMimeData *mime, ReportPage *page, double offset)
{
    QList<AbstractField *> result;
    if (!hasFields(mime))
        return result;
    const QJsonArray list = QJsonDocument::fromJson(mime->data(mimeType())).array();
    for (const QJsonValue &entry : list) {
        const QJsonObject object = entry.toObject();
        AbstractField *field
                = AbstractField::create(object.value(QStringLiteral("type")).toInt(),
                                        object.value(QStringLiteral("field")).toObject(),
                                        page);
        if (!field)
            continue;
        field->x += offset;
        field->y += offset;
        if (field->type() == 2) {
            // Continuation blocks go along; a break without one (0, 0) stays one.
            auto *table = static_cast<TableField *>(field);
            for (int k = 0; k < table->splitsCount; ++k) {
                if (table->splitX.at(k) < 0.000001 && table->splitY.at(k) < 0.000001)
                    continue;
                table->splitX[k] += offset;
                table->splitY[k] += offset;
            }
        }
        result << field;
    }
    return result;
}
