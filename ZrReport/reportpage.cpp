#include "reportpage.h"

#include "abstractfield.h"
#include "filereplacement.h"
#include "reportlog.h"
#include "tablefield.h"
#include "textfield.h"

#include <QAbstractItemModel>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMessageBox>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <thread>

namespace {
const QLatin1String backgroundKeys[2]
        = {QLatin1String("backgroundImage"), QLatin1String("backgroundImage2")};

bool tooManyPixels(const QSize &size)
{
    return size.isValid() && qint64(size.width()) * size.height() > ReportPage::maxBackgroundPixels;
}

QImage readLimitedImage(QImageReader &reader)
{
    const QSize size = reader.size();
    if (tooManyPixels(size))
        return QImage();
    if (!size.isValid() && reader.supportsOption(QImageIOHandler::Size))
        return QImage();
    return reader.read();
}

// Standard Base64 straight from the JSON text. Qt's decoder is lenient and slow; this
// one handles well-formed text only and leaves anything unusual to it.
QByteArray decodeBase64(const QString &text)
{
    static const QVector<qint8> table = [] {
        QVector<qint8> t(128, -1);
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            t[alphabet[i]] = qint8(i);
        return t;
    }();
    int size = text.size();
    const QChar *data = text.constData();
    while (size > 0 && data[size - 1] == QLatin1Char('='))
        --size;
    QByteArray result;
    result.resize(size / 4 * 3 + 3);
    char *out = result.data();
    quint32 bits = 0;
    int count = 0;
    for (int i = 0; i < size; ++i) {
        const ushort c = data[i].unicode();
        const int value = c < 128 ? table[c] : -1;
        if (value < 0)
            return QByteArray::fromBase64(text.toLatin1());
        bits = (bits << 6) | quint32(value);
        if (++count == 4) {
            *out++ = char(bits >> 16);
            *out++ = char(bits >> 8);
            *out++ = char(bits);
            bits = 0;
            count = 0;
        }
    }
    if (count == 3) {
        *out++ = char(bits >> 10);
        *out++ = char(bits >> 2);
    } else if (count == 2) {
        *out++ = char(bits >> 4);
    }
    result.truncate(int(out - result.constData()));
    return result;
}

QImage decodePng(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    return readLimitedImage(reader);
}

// What the PNG header of a background says, without decoding its pixels.
QSize announcedSize(const QJsonValue &value)
{
    QByteArray bytes = decodeBase64(value.toString());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer, "png").size();
}

bool validPageSize(int code)
{
    return code >= 0 && code <= QPageSize::LastPageSize && code != QPageSize::Custom;
}
} // namespace

ReportPage::ReportPage(QObject *parent)
    : QObject(parent)
    , defaultFont(QStringLiteral("Times New Roman"), 14)
    , mPrinter(std::make_unique<QPrinter>(QPrinter::ScreenResolution))
{
    applyPrinterSettings();
}

ReportPage::~ReportPage()
{
    qDeleteAll(fields);
    fields.clear();
}

void ReportPage::applyPrinterSettings()
{
    mPrinter->setPageSize(QPageSize(QPageSize::PageSizeId(mPageSize)));
    mPrinter->setPageOrientation(QPageLayout::Orientation(mOrientation));
    mPrinter->setFullPage(true);
}

void ReportPage::setOrientation(QPrinter::Orientation orientation)
{
    if (orientation != QPrinter::Portrait && orientation != QPrinter::Landscape)
        return;
    mOrientation = orientation;
    mPrinter->setPageOrientation(QPageLayout::Orientation(mOrientation));
}

void ReportPage::setPagesCount(int count)
{
    mPagesCount = qBound(0, count, maxPages);
}

QPagedPaintDevice::PageSize ReportPage::pageSize() const
{
    return QPagedPaintDevice::PageSize(mPageSize);
}

void ReportPage::setPageSize(QPagedPaintDevice::PageSize size)
{
    if (!validPageSize(size))
        return;
    mPageSize = size;
    mPrinter->setPageSize(QPageSize(QPageSize::PageSizeId(mPageSize)));
}

