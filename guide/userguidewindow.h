#pragma once

#include <QHash>
#include <QImage>
#include <QVector>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;

// The user guide: every section of the guide as one document, with the list of
// sections beside it and a find box above it. The sections are the HTML files of
// ":/guide/sections", in the order of their file names; a section is added by adding
// its file to guide.qrc.
class UserGuideWindow : public QWidget
{
    Q_OBJECT
public:
    struct Section
    {
        QString anchor; // the file name without its order number and extension
        QString title;  // the text of the section's <h1>
        QString html;
    };

    explicit UserGuideWindow(QWidget *parent = nullptr);
    ~UserGuideWindow() override;

    static QVector<Section> sections();

    QTextBrowser *browser() const { return m_browser; }
    QListWidget *contents() const { return m_contents; }
    QLineEdit *findBox() const { return m_findBox; }

    // Scrolls to the section with this anchor; false when there is none.
    bool showSection(const QString &anchor);
    // Selects the next place (the previous one when backward) with the text, from where
    // the last find stopped and round the end of the guide; false when there is none.
    bool find(const QString &text, bool backward = false);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void onFindEdited(const QString &text);
    void followScrolling();
    void fitPictures();

    QTextBrowser *m_browser = nullptr;
    QListWidget *m_contents = nullptr;
    QLineEdit *m_findBox = nullptr;
    QLabel *m_findState = nullptr;
    // Where each section starts in the document, in the order of the contents.
    QVector<int> m_sectionStarts;
    // The screenshots as taken, by their names in the sections, and the width they are
    // shown at now.
    QHash<QString, QImage> m_pictures;
    int m_pictureWidth = 0;
};
