#include "documents/additionaleditdialog.h"
#include "documents/comboboxitemdelegate.h"
#include "documents/itemoperations.h"
#include "editfixture.h"
#include "modalanswerer.h"
#include "testhome.h"
#include "typetext.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

Q_DECLARE_METATYPE(QDialogButtonBox::StandardButton)

class TestAdditionalEditDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensInViewState();
    void addDiscipline_data();
    void addDiscipline();
    void deleteDiscipline_data();
    void deleteDiscipline();
    void deleteAll_data();
    void deleteAll();
    void move_data();
    void move();
    void refusedSaveLeavesRegister_data();
    void refusedSaveLeavesRegister();
    void swapRowsOutOfRange_data();
    void swapRowsOutOfRange();
    void gradeEditor_data();
    void gradeEditor();
    void gradeInput_data();
    void gradeInput();
    void saveStoresSections();
    void closeAsksAboutUnsavedChanges_data();
    void closeAsksAboutUnsavedChanges();
    void sectionsOfferEarlierValues();
    void changedElsewhere_data();
    void changedElsewhere();
    void documentDeletedElsewhere();

private:
    AdditionalEditDialog *open(int psId, bool editable = true);
    template<class T> T *child(const char *name)
    {
        T *found = m_dialog->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QTableView *table() { return child<QTableView>("tableView"); }
    // The cell of the column the user sees under `header` ("Дисциплина", "Оценка").
    QModelIndex cell(int row, const QString &header);
    QComboBox *gradeEditor(int row)
    {
        return qobject_cast<QComboBox *>(table()->indexWidget(cell(row, "Оценка")));
    }
    // "name:grade" of the rows the dialog shows.
    QStringList shownRows();
    void save() { m_dialog->on_pushButtonSave_2_clicked(); }
    bool saved() { return child<QPushButton>("pushButtonSave_2")->isHidden(); }
    void chooseGrade(int row, const QString &grade);
    void selectRow(int row);
    QString buttons();

    EditFixture m_fixture;
    std::unique_ptr<ModalAnswerer> m_modal;
    QPointer<AdditionalEditDialog> m_dialog;
    int m_doc = 0;
    int m_other = 0;
};

void TestAdditionalEditDialog::init()
{
    m_fixture.start();
    m_modal = std::make_unique<ModalAnswerer>();
    EditFixture::Row row;
    row.fio1 = "Иванов";
    row.sections = QStringList{"курсы", "программы", "олимпиады", "мета", "личностные"};
    m_doc = EditFixture::insertRow(row);
    row.fio1 = "Петров";
    m_other = EditFixture::insertRow(row);
    EditFixture::insertDetail(m_other, "Чужая", "3");
}

void TestAdditionalEditDialog::cleanup()
{
    delete m_dialog.data();
    m_fixture.stop();
    const QStringList unexpected = m_modal->unexpected();
    const int pending = m_modal->pending();
    m_modal.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('|')));
    QCOMPARE(pending, 0);
}

AdditionalEditDialog *TestAdditionalEditDialog::open(int psId, bool editable)
{
    m_dialog = new AdditionalEditDialog;
    m_dialog->loadAppendix(psId);
    if (editable)
        m_dialog->on_pushButtonEditForm_clicked();
    return m_dialog;
}

QModelIndex TestAdditionalEditDialog::cell(int row, const QString &header)
{
    QAbstractItemModel *model = table()->model();
    for (int column = 0; column < model->columnCount(); ++column) {
        if (model->headerData(column, Qt::Horizontal).toString().trimmed() == header)
            return model->index(row, column);
    }
    qFatal("no column %s", qPrintable(header));
}

QStringList TestAdditionalEditDialog::shownRows()
{
    QStringList rows;
    for (int row = 0; row < table()->model()->rowCount(); ++row)
        rows << cell(row, "Дисциплина").data().toString() + ":"
                        + cell(row, "Оценка").data().toString();
    return rows;
}

void TestAdditionalEditDialog::chooseGrade(int row, const QString &grade)
{
    QComboBox *editor = gradeEditor(row);
    QVERIFY(editor);
    const int index = editor->findText(grade);
    editor->setCurrentIndex(index);
    emit editor->activated(index);
}

