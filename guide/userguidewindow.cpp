#include "userguidewindow.h"

#include "settings/widgetgeometry.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const QString sectionFolder = QStringLiteral(":/guide/sections");

// The first heading of a section gets the section's anchor; its text is the title.
const QRegularExpression heading(QStringLiteral("<h1([^>]*)>(.*?)</h1>"),
                                 QRegularExpression::DotMatchesEverythingOption);

QString plainText(const QString &html)
{
    QString text = html;
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return text.simplified();
}

// Е and Ё are one letter to a reader, as in the register's filter.
QRegularExpression searchPattern(const QString &text)
{
    QString pattern;
    for (const QChar c : text) {
        const QChar lower = c.toLower();
        if (lower == QChar(0x0435) || lower == QChar(0x0451))
            pattern += QStringLiteral("[\u0435\u0451]");
        else
            pattern += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
}

} // namespace

QVector<UserGuideWindow::Section> UserGuideWindow::sections()
{
    QVector<Section> result;
    const QStringList files
            = QDir(sectionFolder).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        QFile in(sectionFolder + QLatin1Char('/') + file);
        if (!in.open(QIODevice::ReadOnly))
            continue;
        Section section;
        section.html = QString::fromUtf8(in.readAll());
        // "40-appendix.html" is the section "appendix", fourth in the guide.
        section.anchor = file.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('-'), 1);
        const QRegularExpressionMatch match = heading.match(section.html);
        section.title = match.hasMatch() ? plainText(match.captured(2)) : section.anchor;
        if (match.hasMatch())
            section.html.replace(
                    match.capturedStart(),
                    match.capturedLength(),
                    QStringLiteral("<h1%1><a name=\"%2\">%3</a></h1>")
                            .arg(match.captured(1), section.anchor, match.captured(2)));
        result << section;
    }
    return result;
}

UserGuideWindow::UserGuideWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("UserGuideWindow"));
    setWindowTitle(QStringLiteral("Руководство пользователя"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto findLabel = new QLabel(QStringLiteral("Найти:"), this);
    m_findBox = new QLineEdit(this);
    m_findBox->setObjectName(QStringLiteral("findBox"));
    m_findBox->setPlaceholderText(QStringLiteral("слово или его начало"));
    m_findBox->setClearButtonEnabled(true);
    findLabel->setBuddy(m_findBox);
    auto previous = new QPushButton(QStringLiteral("Назад"), this);
    auto next = new QPushButton(QStringLiteral("Далее"), this);
    m_findState = new QLabel(this);
    m_findState->setObjectName(QStringLiteral("findState"));
    auto findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_findBox, 1);
    findRow->addWidget(previous);
    findRow->addWidget(next);
    findRow->addWidget(m_findState, 1);

    m_contents = new QListWidget(this);
    m_contents->setObjectName(QStringLiteral("contents"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("browser"));
    m_browser->setSearchPaths({QStringLiteral(":/guide")});
    m_browser->setOpenExternalLinks(false);
    // Read at length, so larger than the program's small dialog font.
    QFont text = m_browser->font();
    text.setPointSizeF(qMax(10.0, text.pointSizeF() * 1.25));
    m_browser->setFont(text);
    auto splitter = new QSplitter(this);
    splitter->addWidget(m_contents);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);

    auto layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(splitter, 1);

    QString html;
    const QVector<Section> all = sections();
    for (const Section &section : all) {
        html += section.html;
        auto item = new QListWidgetItem(section.title, m_contents);
        item->setData(Qt::UserRole, section.anchor);
    }
    m_browser->setHtml(html);

    // The anchors, looked up once, tell which section is at the top of the view.
    QHash<QString, int> anchorPositions;
    for (QTextBlock block = m_browser->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            for (const QString &name : format.anchorNames())
                anchorPositions.insert(name, it.fragment().position());
            if (format.isImageFormat()) {
                const QString name = format.toImageFormat().name();
                const QVariant data
                        = m_browser->loadResource(QTextDocument::ImageResource, QUrl(name));
                m_pictures.insert(name, QImage::fromData(data.toByteArray()));
            }
        }
    }
    for (const Section &section : all)
        m_sectionStarts << anchorPositions.value(section.anchor, 0);

    connect(m_contents, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        showSection(item->data(Qt::UserRole).toString());
    });
    connect(m_contents, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        showSection(item->data(Qt::UserRole).toString());
    });
    m_browser->viewport()->installEventFilter(this);
    connect(m_browser->verticalScrollBar(),
            &QScrollBar::valueChanged,
            this,
            &UserGuideWindow::followScrolling);
    connect(m_findBox, &QLineEdit::textEdited, this, &UserGuideWindow::onFindEdited);
    connect(m_findBox, &QLineEdit::returnPressed, this, [this] { find(m_findBox->text()); });
    connect(next, &QPushButton::clicked, this, [this] { find(m_findBox->text()); });
    connect(previous, &QPushButton::clicked, this, [this] { find(m_findBox->text(), true); });
    auto focusFind = new QShortcut(QKeySequence::Find, this);
    connect(focusFind, &QShortcut::activated, this, [this] {
        m_findBox->setFocus();
        m_findBox->selectAll();
    });
    auto findNext = new QShortcut(QKeySequence::FindNext, this);
    connect(findNext, &QShortcut::activated, this, [this] { find(m_findBox->text()); });
    auto findPrevious = new QShortcut(QKeySequence::FindPrevious, this);
    connect(findPrevious, &QShortcut::activated, this, [this] { find(m_findBox->text(), true); });

    if (m_contents->count() > 0)
        m_contents->setCurrentRow(0);
    // Every title whole, the rest for the text.
    m_contents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_contents->setMinimumWidth(m_contents->sizeHintForColumn(0) + 2 * m_contents->frameWidth()
                                + 12);
    splitter->setSizes({m_contents->minimumWidth(), 1000});
    resize(1000, 720);
    restoreWidgetGeometry(this);
}

