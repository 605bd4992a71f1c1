#pragma once

#include <QFrame>

class QLabel;

// A strip across the main window that tells of something waiting (journal records not
// yet written, a server out of reach), with "Повторить"; hidden while there is nothing
// to tell.
class NoticeStrip : public QFrame
{
    Q_OBJECT
public:
    explicit NoticeStrip(QWidget *parent = nullptr);
    // An empty text hides the strip.
    void setNotice(const QString &text);
    QString notice() const;

signals:
    void retryClicked();

private:
    QLabel *m_text;
};