void TestAdditionalEditDialog::selectRow(int row)
{
    const QModelIndex index = cell(row, "Дисциплина");
    table()->setCurrentIndex(index);
    m_dialog->onRowActivated(index);
}

// Enabled row buttons as letters: D(elete), U(p), d(own).
QString TestAdditionalEditDialog::buttons()
{
    QString state;
    if (child<QPushButton>("pushButtonDelete")->isEnabled())
        state += 'D';
    if (child<QPushButton>("pushButtonUp")->isEnabled())
        state += 'U';
    if (child<QPushButton>("pushButtonDown")->isEnabled())
        state += 'd';
    return state;
}

void TestAdditionalEditDialog::opensInViewState()
{
    EditFixture::insertDetail(m_doc, "Русский язык", "5");
    EditFixture::insertDetail(m_doc, "Музыка", "Освоено");
    open(m_doc, false);
    QCOMPARE(m_dialog->windowTitle(), QString("Приложение к документу"));
    // The table looks as in the edit state: every grade in its editor, which cannot be used.
    const QStringList grades{"5", "Освоено"};
    for (int row = 0; row < grades.size(); ++row) {
        QComboBox *editor = gradeEditor(row);
        QVERIFY2(editor, qPrintable(grades.at(row)));
        QCOMPARE(editor->currentText(), grades.at(row));
        QVERIFY(!editor->isEnabled());
    }
    QVERIFY(!child<QWidget>("widgetView")->isEnabled());
    QVERIFY(!child<QWidget>("groupBoxNewDiscp")->isEnabled());
    QVERIFY(!child<QPlainTextEdit>("plainTextEditAdd_1")->isEnabled());
    QVERIFY(child<QPushButton>("pushButtonSave_2")->isHidden());
    QVERIFY(!child<QPushButton>("pushButtonEditForm")->isHidden());
    QCOMPARE(shownRows(), QStringList({"Русский язык:5", "Музыка:Освоено"}));
    QCOMPARE(buttons(), QString());
}

void TestAdditionalEditDialog::addDiscipline_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("grade");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("surrounding and doubled blanks are simplified")
            << "  Русский   язык  " << -1 << QStringList{"Русский язык:Освоено"};
    QTest::newRow("untouched grade is Освоено") << "Музыка" << -1 << QStringList{"Музыка:Освоено"};
    QTest::newRow("chosen grade is stored") << "Математика" << 4 << QStringList{"Математика:5"};
    QTest::newRow("blank name adds nothing") << "   " << 2 << QStringList{};
}

void TestAdditionalEditDialog::addDiscipline()
{
    QFETCH(QString, typed);
    QFETCH(int, grade);
    QFETCH(QStringList, expected);

    open(m_doc);
    auto *name = child<QComboBox>("comboBoxDiscipline");
    auto *rate = child<QComboBox>("comboBoxRate");
    name->setEditText(typed);
    if (grade >= 0)
        rate->setCurrentIndex(grade);
    m_dialog->on_pushButtonAddDisp_clicked();
    if (!expected.isEmpty()) {
        QCOMPARE(name->currentText(), QString());
        QCOMPARE(rate->currentText(), QString("Освоено"));
        QCOMPARE(table()->currentIndex().row(), 0);
        QVERIFY(gradeEditor(0));
    }
    save();

    QCOMPARE(EditFixture::appendix(m_doc), expected);
    QCOMPARE(EditFixture::appendix(m_other), QStringList{"Чужая:3"});
}

void TestAdditionalEditDialog::deleteDiscipline_data()
{
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("OK deletes the selected row")
            << QDialogButtonBox::Ok << QStringList{"Первая:5", "Третья:3"};
    QTest::newRow("Cancel keeps every row")
            << QDialogButtonBox::Cancel << QStringList{"Первая:5", "Вторая:4", "Третья:3"};
}

