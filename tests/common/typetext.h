#pragma once

#include <QString>
#include <QtTest>

// keyClicks() only knows Latin letters; Cyrillic goes in as key events with text.
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}
