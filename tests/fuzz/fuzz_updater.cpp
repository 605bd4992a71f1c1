#include "modules/updater/updater.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

namespace {
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_updater";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    // Every rejected file is logged; the log would cost more than the parse.
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Updater::Answer answer =
            Updater::readVersionFile(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    // An offered link always goes to a web page.
    if (answer.ready && !answer.text.startsWith(QLatin1String("http"), Qt::CaseInsensitive))
        __builtin_trap();
    return 0;
}