void TestAdditionalEditDialog::deleteDiscipline()
{
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(QStringList, expected);

    EditFixture::insertDetail(m_doc, "Первая", "5");
    EditFixture::insertDetail(m_doc, "Вторая", "4");
    EditFixture::insertDetail(m_doc, "Третья", "3");
    open(m_doc);
    selectRow(1);
    m_modal->expectButton(
            "Внимание!", "Вы уверены, что хотите удалить выделенную дисциплину?", answer);
    m_dialog->on_pushButtonDelete_clicked();
    QCOMPARE(shownRows(), expected);
    if (answer == QDialogButtonBox::Ok)
        QCOMPARE(buttons(), QString());
    save();

    QCOMPARE(EditFixture::appendix(m_doc), expected);
}

void TestAdditionalEditDialog::deleteAll_data()
{
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer");
    QTest::addColumn<int>("left");

    QTest::newRow("OK empties this appendix only") << QDialogButtonBox::Ok << 0;
    QTest::newRow("Cancel keeps it") << QDialogButtonBox::Cancel << 3;
}

void TestAdditionalEditDialog::deleteAll()
{
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(int, left);

    for (int i = 0; i < 3; ++i)
        EditFixture::insertDetail(m_doc, QString("Предмет %1").arg(i), "4");
    open(m_doc);
    m_modal->expectButton(
            "Внимание!", "Вы уверены, что точно хотите удалить ВСЕ дисциплины?", answer);
    m_dialog->on_pushButtonDeleteAll_clicked();
    QCOMPARE(table()->model()->rowCount(), left);
    save();

    QCOMPARE(EditFixture::appendix(m_doc).size(), left);
    QCOMPARE(EditFixture::appendix(m_other), QStringList{"Чужая:3"});
}

void TestAdditionalEditDialog::move_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<QString>("buttonState");

    const QStringList start{"А:5", "Б:4", "В:Освоено"};
    QTest::newRow("middle row up")
            << 1 << "u" << QStringList{"Б:4", "А:5", "В:Освоено"} << 0 << "Dd";
    QTest::newRow("middle row down")
            << 1 << "d" << QStringList{"А:5", "В:Освоено", "Б:4"} << 2 << "DU";
    QTest::newRow("last row up twice")
            << 2 << "uu" << QStringList{"В:Освоено", "А:5", "Б:4"} << 0 << "Dd";
    QTest::newRow("first row up changes nothing") << 0 << "u" << start << 0 << "Dd";
    QTest::newRow("last row down changes nothing") << 2 << "d" << start << 2 << "DU";
    QTest::newRow("down then up restores the order") << 0 << "du" << start << 0 << "Dd";
}

void TestAdditionalEditDialog::move()
{
    QFETCH(int, row);
    QFETCH(QString, moves);
    QFETCH(QStringList, expected);
    QFETCH(int, currentRow);
    QFETCH(QString, buttonState);

    const int first = EditFixture::insertDetail(m_doc, "А", "5");
    EditFixture::insertDetail(m_doc, "Б", "4");
    EditFixture::insertDetail(m_doc, "В", "Освоено");
    open(m_doc);
    selectRow(row);
    for (const QChar move : moves) {
        if (move == 'u')
            m_dialog->on_pushButtonUp_clicked();
        else
            m_dialog->on_pushButtonDown_clicked();
    }
    QCOMPARE(table()->currentIndex().row(), currentRow);
    QCOMPARE(buttons(), buttonState);
    for (int r = 0; r < 3; ++r)
        QVERIFY(gradeEditor(r));
    save();

    QCOMPARE(EditFixture::appendix(m_doc), expected);
    // Names and grades move; the row ids, which give the print order, stay.
    QCOMPARE(EditFixture::scalar(
                     QString("SELECT MIN(psDetId) FROM PsDocumentDetails WHERE psId = %1")
                             .arg(m_doc))
                     .toInt(),
             first);
}

