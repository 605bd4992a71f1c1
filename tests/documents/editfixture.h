#pragma once

#include "database/database.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDebug>
#include <QDialog>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QtTest>
#include <memory>

// A fresh register in a throw-away data folder for every test function, and
// small helpers to put rows into it and read them back.
class EditFixture
{
public:
    void start()
    {
        Database::destroy();
        m_data = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
        QSettings(Database::userPath() + "//settings.ini", QSettings::IniFormat).clear();
        Database::create();
    }

    void stop()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Database::destroy();
        m_data.reset();
    }

    struct Row
    {
        QVariant fio1;
        QString fio2;
        QString fio3;
        QString birthDate;
        QString number;
        QString regNumber;
        QString issueDate;
        QString editDate;
        QString decision;
        QStringList sections; // add1 to add5
        int isTemplate = 0;
    };

    static int insertRow(const Row &row)
    {
        QSqlQuery query;
        query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, birthDate, number, "
                      "regNumber, issueDate, editDate, decision, add1, add2, add3, add4, add5) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        query.addBindValue(row.isTemplate);
        query.addBindValue(row.fio1);
        query.addBindValue(row.fio2);
        query.addBindValue(row.fio3);
        query.addBindValue(row.birthDate);
        query.addBindValue(row.number);
        query.addBindValue(row.regNumber);
        query.addBindValue(row.issueDate);
        query.addBindValue(row.editDate);
        query.addBindValue(row.decision);
        for (int i = 0; i < 5; ++i)
            query.addBindValue(row.sections.value(i));
        if (!query.exec())
            qWarning() << query.lastError().text();
        return query.lastInsertId().toInt();
    }

    static int insertDetail(int psId, const QString &name, const QString &rate)
    {
        QSqlQuery query;
        query.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                      "VALUES (?, ?, ?)");
        query.addBindValue(psId);
        query.addBindValue(name);
        query.addBindValue(rate);
        if (!query.exec())
            qWarning() << query.lastError().text();
        return query.lastInsertId().toInt();
    }

    static QString scalar(const QString &sql)
    {
        QSqlQuery query(sql);
        return query.next() ? query.value(0).toString() : QStringLiteral("<no row>");
    }

    static int count(const QString &sql)
    {
        return scalar("SELECT COUNT(*) FROM (" + sql + ")").toInt();
    }

    static bool exec(const QString &sql)
    {
        QSqlQuery query;
        if (query.exec(sql))
            return true;
        qWarning() << query.lastError().text() << sql;
        return false;
    }

    // Closes a dialog as the user would: with its "Закрыть" button, "Escape" pressed while
    // typing, or the window's "close button". Deferred deletes are done after it.
    static void
    closeAs(const QString &how, QDialog *dialog, QAbstractButton *button, QWidget *typing)
    {
        if (how == "Закрыть")
            button->click();
        else if (how == "Escape")
            QTest::keyClick(typing, Qt::Key_Escape);
        else
            dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Another program writes the register through a connection of its own.
    static bool execElsewhere(const QString &sql)
    {
        bool done = false;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "elsewhere");
            other.setDatabaseName(Database::databasePath());
            QSqlQuery query(other);
            done = other.open() && query.exec(sql);
            if (!done)
                qWarning() << query.lastError().text() << sql;
        }
        QSqlDatabase::removeDatabase("elsewhere");
        return done;
    }

    // "name:grade" of a document's appendix in print order.
    static QStringList appendix(int psId)
    {
        QSqlQuery query(QString("SELECT disciplineName, disciplineRateDigit FROM "
                                "viewPsDocumentDetails WHERE psId = %1 ORDER BY rowNumber")
                                .arg(psId));
        QStringList rows;
        while (query.next())
            rows << query.value(0).toString() + ":" + query.value(1).toString();
        return rows;
    }

private:
    std::unique_ptr<QTemporaryDir> m_data;
};