QSizeF ReportPage::paperSizeMM() const
{
    QSizeF size = QPageSize(QPageSize::PageSizeId(mPageSize)).size(QPageSize::Millimeter);
    if (mOrientation == QPrinter::Landscape)
        size.transpose();
    return size;
}

QString ReportPage::normalizedKey(const QString &name)
{
    return name.trimmed().toLower();
}

void ReportPage::setReportVariable(const QString &name, const QVariant &value)
{
    variables.insert(normalizedKey(name), value);
    emit dataUpdated();
}

QString ReportPage::replaceFromVariables(const QString &text, bool escapeHtml)
{
    static const QString open = QStringLiteral("$V{");
    // Only the template's own text is read for expressions. A value goes in as it is
    // and the scan goes on after it: a surname "$V{Number}" prints as written, and a
    // "}" in a first name does not end the expression that follows.
    QString result;
    int from = 0;
    for (;;) {
        const int start = text.indexOf(open, from);
        const int close = start < 0 ? -1 : text.indexOf(QLatin1Char('}'), start + open.size());
        if (close < 0) {
            result += text.midRef(from);
            // An expression left open keeps the text as written.
            return start < 0 ? result.replace(QLatin1String("\\n"), QLatin1String("\n")) : result;
        }
        result += text.midRef(from, start - from);
        const QString name
                = normalizedKey(text.mid(start + open.size(), close - start - open.size()));
        auto it = variables.find(name);
        if (it == variables.end())
            it = variables.insert(name, QVariant(QString()));
        const QString value = it.value().toString();
        result += escapeHtml ? value.toHtmlEscaped() : value;
        from = close + 1;
    }
}

bool ReportPage::addModel(const QString &name, QAbstractItemModel *model, bool ownership)
{
    models.insert(normalizedKey(name), model);
    if (ownership && model)
        model->setParent(this);
    for (AbstractField *field : qAsConst(fields)) {
        if (field->type() == 2)
            static_cast<TableField *>(field)->bindModel();
    }
    emit dataUpdated();
    return true;
}

QAbstractItemModel *ReportPage::getModel(const QString &name) const
{
    return models.value(normalizedKey(name)).data();
}

void ReportPage::clearDataManager()
{
    variables.clear();
    models.clear();
    emit dataUpdated();
}