void TestAdditionalEditDialog::refusedSaveLeavesRegister_data()
{
    QTest::addColumn<QString>("trigger"); // %1 and %2: ids of the first and second row

    QTest::newRow("sections refused") << "BEFORE UPDATE ON PsDocuments";
    QTest::newRow("first discipline refused")
            << "BEFORE UPDATE ON PsDocumentDetails WHEN OLD.psDetId = %1";
    QTest::newRow("second discipline refused after the first was written")
            << "BEFORE UPDATE ON PsDocumentDetails WHEN OLD.psDetId = %2";
    QTest::newRow("added discipline refused after the others were written")
            << "BEFORE INSERT ON PsDocumentDetails";
}

void TestAdditionalEditDialog::refusedSaveLeavesRegister()
{
    QFETCH(QString, trigger);

    const int first = EditFixture::insertDetail(m_doc, "А", "5");
    const int second = EditFixture::insertDetail(m_doc, "Б", "4");
    open(m_doc);
    child<QPlainTextEdit>("plainTextEditAdd_1")->setPlainText("мои курсы");
    selectRow(1);
    m_dialog->on_pushButtonUp_clicked();
    child<QComboBox>("comboBoxDiscipline")->setEditText("Музыка");
    m_dialog->on_pushButtonAddDisp_clicked();
    const QStringList typed{"Б:4", "А:5", "Музыка:Освоено"};
    QCOMPARE(shownRows(), typed);

    QVERIFY(EditFixture::exec(QString("CREATE TRIGGER refuse %1 BEGIN SELECT RAISE(ABORT, "
                                      "'refused'); END")
                                      .arg(trigger.arg(first).arg(second))));
    m_modal->expectButton("Ошибка", "не сохранено", QDialogButtonBox::Ok);
    save();
    QCOMPARE(m_modal->pending(), 0);

    QCOMPARE(EditFixture::appendix(m_doc), QStringList({"А:5", "Б:4"}));
    QCOMPARE(
            EditFixture::scalar(QString("SELECT add1 FROM PsDocuments WHERE psId = %1").arg(m_doc)),
            QString("курсы"));
    QCOMPARE(EditFixture::scalar("PRAGMA integrity_check"), QString("ok"));
    // Nothing typed is lost, and the same Save stores it once the obstacle is gone.
    QVERIFY(!saved());
    QCOMPARE(shownRows(), typed);
    QCOMPARE(child<QPlainTextEdit>("plainTextEditAdd_1")->toPlainText(), QString("мои курсы"));
    QVERIFY(EditFixture::exec("DROP TRIGGER refuse"));
    save();
    QVERIFY(saved());
    QCOMPARE(EditFixture::appendix(m_doc), typed);
    QCOMPARE(
            EditFixture::scalar(QString("SELECT add1 FROM PsDocuments WHERE psId = %1").arg(m_doc)),
            QString("мои курсы"));
}

void TestAdditionalEditDialog::swapRowsOutOfRange_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<bool>("swapped");
    QTest::addColumn<QString>("firstColumn");

    QTest::newRow("both rows inside") << 0 << 1 << true << "b";
    QTest::newRow("row above the first") << 0 << -1 << false << "a";
    QTest::newRow("row below the last") << 1 << 2 << false << "a";
}

void TestAdditionalEditDialog::swapRowsOutOfRange()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(bool, swapped);
    QFETCH(QString, firstColumn);

    QStandardItemModel model(2, 2);
    model.setData(model.index(0, 0), "id0");
    model.setData(model.index(0, 1), "a");
    model.setData(model.index(1, 0), "id1");
    model.setData(model.index(1, 1), "b");
    QCOMPARE(swapRows(&model, a, b, 1), swapped);
    QCOMPARE(model.data(model.index(0, 1)).toString(), firstColumn);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QString("id0"));
}

void TestAdditionalEditDialog::gradeEditor_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");

    QTest::newRow("digit grade") << "4"
                                 << "4";
    QTest::newRow("mastered") << "Освоено"
                              << "Освоено";
    QTest::newRow("empty grade") << ""
                                 << "";
    QTest::newRow("word not among the items shows the empty item") << "Отлично"
                                                                   << "";
    QTest::newRow("other case is not the same item") << "освоено"
                                                     << "";
}

