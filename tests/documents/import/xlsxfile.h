#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>
#include <quazip5/quacrc32.h>
#include <quazip5/quazip.h>
#include <quazip5/quazipfile.h>

// Writes small workbooks for the tests and benchmarks: the parts a spreadsheet program writes,
// with each sheet's rows given as the XML inside <sheetData>.
class XlsxFile
{
public:
    void addSheet(const QString &name, const QString &sheetData)
    {
        m_sheets.append({name, sheetData});
    }
    // The <si> items of the shared strings, as XML.
    void setSharedStrings(const QString &items) { m_sharedStrings = items; }
    // What goes inside <styleSheet>: <numFmts> and <cellXfs>.
    void setStyles(const QString &xml) { m_styles = xml; }
    void setDate1904(bool on) { m_date1904 = on; }
    // Every part is stored with the zip format's own password encryption.
    void setPassword(const QByteArray &password) { m_password = password; }

    bool write(const QString &path) const
    {
        QuaZip zip(path);
        if (!zip.open(QuaZip::mdCreate))
            return false;
        const QString rels = QStringLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">%1"
                "</Relationships>");
        const QString rel
                = QStringLiteral("<Relationship Id=\"%1\" Type=\"http://schemas.openxmlformats.org/"
                                 "officeDocument/2006/relationships/%2\" Target=\"%3\"/>");
        QString workbookRels;
        QString sheets;
        for (int i = 0; i < m_sheets.size(); ++i) {
            workbookRels += rel.arg(QStringLiteral("rId%1").arg(i + 1),
                                    QStringLiteral("worksheet"),
                                    QStringLiteral("worksheets/sheet%1.xml").arg(i + 1));
            sheets += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>")
                              .arg(m_sheets.at(i).first)
                              .arg(i + 1);
        }
        workbookRels += rel.arg(QStringLiteral("rIdS"),
                                QStringLiteral("sharedStrings"),
                                QStringLiteral("sharedStrings.xml"));
        workbookRels += rel.arg(
                QStringLiteral("rIdT"), QStringLiteral("styles"), QStringLiteral("/xl/styles.xml"));
        const QString main = QStringLiteral(
                "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"");
        bool ok = add(zip,
                      QStringLiteral("_rels/.rels"),
                      rels.arg(rel.arg(QStringLiteral("rId1"),
                                       QStringLiteral("officeDocument"),
                                       QStringLiteral("xl/workbook.xml"))))
                  && add(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), rels.arg(workbookRels))
                  && add(zip,
                         QStringLiteral("xl/workbook.xml"),
                         QStringLiteral("<?xml version=\"1.0\"?><workbook %1><workbookPr "
                                        "date1904=\"%2\"/><sheets>%3</sheets></workbook>")
                                 .arg(main, m_date1904 ? "1" : "0", sheets))
                  && add(zip,
                         QStringLiteral("xl/sharedStrings.xml"),
                         QStringLiteral("<?xml version=\"1.0\"?><sst %1>%2</sst>")
                                 .arg(main, m_sharedStrings))
                  && add(zip,
                         QStringLiteral("xl/styles.xml"),
                         QStringLiteral("<?xml version=\"1.0\"?><styleSheet %1>%2</styleSheet>")
                                 .arg(main, m_styles));
        for (int i = 0; ok && i < m_sheets.size(); ++i)
            ok = add(zip,
                     QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1),
                     QStringLiteral("<?xml version=\"1.0\"?><worksheet %1><sheetData>%2"
                                    "</sheetData></worksheet>")
                             .arg(main, m_sheets.at(i).second));
        zip.close();
        return ok && zip.getZipError() == UNZ_OK;
    }

    // Rows of a sheet: numbers as numbers, any other text as an inline string.
    static QString rows(const QVector<QStringList> &table)
    {
        QString xml;
        for (int r = 0; r < table.size(); ++r) {
            xml += QStringLiteral("<row r=\"%1\">").arg(r + 1);
            for (const QString &cell : table.at(r)) {
                bool number = false;
                cell.toDouble(&number);
                xml += number ? QStringLiteral("<c><v>%1</v></c>").arg(cell)
                              : QStringLiteral("<c t=\"inlineStr\"><is><t>%1</t></is></c>")
                                        .arg(cell.toHtmlEscaped());
            }
            xml += QStringLiteral("</row>");
        }
        return xml;
    }

private:
    bool add(QuaZip &zip, const QString &name, const QString &text) const
    {
        QuaZipFile file(&zip);
        const QByteArray data = text.toUtf8();
        const char *password = m_password.isEmpty() ? nullptr : m_password.constData();
        // An encrypted entry's header is checked against the data's checksum.
        if (!file.open(QIODevice::WriteOnly,
                       QuaZipNewInfo(name),
                       password,
                       QuaCrc32().calculate(data)))
            return false;
        const bool written = file.write(data) == data.size();
        file.close();
        return written && file.getZipError() == UNZ_OK;
    }

    QVector<QPair<QString, QString>> m_sheets;
    QString m_sharedStrings;
    QString m_styles;
    bool m_date1904 = false;
    QByteArray m_password;
};