bool ReportPage::loadBackground(const QString &fileName, QPixmap *target)
{
    QImageReader reader(fileName);
    const QImage image = readLimitedImage(reader);
    if (image.isNull())
        return false;
    const QSize sheet = mPrinter->paperRect(QPrinter::DevicePixel).size().toSize();
    *target = QPixmap::fromImage(
            image.scaled(sheet, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    return true;
}

bool ReportPage::setBackgroundImage(const QString &fileName)
{
    return loadBackground(fileName, &backgroundImage);
}

bool ReportPage::setBackgroundImage2(const QString &fileName)
{
    return loadBackground(fileName, &backgroundImage2);
}

QPixmap ReportPage::pixmapFromJsonVal(const QJsonValue &value)
{
    if (!value.isString())
        return QPixmap();
    QImage image = decodePng(decodeBase64(value.toString()));
    if (image.isNull())
        return QPixmap();
    return QPixmap::fromImage(std::move(image));
}

QJsonValue ReportPage::jsonValFromPixmap(const QPixmap &pixmap)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixmap.save(&buffer, "PNG");
    return QString::fromLatin1(bytes.toBase64());
}

void ReportPage::readJson(const QJsonObject &json)
{
    const QJsonValue orientationValue = json.value(QStringLiteral("orientation"));
    if (orientationValue.isDouble()) {
        const double o = orientationValue.toDouble();
        if (o == QPrinter::Portrait || o == QPrinter::Landscape)
            mOrientation = int(o);
    }
    printBackgroundImage
            = json.value(QStringLiteral("printBackgroundImage")).toBool(printBackgroundImage);
    const QString fontText = json.value(QStringLiteral("defaultFont")).toString();
    if (!fontText.isEmpty()) {
        QFont parsed;
        if (parsed.fromString(fontText))
            defaultFont = parsed;
    }
    const QJsonValue pages = json.value(QStringLiteral("pagesCount"));
    if (pages.isDouble() && std::isfinite(pages.toDouble()))
        mPagesCount = int(qBound(0.0, pages.toDouble(), double(maxPages)));
    const QJsonValue size = json.value(QStringLiteral("pageSize"));
    if (size.isDouble() && std::isfinite(size.toDouble())) {
        const double code = size.toDouble();
        if (code >= 0 && code <= QPageSize::LastPageSize && validPageSize(int(code)))
            mPageSize = int(code);
    }
    applyPrinterSettings();

    // Decoding the two scans is most of a load; side 2 is decoded on a helper thread
    // meanwhile. Pixmaps are made here, on the GUI thread, from the decoded images.
    const QJsonValue imageValues[2]
            = {json.value(backgroundKeys[0]), json.value(backgroundKeys[1])};
    QImage decoded[2];
    std::thread helper;
    if (imageValues[0].isString() && imageValues[1].isString()) {
        const QString text = imageValues[1].toString();
        helper = std::thread([&decoded, text] { decoded[1] = decodePng(decodeBase64(text)); });
    } else if (imageValues[1].isString()) {
        decoded[1] = decodePng(decodeBase64(imageValues[1].toString()));
    }
    if (imageValues[0].isString())
        decoded[0] = decodePng(decodeBase64(imageValues[0].toString()));
    if (helper.joinable())
        helper.join();
    QPixmap *images[2] = {&backgroundImage, &backgroundImage2};
    for (int side = 0; side < 2; ++side) {
        if (imageValues[side].isUndefined())
            continue;
        *images[side]
                = decoded[side].isNull() ? QPixmap() : QPixmap::fromImage(std::move(decoded[side]));
        m_encoded[side] = {images[side]->cacheKey(), imageValues[side]};
    }

    qDeleteAll(fields);
    fields.clear();
    const QJsonArray texts = json.value(QStringLiteral("textFields")).toArray();
    for (const QJsonValue &value : texts) {
        auto field = new TextField;
        field->readJson(value.toObject());
        field->page = this;
        fields.append(field);
    }
    const QJsonArray tables = json.value(QStringLiteral("tableFields")).toArray();
    for (const QJsonValue &value : tables) {
        auto field = new TableField;
        field->readJson(value.toObject());
        field->page = this;
        // Models registered before the load feed the new tables too.
        field->bindModel();
        fields.append(field);
    }
}

void ReportPage::writeJson(QJsonObject &json) const
{
    json.insert(QStringLiteral("orientation"), mOrientation);
    json.insert(QStringLiteral("printBackgroundImage"), printBackgroundImage);
    json.insert(QStringLiteral("defaultFont"), defaultFont.toString());
    json.insert(QStringLiteral("pagesCount"), mPagesCount);
    json.insert(QStringLiteral("pageSize"), mPageSize);
    QJsonArray texts;
    QJsonArray tables;
    for (const AbstractField *field : fields) {
        QJsonObject object;
        field->writeJson(object);
        if (field->type() == 1)
            texts.append(object);
        else if (field->type() == 2)
            tables.append(object);
    }
    json.insert(QStringLiteral("textFields"), texts);
    json.insert(QStringLiteral("tableFields"), tables);

    const QPixmap *images[2] = {&backgroundImage, &backgroundImage2};
    for (int side = 0; side < 2; ++side) {
        if (images[side]->isNull())
            continue;
        if (images[side]->cacheKey() == m_encoded[side].cacheKey)
            json.insert(backgroundKeys[side], m_encoded[side].text);
        else
            json.insert(backgroundKeys[side], jsonValFromPixmap(*images[side]));
    }
}

QString ReportPage::limitsExceeded(const QJsonObject &json)
{
    const QJsonValue pages = json.value(QStringLiteral("pagesCount"));
    if (pages.isDouble() && !(pages.toDouble() <= maxPages))
        return QStringLiteral("в шаблоне %1 страниц, допустимо не больше %2")
                .arg(pages.toDouble(), 0, 'f', 0)
                .arg(maxPages);
    for (int side = 0; side < 2; ++side) {
        const QJsonValue image = json.value(backgroundKeys[side]);
        if (!image.isString())
            continue;
        const QSize size = announcedSize(image);
        if (tooManyPixels(size))
            return QStringLiteral("фон стороны %1 шаблона — картинка %2 × %3 точек, допустимо "
                                  "не больше %4 млн точек")
                    .arg(side + 1)
                    .arg(size.width())
                    .arg(size.height())
                    .arg(maxBackgroundPixels / 1000000);
    }
    const QJsonArray texts = json.value(QStringLiteral("textFields")).toArray();
    const QJsonArray tables = json.value(QStringLiteral("tableFields")).toArray();
    const int fieldCount = texts.size() + tables.size();
    if (fieldCount > maxFields)
        return QStringLiteral("в шаблоне %1 полей, допустимо не больше %2")
                .arg(fieldCount)
                .arg(maxFields);
    int index = 0;
    for (const QJsonArray &fieldsOfKind : {texts, tables}) {
        for (const QJsonValue &field : fieldsOfKind) {
            ++index;
            qint64 characters = 0;
            const QJsonObject object = field.toObject();
            for (const QJsonValue &value : object) {
                characters += value.toString().size();
                for (const QJsonValue &item : value.toArray())
                    characters += item.toString().size();
            }
            if (characters > maxFieldText)
                return QStringLiteral("в поле %1 шаблона %2 знаков текста, допустимо не больше %3")
                        .arg(index)
                        .arg(characters)
                        .arg(maxFieldText);
        }
    }
    return QString();
}

bool ReportPage::loadFromFile(const QString &fileName)
{
    m_loadError.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ZR_REPORT_WARNING(QStringLiteral("Couldn't open save file."));
        m_loadError = file.errorString();
        return false;
    }
    if (file.size() > maxFileBytes) {
        m_loadError = QStringLiteral("файл шаблона занимает %1 МБ, допустимо не больше %2 МБ")
                              .arg(file.size() / (1024 * 1024))
                              .arg(maxFileBytes / (1024 * 1024));
    } else {
        // Taken for an empty page, a damaged file would print empty sheets and be saved
        // over by the designer.
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
        if (parseError.error != QJsonParseError::NoError)
            m_loadError = QStringLiteral("неверный формат файла (ошибка в позиции %1)")
                                  .arg(parseError.offset + 1);
        else if (!document.isObject())
            m_loadError = QStringLiteral("неверный формат файла");
        else
            m_loadError = limitsExceeded(document.object());
        if (m_loadError.isEmpty()) {
            readJson(document.object());
            return true;
        }
    }
    ZR_REPORT_WARNING(QStringLiteral("template %1 refused: %2").arg(fileName, m_loadError));
    return false;
}

