#pragma once

#include "app/noticestrip.h"

// Shown while changes of the print journal wait to be written; "Повторить" writes them now.
class JournalNotice : public NoticeStrip
{
    Q_OBJECT
public:
    explicit JournalNotice(QWidget *parent = nullptr);

private:
    void refresh();
};