UserGuideWindow::~UserGuideWindow() = default;

// Saved when the window goes out of sight: destroyed with the main window, it may
// outlive the settings service.
void UserGuideWindow::hideEvent(QHideEvent *event)
{
    saveWidgetGeometry(this);
    QWidget::hideEvent(event);
}

bool UserGuideWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_browser->viewport() && event->type() == QEvent::Resize)
        fitPictures();
    return QWidget::eventFilter(watched, event);
}

void UserGuideWindow::fitPictures()
{
    // Room for a picture inside a list item, which is indented.
    const int width = qMax(200, m_browser->viewport()->width() - 60);
    if (width == m_pictureWidth)
        return;
    m_pictureWidth = width;
    // Scaled here, smoothly and for the screen's pixels, rather than by the painter.
    const qreal ratio = devicePixelRatioF();
    QTextDocument *document = m_browser->document();
    for (auto it = m_pictures.cbegin(); it != m_pictures.cend(); ++it) {
        QImage shown = it.value();
        if (shown.width() > width) {
            shown = shown.scaledToWidth(qMin(shown.width(), qRound(width * ratio)),
                                        Qt::SmoothTransformation);
            shown.setDevicePixelRatio(qreal(shown.width()) / width);
        }
        document->addResource(QTextDocument::ImageResource, QUrl(it.key()), shown);
    }
    document->markContentsDirty(0, document->characterCount());
}

bool UserGuideWindow::showSection(const QString &anchor)
{
    for (int row = 0; row < m_contents->count(); ++row) {
        if (m_contents->item(row)->data(Qt::UserRole).toString() != anchor)
            continue;
        m_contents->setCurrentRow(row);
        m_browser->scrollToAnchor(anchor);
        return true;
    }
    return false;
}

bool UserGuideWindow::find(const QString &text, bool backward)
{
    QTextDocument *document = m_browser->document();
    if (text.isEmpty()) {
        QTextCursor cursor = m_browser->textCursor();
        cursor.clearSelection();
        m_browser->setTextCursor(cursor);
        m_findState->clear();
        return false;
    }
    const QRegularExpression pattern = searchPattern(text);
    const QTextDocument::FindFlags flags
            = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextCursor found = document->find(pattern, m_browser->textCursor(), flags);
    if (found.isNull()) {
        QTextCursor from(document);
        if (backward)
            from.movePosition(QTextCursor::End);
        found = document->find(pattern, from, flags);
    }
    if (found.isNull()) {
        m_findState->setText(QStringLiteral("Не найдено"));
        return false;
    }
    m_findState->clear();
    m_browser->setTextCursor(found);
    m_browser->ensureCursorVisible();
    // The list shows the section of the place found, wherever that is in the view.
    int row = 0;
    for (int i = 0; i < m_sectionStarts.size(); ++i) {
        if (m_sectionStarts.at(i) <= found.selectionStart())
            row = i;
    }
    const QSignalBlocker blocker(m_contents);
    m_contents->setCurrentRow(row);
    return true;
}

void UserGuideWindow::onFindEdited(const QString &text)
{
    // Typing on keeps the place found so far, so the next letters narrow it down.
    QTextCursor cursor = m_browser->textCursor();
    cursor.setPosition(cursor.selectionStart());
    m_browser->setTextCursor(cursor);
    find(text);
}

void UserGuideWindow::followScrolling()
{
    QTextDocument *document = m_browser->document();
    const QScrollBar *bar = m_browser->verticalScrollBar();
    const auto top = [document](int position) {
        return document->documentLayout()->blockBoundingRect(document->findBlock(position)).top();
    };
    // A heading in the upper third of the view already counts: it is what the reader sees.
    const int reading = bar->value() + m_browser->viewport()->height() / 3;
    int row = 0;
    for (int i = 0; i < m_sectionStarts.size(); ++i) {
        if (top(m_sectionStarts.at(i)) <= reading)
            row = i;
    }
    // At the end of the guide the last short sections never reach the top; the one
    // chosen from the list stays chosen while its heading is in sight.
    const int current = m_contents->currentRow();
    if (bar->value() == bar->maximum() && current > row
        && top(m_sectionStarts.value(current)) < bar->value() + m_browser->viewport()->height())
        return;
    const QSignalBlocker blocker(m_contents);
    m_contents->setCurrentRow(row);
}