bool ReportPage::saveToFile(const QString &fileName)
{
    // Written beside the old file and renamed over it: a failed write keeps the old one.
    FileReplacement file(fileName);
    if (!file.open())
        return false;
    const QByteArray bytes = toTemplateBytes();
    file.setExpectedSize(bytes.size());
    file.device()->write(bytes);
    return file.commit();
}

QByteArray ReportPage::toTemplateBytes() const
{
    QJsonObject json;
    writeJson(json);
    return QJsonDocument(json).toJson(QJsonDocument::Indented);
}

double ReportPage::scaleFromMM() const
{
    return mPrinter->logicalDpiX() / 25.399931;
}

void ReportPage::setupPrinter(QPrinter *printer) const
{
    if (!printer)
        return;
    printer->setPageSize(QPageSize(QPageSize::PageSizeId(mPageSize)));
    printer->setPageOrientation(QPageLayout::Orientation(mOrientation));
    printer->setFullPage(true);
    printer->setPageMargins(QMarginsF(margins[0], margins[1], margins[2], margins[3]),
                            QPageLayout::Millimeter);
}

void ReportPage::renderOn(QPainter *painter,
                          int w,
                          int h,
                          double scale,
                          int pageIndex,
                          bool withBackground,
                          const PrintCorrection &correction)
{
    // Without a correction the painter is not touched at all: the output stays the same.
    if (!correction.isNone())
        painter->setTransform(
                correction.transform(scale, w, QPageLayout::Orientation(mOrientation)), true);
    const QRect sheet(0, 0, w, h);
    if (pageIndex == 0 && withBackground && !backgroundImage.isNull())
        painter->drawPixmap(sheet, backgroundImage, backgroundImage.rect());
    if (pageIndex >= mPagesCount)
        return;
    const double offset = double(pageIndex) * h;
    if (pageIndex == 1 && withBackground && !backgroundImage2.isNull())
        painter->drawPixmap(sheet, backgroundImage2, backgroundImage2.rect());
    for (AbstractField *field : qAsConst(fields))
        field->draw(painter, scale, offset);
}