void TestAdditionalEditDialog::gradeEditor()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);

    EditFixture::insertDetail(m_doc, "Русский язык", stored);
    open(m_doc);
    QComboBox *editor = gradeEditor(0);
    QVERIFY(editor);
    QCOMPARE(editor->count(), 6);
    QCOMPARE(editor->currentText(), shown);
    // Showing the editor never rewrites what is stored.
    QCOMPARE(EditFixture::appendix(m_doc), QStringList{"Русский язык:" + stored});
}

void TestAdditionalEditDialog::gradeInput_data()
{
    QTest::addColumn<QString>("stored"); // the first discipline's grade
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("grade"); // stored after Save
    QTest::addColumn<bool>("scrolled");

    QTest::newRow("a grade chosen from the list") << "4"
                                                  << "choose"
                                                  << "3" << false;
    QTest::newRow("the wheel over a grade not clicked into scrolls the table") << "4"
                                                                               << "wheel"
                                                                               << "4" << true;
    QTest::newRow("the wheel after a click into the grade changes it") << "4"
                                                                       << "click, wheel"
                                                                       << "3" << false;
    QTest::newRow("a grade the list lacks stays after a click into it and away")
            << "Отлично"
            << "click, away"
            << "Отлично" << false;
    QTest::newRow("the wheel over a section list not clicked into keeps the section")
            << "4"
            << "wheel over section"
            << "4" << false;
}

void TestAdditionalEditDialog::gradeInput()
{
    QFETCH(QString, stored);
    QFETCH(QString, input);
    QFETCH(QString, grade);
    QFETCH(bool, scrolled);

    EditFixture::insertDetail(m_doc, "Русский язык", stored);
    for (int i = 0; i < 40; ++i)
        EditFixture::insertDetail(m_doc, QString("Предмет %1").arg(i), "5");
    EditFixture::Row other;
    other.sections = QStringList{"", "", "районная олимпиада", "", ""};
    EditFixture::insertRow(other);
    open(m_doc);
    m_dialog->setWindowModality(Qt::NonModal);
    m_dialog->show();
    QApplication::setActiveWindow(m_dialog);
    QVERIFY(QTest::qWaitForWindowActive(m_dialog));

    QWidget *target = input.endsWith("section") ? child<QComboBox>("comboBoxAdd_3")
                                                : static_cast<QWidget *>(gradeEditor(0));
    QVERIFY(target);
    if (input.startsWith("click")) {
        target->setFocus(Qt::MouseFocusReason);
        QVERIFY(target->hasFocus());
    }
    if (input == "choose")
        chooseGrade(0, "3");
    if (input.contains("wheel")) {
        // As the mouse sends it: spontaneous, so the application passes it on to the widgets
        // beneath when the one under the pointer ignores it (sendEvent would not).
        const QPoint at = target->rect().center();
        QWheelEvent wheel(at,
                          target->mapToGlobal(at),
                          QPoint(),
                          QPoint(0, -120),
                          Qt::NoButton,
                          Qt::NoModifier,
                          Qt::NoScrollPhase,
                          false);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        qApp->notify(target, &wheel);
    }
    if (input.endsWith("away"))
        child<QPlainTextEdit>("plainTextEditAdd_1")->setFocus(Qt::MouseFocusReason);
    QCOMPARE(table()->verticalScrollBar()->value() > 0, scrolled);
    save();

    QCOMPARE(EditFixture::appendix(m_doc).value(0), "Русский язык:" + grade);
    QCOMPARE(
            EditFixture::scalar(QString("SELECT add3 FROM PsDocuments WHERE psId = %1").arg(m_doc)),
            QString("олимпиады"));
}

void TestAdditionalEditDialog::saveStoresSections()
{
    open(m_doc);
    child<QPlainTextEdit>("plainTextEditAdd_1")->setPlainText("кружок\nшахматы");
    child<QComboBox>("comboBoxAdd_5")->setEditText("ответственный");
    m_dialog->on_pushButtonSave_2_clicked();

    QCOMPARE(EditFixture::scalar(QString("SELECT add1 || '|' || add2 || '|' || add5 FROM "
                                         "PsDocuments WHERE psId = %1")
                                         .arg(m_doc)),
             QString("кружок\nшахматы|программы|ответственный"));
    QVERIFY(child<QPushButton>("pushButtonSave_2")->isHidden());
    QVERIFY(!child<QWidget>("widgetView")->isEnabled());
}

