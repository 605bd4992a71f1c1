#pragma once

#include <QDialog>

class QLabel;

namespace Ui {
class AboutDialog;
}

// Title, version and build, the report library's version, release notes and contacts.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    // The report library as Windows names it; the platform layer finds its file.
    static constexpr char reportLibraryModule[] = "ZrReportLib.dll";

    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;

    // "major.minor" of a module file (a path or a loaded module's name), "?" when unknown.
    static QString fileVersionString(const QString &fileName);
    // Re-flows the text to the label's width and fits the label's height to it.
    static void setWrappedLabelText(const QString &text, QLabel *label);
    static QString titleText(const QString &libraryVersion);

private:
    Ui::AboutDialog *ui;
};