bool ReportPage::renderPage(QPainter *painter,
                            int pageIndex,
                            bool withBackground,
                            const PrintCorrection &correction)
{
    if (!painter || !painter->isActive() || !painter->device() || pageIndex < 0
        || pageIndex >= mPagesCount)
        return false;
    QPaintDevice *device = painter->device();
    const int w = device->width();
    const int h = device->height();
    painter->save();
    painter->setWindow(0, 0, w, h);
    painter->setViewport(0, 0, w, h);
    renderOn(painter,
             w,
             h,
             device->logicalDpiX() / 25.399931,
             pageIndex,
             withBackground,
             correction);
    painter->restore();
    return true;
}

bool ReportPage::tablesOverflow()
{
    bool result = false;
    for (AbstractField *field : qAsConst(fields)) {
        field->prepare();
        if (field->type() == 2 && static_cast<TableField *>(field)->overflow)
            result = true;
    }
    return result;
}

void ReportPage::previewReport(bool replaceExpressions, int printBackground)
{
    printCancelled = false;
    m_outputFailed = false;
    currentPage = 0;
    mReplaceExpressions = replaceExpressions;
    if (printBackground > 0)
        printBackgroundImage = true;
    else if (printBackground < 0)
        printBackgroundImage = false;
    // Laid out at the printer's resolution, as the export and the batch are: at the
    // screen's the same blank would print differently on every monitor.
    if (!m_sheetPrinter)
        m_sheetPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    setupPrinter(m_sheetPrinter.get());
    previewPage(replaceExpressions);
}

