#include "banneritem.h"

#include <QLabel>

BannerItem::~BannerItem()
{
    delete label;
}