void TestAdditionalEditDialog::closeAsksAboutUnsavedChanges_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("how");   // "Закрыть", "Escape" or the window's "close button"
    QTest::addColumn<QString>("typed"); // typed over the courses section, if anything
    QTest::addColumn<QString>("rows");  // changes to the disciplines А:5 and Б:4
    QTest::addColumn<bool>("elsewhere"); // the sections are saved elsewhere meanwhile
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer"); // to "Сохранить изменения?"
    QTest::addColumn<QDialogButtonBox::StandardButton>("then"); // to the save's own question
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("appendix"); // as stored
    QTest::addColumn<bool>("stays");

    using B = QDialogButtonBox;
    const QStringList start{"А:5", "Б:4"};
    QTest::newRow("view state: closed without a question")
            << false << "Закрыть"
            << ""
            << "" << false << B::NoButton << B::NoButton << "курсы" << start << false;
    QTest::newRow("nothing typed: closed without a question")
            << true << "Escape"
            << ""
            << "" << false << B::NoButton << B::NoButton << "курсы" << start << false;
    QTest::newRow("Закрыть, Save stores the sections and closes")
            << true << "Закрыть"
            << "мои курсы"
            << "" << false << B::Save << B::NoButton << "мои курсы" << start << false;
    QTest::newRow("Escape, Discard closes without storing")
            << true << "Escape"
            << "мои курсы"
            << "" << false << B::Discard << B::NoButton << "курсы" << start << false;
    QTest::newRow("close button, Cancel keeps the window and the typing")
            << true << "close button"
            << "мои курсы"
            << "" << false << B::Cancel << B::NoButton << "курсы" << start << true;
    QTest::newRow("saved elsewhere: Save asks again, Cancel keeps the window")
            << true << "Закрыть"
            << "мои курсы"
            << "" << true << B::Save << B::Cancel << "чужие курсы" << start << true;
    QTest::newRow("saved elsewhere: Save asks again, overwrite stores and closes")
            << true << "close button"
            << "мои курсы"
            << "" << true << B::Save << B::Save << "мои курсы" << start << false;
    QTest::newRow("a grade changed: asked, Discard leaves the appendix as it was")
            << true << "Закрыть"
            << ""
            << "grade" << false << B::Discard << B::NoButton << "курсы" << start << false;
    QTest::newRow("a discipline added: Save stores it with the sections")
            << true << "Escape"
            << "мои курсы"
            << "add" << false << B::Save << B::NoButton << "мои курсы"
            << QStringList{"А:5", "Б:4", "Технология:Освоено"} << false;
    QTest::newRow("disciplines moved and deleted: asked, Discard leaves them")
            << true << "close button"
            << ""
            << "move, delete" << false << B::Discard << B::NoButton << "курсы" << start << false;
}

