#pragma once

#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>
#include <memory>

class QPrintPreviewDialog;
class ReportPage;

// A throw-away data folder with an empty register, and helpers to fill it.
class PrintingFixture
{
public:
    // Points the data folder at a new temporary folder and creates the register there.
    void start();
    void stop();
    QString dataHome() const;

    // Column name to value; returns the new psId.
    static int addDocument(const QVariantMap &columns);
    static void addDetails(int psId, const QList<QPair<QString, QString>> &rows);
    // A pupil with every column filled, and its appendix rows.
    static int addSampleDocument(int disciplines = 3);

    // Writes a template of `pages` pages (a text field with `text` on each page, and
    // backgrounds when asked) as the form's template in the reports folder.
    static QString writeTemplate(int type,
                                 int pages,
                                 bool backgrounds = false,
                                 const QString &text = QStringLiteral("$V{Full_Name}"));
    // A template whose one table holds at most `rowsThatFit` rows of the "view" model.
    static QString writeOverflowingTemplate(int type, int rowsThatFit);

    // Presses the preview's own Print button once this answer returns (it opens the system
    // print dialog, answered in its turn), the printer set to write a PDF into `file`.
    static void printIntoFile(QPrintPreviewDialog *preview, const QString &file);

private:
    std::unique_ptr<QTemporaryDir> m_data;
};
