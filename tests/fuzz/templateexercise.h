#pragma once

#include "reportpage.h"

#include <QJsonDocument>
#include <QPainter>
#include <QStandardItemModel>

// Everything a template from outside goes through: reading, drawing both sides with
// and without substitution, writing and reading back. Shared by the robustness test
// and the fuzzer.
inline void exerciseTemplate(const QByteArray &bytes)
{
    ReportPage page;
    QStandardItemModel model(3, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("name"), QStringLiteral("grade")});
    model.setData(model.index(0, 1), QStringLiteral("неудовлетворительно"));
    page.addModel(QStringLiteral("view"), &model, false);
    page.setReportVariable(QStringLiteral("fio"), QStringLiteral("$V{fio}$V{fio}"));
    page.readJson(QJsonDocument::fromJson(bytes).object());

    // One pixel per millimetre keeps thousands of sheets cheap.
    QImage image(300, 300, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(1000);
    image.setDotsPerMeterY(1000);
    image.fill(Qt::white);
    for (int pass = 0; pass < 2; ++pass) {
        page.setReplaceExpressions(pass == 1);
        QPainter painter(&image);
        page.renderPage(&painter, pass, true);
    }
    page.tablesOverflow();

    QJsonObject json;
    page.writeJson(json);
    ReportPage again;
    again.readJson(json);
}
