#pragma once

#include "noticestrip.h"

// Shown while the register's server is out of reach; the connection is tried again every
// few seconds and by "Повторить", and the strip goes once the server answers.
class ServerNotice : public NoticeStrip
{
    Q_OBJECT
public:
    explicit ServerNotice(QWidget *parent = nullptr);
};
