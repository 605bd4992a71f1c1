#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <memory>

class ReportPage;

// Drives the report library for the main program and is the program's one
// channel for user messages: the main window shows every error() it emits.
class Engine : public QObject
{
    Q_OBJECT
public:
    explicit Engine(QObject *parent = nullptr);
    ~Engine() override;

    // Data folder + "/reports/" + the form's identifier + ".zrrpt"; empty for an unknown form.
    // On a server register the file is this workstation's copy of the register's template.
    static QString templatePath(int type);
    // Side 1 of the form's blank; null, with the reason when asked, when the template
    // cannot be used.
    static QPixmap templatePixmap(int type, QString *error = nullptr);
    static void fillReport(int type, ReportPage *page, int sqlDocId, bool useDocument);
    // Every use of a form's template reads it here (on a server register, the register's
    // template): false with the reason for the user when it is missing, unreadable, not a
    // template, beyond the limits or has no page.
    static bool loadTemplate(int type, ReportPage *page, QString *error);
    // The form's template read for printing without a preview (substitution on); null with
    // the reason when it cannot be used.
    static std::unique_ptr<ReportPage> readTemplate(int type, QString *error);

    // The page last prepared for printing or opened in the designer.
    ReportPage *currentPage() const;

signals:
    void error(const QString &text, const QString &title);

public slots:
    // type is a ReportList::ReportType.
    void onDocumentPrint(int type, int sqlDocId, bool printBackground);
    void onGuiEdit(int type);

private:
    // Writes what the preview sent to a printer into the print journal.
    void recordPrint(int type, int sqlDocId, const QString &printer, int pages, int ofPages);
    void replaceCurrentPage(ReportPage *page);

    QPointer<ReportPage> m_page;
};
