#include "database/database.h"
#include "guide/userguidewindow.h"
#include "testhome.h"
#include "typetext.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <memory>

namespace {

QString sourceFolder()
{
    return QStringLiteral(ZR_SOURCE_ROOT "guide/sections");
}

// Where a section's heading is in the browser's view: at its top when the view starts
// with that section.
QRect headingPlace(QTextBrowser *browser, const QString &title)
{
    QTextCursor heading(browser->document());
    do
        heading = browser->document()->find(title, heading);
    while (!heading.isNull() && heading.block().text() != title);
    return heading.isNull() ? QRect() : browser->cursorRect(heading);
}

// Below the heading's own top margin, well before anything else would show.
bool atTop(QTextBrowser *browser, const QRect &place)
{
    return place.isValid() && place.top() >= 0 && place.top() < browser->viewport()->height() / 5;
}

} // namespace

class TestUserGuideWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensOnContents();
    void everyPictureIsThere();
    void contentsLeadToSections();
    void find_data();
    void find();
    void screenshot();

private:
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<UserGuideWindow> m_window;
};

void TestUserGuideWindow::init()
{
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
    QVERIFY(Database::create());
    m_window = std::make_unique<UserGuideWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestUserGuideWindow::cleanup()
{
    // The find box's clear button fades in and out on an animation that deletes itself
    // (later) only when it ends: let it end and go before the window, not left at exit.
    const qreal shown = m_window->findBox()->text().isEmpty() ? 0 : 1;
    for (auto button : m_window->findBox()->findChildren<QToolButton *>())
        QTRY_VERIFY(qAbs(button->property("opacity").toReal() - shown) < 1e-9);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_window.reset();
    Database::destroy();
    m_data.reset();
}

void TestUserGuideWindow::opensOnContents()
{
    // One entry per section file of the sources, titled by the file's heading.
    const QStringList files = QDir(sourceFolder()).entryList({"*.html"}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 9);
    QListWidget *contents = m_window->contents();
    QCOMPARE(contents->count(), files.size());
    const QRegularExpression heading("<h1>(.*)</h1>");
    for (int i = 0; i < files.size(); ++i) {
        QFile file(sourceFolder() + "/" + files.at(i));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString title = heading.match(QString::fromUtf8(file.readAll())).captured(1);
        QCOMPARE(contents->item(i)->text(), title);
    }
    QCOMPARE(contents->currentRow(), 0);
    QVERIFY(atTop(m_window->browser(), headingPlace(m_window->browser(), "Первый запуск")));
    QCOMPARE(m_window->windowTitle(), QString("Руководство пользователя"));
}

void TestUserGuideWindow::everyPictureIsThere()
{
    const QRegularExpression image("<img src=\"([^\"]+)\"");
    int pictures = 0;
    for (const UserGuideWindow::Section &section : UserGuideWindow::sections()) {
        auto it = image.globalMatch(section.html);
        while (it.hasNext()) {
            const QString source = it.next().captured(1);
            const QVariant loaded
                    = m_window->browser()->loadResource(QTextDocument::ImageResource, QUrl(source));
            QImage picture;
            QVERIFY2(picture.loadFromData(loaded.toByteArray()), qPrintable(source));
            // A screenshot, not an empty placeholder.
            QVERIFY2(picture.width() > 200 && picture.height() > 100, qPrintable(source));
            ++pictures;
        }
    }
    QVERIFY(pictures >= 9);
}

void TestUserGuideWindow::contentsLeadToSections()
{
    QListWidget *contents = m_window->contents();
    for (int row : {4, 2, contents->count() - 1, 0}) {
        QListWidgetItem *item = contents->item(row);
        contents->scrollToItem(item);
        QTest::mouseClick(contents->viewport(),
                          Qt::LeftButton,
                          Qt::NoModifier,
                          contents->visualItemRect(item).center());
        QCOMPARE(contents->currentRow(), row);
        const QRect place = headingPlace(m_window->browser(), item->text());
        // The last section is short: its heading is in sight, not at the top.
        if (row == contents->count() - 1)
            QVERIFY(m_window->browser()->viewport()->rect().contains(place.center()));
        else
            QVERIFY2(atTop(m_window->browser(), place), qPrintable(item->text()));
    }
}

void TestUserGuideWindow::find_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("section");

    QTest::newRow("a word of a later section") << "перекрестий" << 0 << "перекрестий"
                                               << "Калибровка принтера";
    QTest::newRow("е typed for ё") << "найдет еще" << 0 << "найдёт ещё"
                                   << "Реестр документов и фильтры";
    QTest::newRow("Enter goes on to the next place")
            << "Сохранить изменения?" << 1 << "Сохранить изменения?"
            << "Приложение к документу";
    QTest::newRow("round the end back to the first place")
            << "Сохранить изменения?" << 2 << "Сохранить изменения?"
            << "Документы и шаблоны";
    QTest::newRow("nothing found") << "абракадабра" << 0 << ""
                                   << "Первый запуск";
}

void TestUserGuideWindow::find()
{
    QFETCH(QString, typed);
    QFETCH(int, presses);
    QFETCH(QString, selected);
    QFETCH(QString, section);

    QLineEdit *box = m_window->findBox();
    box->setFocus();
    typeText(box, typed);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(box, Qt::Key_Return);
    QTextBrowser *browser = m_window->browser();
    QCOMPARE(browser->textCursor().selectedText(), selected);
    QCOMPARE(m_window->contents()->currentItem()->text(), section);
    auto state = m_window->findChild<QLabel *>("findState");
    QCOMPARE(state->text(), QString(selected.isEmpty() ? "Не найдено" : ""));
    if (!selected.isEmpty())
        QVERIFY(browser->viewport()->rect().contains(browser->cursorRect().center()));
}

// ZR_SCREENSHOT_DIR=/tmp/shots build/tests/guide/tst_userguidewindow screenshot
void TestUserGuideWindow::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("ZR_SCREENSHOT_DIR not set");
    QDir().mkpath(folder);
    QVERIFY(m_window->grab().save(folder + "/userguide-start.png"));
    typeText(m_window->findBox(), "переверните");
    QVERIFY(m_window->grab().save(folder + "/userguide-found.png"));
}

ZR_TEST_MAIN(TestUserGuideWindow)
#include "tst_userguidewindow.moc"
