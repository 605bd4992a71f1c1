#include "modules/banner/banner.h"
#include "modules/banner/banneritem.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

namespace {
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_banner";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    // Every rejected entry is logged; the log would cost more than the parse.
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QList<BannerItem *> items;
    quint16 maxHeight = 100;
    quint8 visibleCount = 2;
    Banner::readList(QByteArray(reinterpret_cast<const char *>(data), int(size)), items, maxHeight,
                     visibleCount);
    // Every accepted picture and link is a web address; a height of 0 would hide the strip.
    for (const BannerItem *item : qAsConst(items)) {
        if (!item->imgUrl.startsWith(QLatin1String("http"), Qt::CaseInsensitive)
            || !item->linkUrl.startsWith(QLatin1String("http"), Qt::CaseInsensitive))
            __builtin_trap();
    }
    if (maxHeight == 0)
        __builtin_trap();
    qDeleteAll(items);
    return 0;
}
