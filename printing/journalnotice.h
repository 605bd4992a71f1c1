#pragma once

#include <QFrame>

class QLabel;

// A strip of the main window, shown while changes of the print journal wait to be
// written, with a button to write them now.
class JournalNotice : public QFrame
{
    Q_OBJECT
public:
    explicit JournalNotice(QWidget *parent = nullptr);

private:
    void refresh();

    QLabel *m_text;
};