void TestAdditionalEditDialog::closeAsksAboutUnsavedChanges()
{
    QFETCH(bool, editing);
    QFETCH(QString, how);
    QFETCH(QString, typed);
    QFETCH(QString, rows);
    QFETCH(bool, elsewhere);
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(QDialogButtonBox::StandardButton, then);
    QFETCH(QString, stored);
    QFETCH(QStringList, appendix);
    QFETCH(bool, stays);

    EditFixture::insertDetail(m_doc, "А", "5");
    EditFixture::insertDetail(m_doc, "Б", "4");
    open(m_doc, editing);
    // Shown for the window's close button to count; not modal, so the answerer sees
    // only the questions.
    m_dialog->setWindowModality(Qt::NonModal);
    m_dialog->show();
    auto *courses = child<QPlainTextEdit>("plainTextEditAdd_1");
    if (rows.contains("grade"))
        chooseGrade(0, "3");
    if (rows.contains("add")) {
        child<QComboBox>("comboBoxDiscipline")->setEditText("Технология");
        m_dialog->on_pushButtonAddDisp_clicked();
    }
    if (rows.contains("move")) {
        selectRow(0);
        m_dialog->on_pushButtonDown_clicked();
    }
    if (rows.contains("delete")) {
        selectRow(0);
        m_modal->expectButton("Внимание!",
                              "Вы уверены, что хотите удалить выделенную дисциплину?",
                              QDialogButtonBox::Ok);
        m_dialog->on_pushButtonDelete_clicked();
    }
    if (!typed.isEmpty()) {
        courses->selectAll();
        typeText(courses, typed);
    }
    if (elsewhere)
        QVERIFY(EditFixture::execElsewhere(
                QString("UPDATE PsDocuments SET add1 = 'чужие курсы' WHERE psId = %1").arg(m_doc)));
    if (answer != QDialogButtonBox::NoButton)
        m_modal->expectButton("Внимание!", "Сохранить изменения?", answer);
    if (elsewhere)
        m_modal->expectButton("Внимание!", "Приложение к документу изменено в другом месте", then);

    EditFixture::closeAs(how, m_dialog, child<QPushButton>("pushButtonCancel_2"), courses);
    QCOMPARE(m_modal->pending(), 0);

    QCOMPARE(!m_dialog.isNull(), stays);
    if (stays)
        QCOMPARE(courses->toPlainText(), typed);
    QCOMPARE(
            EditFixture::scalar(QString("SELECT add1 FROM PsDocuments WHERE psId = %1").arg(m_doc)),
            stored);
    QCOMPARE(EditFixture::appendix(m_doc), appendix);
}

void TestAdditionalEditDialog::sectionsOfferEarlierValues()
{
    EditFixture::Row row;
    row.sections = QStringList{"", "", "редкое", "", ""};
    EditFixture::insertRow(row);
    row.sections = QStringList{"", "", " частое ", "", ""};
    for (int i = 0; i < 3; ++i)
        EditFixture::insertRow(row);
    open(m_doc, false);

    auto *combo = child<QComboBox>("comboBoxAdd_3");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items, QStringList({"частое", "олимпиады", "редкое"}));
    QCOMPARE(combo->currentText(), QString("олимпиады"));
    QVERIFY(combo->isEditable());
}

void TestAdditionalEditDialog::changedElsewhere_data()
{
    QTest::addColumn<QString>("other");  // what another program stores meanwhile
    QTest::addColumn<QString>("action"); // what the user changes here before Save
    QTest::addColumn<QDialogButtonBox::StandardButton>("answer"); // to the question, if asked
    QTest::addColumn<QStringList>("appendix");                    // as stored
    QTest::addColumn<QString>("courses");                         // add1 as stored
    QTest::addColumn<QStringList>("shown");                       // the rows in the window

    const QStringList start{"Русский язык:5", "Математика:4"};
    const QStringList theirGrade{"Русский язык:3", "Математика:4"};
    const QStringList added{"Русский язык:5", "Математика:4", "Музыка:Освоено"};
    const QStringList theirs{"Русский язык:5", "Математика:4", "Чтение:Освоено"};
    const QStringList myGrade{"Русский язык:3", "Математика:4"};
    const QStringList moved{"Математика:4", "Русский язык:5"};
    using B = QDialogButtonBox;
    QTest::newRow("sections never stored are saved without a question")
            << "null sections"
            << "courses" << B::NoButton << start << "мои курсы" << start;
    QTest::newRow("sections saved elsewhere, reload shows theirs")
            << "sections"
            << "courses" << B::Discard << start << "чужие курсы" << start;
    QTest::newRow("sections saved elsewhere, overwrite stores mine")
            << "sections"
            << "courses" << B::Save << start << "мои курсы" << start;
    QTest::newRow("grade changed elsewhere, reload drops the new discipline")
            << "grade"
            << "add" << B::Discard << theirGrade << "курсы" << theirGrade;
    QTest::newRow("grade changed elsewhere, overwrite stores my appendix whole")
            << "grade"
            << "add" << B::Save << added << "курсы" << added;
    QTest::newRow("discipline added elsewhere, cancel keeps theirs stored and mine shown")
            << "added"
            << "grade" << B::Cancel << theirs << "курсы" << myGrade;
    QTest::newRow("discipline added elsewhere, overwrite stores mine")
            << "added"
            << "grade" << B::Save << myGrade << "курсы" << myGrade;
    QTest::newRow("discipline deleted elsewhere, overwrite stores my order")
            << "deleted"
            << "move" << B::Save << moved << "курсы" << moved;
}