void ReportPage::previewPage(bool)
{
    // One page after the other in a loop rather than from each dialog's finished
    // handler: a long report would otherwise nest one modal loop per page.
    while (currentPage < mPagesCount && !printCancelled) {
        if (currentPage == 0 && printBackgroundImage) {
            QMessageBox box(QMessageBox::Question,
                            QStringLiteral("Внимание!"),
                            QStringLiteral("Включена печать фона.\nПродолжить?!"),
                            QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            if (box.exec() != QMessageBox::Yes) {
                printCancelled = true;
                return;
            }
        } else if (currentPage > 0) {
            QMessageBox box(QMessageBox::Information,
                            QString(),
                            currentPage % 2 ? QStringLiteral("Переверните страницу!")
                                            : QStringLiteral("Вставьте следующий лист"),
                            QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            if (box.exec() != QMessageBox::Ok) {
                printCancelled = true;
                return;
            }
        }

        auto dialog = new QPrintPreviewDialog(m_sheetPrinter.get());
        previewDialog = dialog;
        connect(dialog, &QPrintPreviewDialog::paintRequested, this, &ReportPage::print);
        dialog->installEventFilter(this);
        dialog->setWindowFlags(dialog->windowFlags() | Qt::WindowMaximizeButtonHint);
        dialog->adjustSize();
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            dialog->resize(dialog->width(), int(available.height() * 0.9));
            dialog->move(available.center() - dialog->rect().center());
        }
        m_sidePrinted = false;
        dialog->exec();
        if (dialog == previewDialog.data()) {
            dialog->hide();
            dialog->deleteLater();
        }
        // A side that did not reach the paper ends the print: the next prompt would have
        // the user turn a sheet that has nothing on it.
        if (!m_sidePrinted) {
            printCancelled = true;
            return;
        }
        ++currentPage;
    }
}

bool ReportPage::eventFilter(QObject *watched, QEvent *event)
{
    // The system print dialog is the preview's child. Its Отмена ends the print rather
    // than leaving the preview open, as every other Отмена of the sequence does.
    if (event->type() == QEvent::ChildPolished && watched == previewDialog.data()) {
        if (auto *system = qobject_cast<QPrintDialog *>(static_cast<QChildEvent *>(event)->child()))
            connect(system,
                    &QDialog::rejected,
                    previewDialog.data(),
                    &QDialog::reject,
                    Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    }
    return QObject::eventFilter(watched, event);
}

void ReportPage::print(QPrinter *printer)
{
    // The preview hands over the page's own printer; another printer (a PDF file, a
    // chosen device) is painted on as given rather than silently swapped.
    QPrinter *target = printer ? printer : mPrinter.get();
    target->setFullPage(true);
    const int w = target->width();
    const int h = target->height();
    const int pageIndex = currentPage;

    // A side printed into a PDF file is written beside it and takes its place once whole.
    const QString outputName = target->outputFileName();
    std::unique_ptr<FileReplacement> file;
    const auto fileFailed = [&] {
        m_outputFailed = true;
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Ошибка"),
                        QStringLiteral("Не удаётся записать файл %1: %2\nПрежний файл оставлен "
                                       "без изменений.")
                                .arg(QDir::toNativeSeparators(outputName), file->errorString()),
                        QMessageBox::Ok);
        box.exec();
    };
    if (target->outputFormat() == QPrinter::PdfFormat && !outputName.isEmpty()
        && target->paintEngine()->type() != QPaintEngine::Picture) {
        file = std::make_unique<FileReplacement>(outputName, FileReplacement::Content::Pdf);
        if (!file->open()) {
            fileFailed();
            return;
        }
        target->setOutputFileName(file->fileName());
    }
    QPainter painter;
    if (!painter.begin(target)) {
        ZR_REPORT_WARNING(QStringLiteral("cannot paint on the printer"));
        if (file)
            target->setOutputFileName(outputName);
        return;
    }
    // The preview paints through a picture engine, a sheet going to a printer never does:
    // only the sheet gets the correction of the printer the user chose in the preview.
    const bool toPreview = painter.paintEngine()->type() == QPaintEngine::Picture;
    const PrintCorrection correction
            = toPreview ? PrintCorrection()
                        : PrintCorrection::forPrinter(target->printerName(),
                                                      PrintCorrection::sideOfPage(pageIndex));
    painter.save();
    painter.setWindow(0, 0, w, h);
    painter.setViewport(0, 0, w, h);
    renderOn(&painter,
             w,
             h,
             target->logicalDpiX() / 25.399931,
             pageIndex,
             printBackgroundImage,
             correction);
    painter.restore();
    bool painted = painter.end();
    if (file) {
        target->setOutputFileName(outputName);
        if (painted && !file->commit()) {
            painted = false;
            fileFailed();
        }
    }
    if (painted && !toPreview && pageIndex < mPagesCount) {
        m_sidePrinted = true;
        emit pagePrinted(pageIndex, target->printerName());
    }

    // Asked after painting has ended, so the question's event loop never runs while
    // the preview's painter is active.
    if (pageIndex == 0 && pageIndex < mPagesCount && !askOverflow()) {
        printCancelled = true;
        if (QPrintPreviewDialog *dialog = previewDialog.data()) {
            QTimer::singleShot(0, dialog, [dialog] {
                dialog->hide();
                dialog->deleteLater();
            });
        }
    }
}

bool ReportPage::askOverflow()
{
    for (AbstractField *field : qAsConst(fields)) {
        field->prepare();
        if (field->type() != 2 || !static_cast<TableField *>(field)->overflow)
            continue;
        QMessageBox box(QMessageBox::Question,
                        QStringLiteral("Внимание!"),
                        QStringLiteral("Данные таблиц не помещаются на данном бланке и будут "
                                       "обрезаны.\nПродолжить?!"),
                        QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }
    return true;
}