void TestAdditionalEditDialog::changedElsewhere()
{
    QFETCH(QString, other);
    QFETCH(QString, action);
    QFETCH(QDialogButtonBox::StandardButton, answer);
    QFETCH(QStringList, appendix);
    QFETCH(QString, courses);
    QFETCH(QStringList, shown);

    int doc = m_doc;
    if (other == "null sections") {
        EditFixture::Row row;
        row.fio1 = "Без разделов"; // no sections: NULL in every column
        doc = EditFixture::insertRow(row);
    }
    const int first = EditFixture::insertDetail(doc, "Русский язык", "5");
    const int second = EditFixture::insertDetail(doc, "Математика", "4");
    open(doc);

    const QMap<QString, QString> statements{
            {"sections",
             QString("UPDATE PsDocuments SET add1 = 'чужие курсы' WHERE psId = %1").arg(doc)},
            {"grade",
             QString("UPDATE PsDocumentDetails SET disciplineRate = '3' WHERE psDetId = %1")
                     .arg(first)},
            {"added",
             QString("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                     "VALUES (%1, 'Чтение', 'Освоено')")
                     .arg(doc)},
            {"deleted", QString("DELETE FROM PsDocumentDetails WHERE psDetId = %1").arg(second)}};
    if (statements.contains(other))
        QVERIFY(EditFixture::execElsewhere(statements.value(other)));

    if (action == "courses") {
        child<QPlainTextEdit>("plainTextEditAdd_1")->setPlainText("мои курсы");
    } else if (action == "add") {
        child<QComboBox>("comboBoxDiscipline")->setEditText("Музыка");
        m_dialog->on_pushButtonAddDisp_clicked();
    } else if (action == "move") {
        selectRow(0);
        m_dialog->on_pushButtonDown_clicked();
    } else {
        chooseGrade(0, "3");
    }
    if (answer != QDialogButtonBox::NoButton)
        m_modal->expectButton(
                "Внимание!", "Приложение к документу изменено в другом месте", answer);
    save();
    QCOMPARE(m_modal->pending(), 0);

    QCOMPARE(EditFixture::appendix(doc), appendix);
    QCOMPARE(EditFixture::scalar(QString("SELECT add1 FROM PsDocuments WHERE psId = %1").arg(doc)),
             courses);
    QCOMPARE(saved(), answer != QDialogButtonBox::Cancel);
    QCOMPARE(shownRows(), shown);
    QCOMPARE(child<QPlainTextEdit>("plainTextEditAdd_1")->toPlainText(),
             answer == QDialogButtonBox::Cancel ? "курсы" : courses);
    QCOMPARE(EditFixture::scalar("PRAGMA integrity_check"), QString("ok"));
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocumentDetails"), appendix.size() + 1);
}

void TestAdditionalEditDialog::documentDeletedElsewhere()
{
    EditFixture::insertDetail(m_doc, "Русский язык", "5");
    open(m_doc)->show();
    chooseGrade(0, "3");
    QVERIFY(EditFixture::execElsewhere(
            QString("DELETE FROM PsDocuments WHERE psId = %1").arg(m_doc)));

    m_modal->expectButton("Ошибка", "Документ удалён из реестра", QDialogButtonBox::Ok);
    save();
    QCOMPARE(m_modal->pending(), 0);
    // Told once and closed: no question about unsaved changes, nothing written anywhere.
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocuments"), 1);
    QCOMPARE(EditFixture::count("SELECT * FROM PsDocumentDetails WHERE disciplineRate = '3'"), 1);
}

ZR_TEST_MAIN(TestAdditionalEditDialog)
#include "tst_additionaleditdialog.moc"
