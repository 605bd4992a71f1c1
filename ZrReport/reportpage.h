#pragma once

#include "printcorrection.h"
#include "zrreportlib_export.h"

#include <QFont>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QVariant>
#include <memory>

class AbstractField;
class QAbstractItemModel;
class QPainter;

// One report template in memory: its fields, page settings, backgrounds, variables
// and models, and the printer it is previewed and printed through. Exported: the
// program creates, fills and prints it; the designer edits its members in place.
class ZRREPORTLIB_EXPORT ReportPage : public QObject
{
    Q_OBJECT
public:
    explicit ReportPage(QObject *parent = nullptr);
    ~ReportPage() override;

    int orientation() const { return mOrientation; }
    void setOrientation(QPrinter::Orientation orientation);
    int pagesCount() const { return mPagesCount; }
    void setPagesCount(int count);
    QPagedPaintDevice::PageSize pageSize() const;
    void setPageSize(QPagedPaintDevice::PageSize size);
    // At the screen's resolution: the designer's scene and the backgrounds are laid out
    // on it. The sheets go to a printer of the printer's own resolution (previewReport).
    QPrinter *printer() const { return mPrinter.get(); }
    bool replaceExpressions() const { return mReplaceExpressions; }
    // Substitution without a preview, for a caller that renders pages itself.
    void setReplaceExpressions(bool on) { mReplaceExpressions = on; }
    QPixmap pixmap() const { return backgroundImage; }

    void setReportVariable(const QString &name, const QVariant &value);
    // escapeHtml: values are data, so a name like "A<B" must not turn into markup.
    QString replaceFromVariables(const QString &text, bool escapeHtml = false);
    bool addModel(const QString &name, QAbstractItemModel *model, bool ownership = false);
    QAbstractItemModel *getModel(const QString &name) const;
    void clearDataManager();
    static QString normalizedKey(const QString &name);

    bool setBackgroundImage(const QString &fileName);
    bool setBackgroundImage2(const QString &fileName);
    static QPixmap pixmapFromJsonVal(const QJsonValue &value);
    static QJsonValue jsonValFromPixmap(const QPixmap &pixmap);

    void readJson(const QJsonObject &json);
    void writeJson(QJsonObject &json) const;
    // False, with the reason in loadError(), for a file that cannot be read, is not a
    // template or is beyond the limits below; the page is then unchanged.
    bool loadFromFile(const QString &fileName);
    bool saveToFile(const QString &fileName);
    // The template as saveToFile writes it.
    QByteArray toTemplateBytes() const;
    QString loadError() const { return m_loadError; }
    // What of a template is beyond the limits, in words for the user; empty when nothing.
    static QString limitsExceeded(const QJsonObject &json);

    // The interactive sequence: background question, one modal preview per page,
    // sheet prompts between pages, overflow question on page 0. A side that is not
    // printed, a sheet prompt or a system print dialog answered with Отмена ends it with
    // printCancelled set.
    void previewReport(bool replaceExpressions, int printBackground);
    void previewPage(bool replaceExpressions = false);
    void print(QPrinter *printer);
    // A side of the last sequence was to go into a PDF file that could not be written
    // whole; the user has been told, the earlier file is kept.
    bool outputFailed() const { return m_outputFailed; }
    double scaleFromMM() const;

    // Headless rendering, no dialog and no question. setupPrinter gives a printer the
    // template's paper, orientation, full-page mode and margins. renderPage draws page
    // pageIndex (from 0) onto a painter whose device is one sheet, at the device's own
    // resolution, with the side's background when withBackground is set, moved and
    // scaled by the correction of the printer and sheet side it goes to; it returns
    // false for an index outside the report. Substitution follows replaceExpressions().
    void setupPrinter(QPrinter *printer) const;
    bool renderPage(QPainter *painter,
                    int pageIndex,
                    bool withBackground,
                    const PrintCorrection &correction = PrintCorrection());
    // Lays every field out; true when some table's rows do not fit its blocks.
    bool tablesOverflow();
    // The paper of pageSize() in the current orientation, in millimetres.
    QSizeF paperSizeMM() const;

    QList<AbstractField *> fields;
    bool mReplaceExpressions = false;
    bool printCancelled = false;
    int mOrientation = QPrinter::Landscape;
    QPixmap backgroundImage;
    QPixmap backgroundImage2;
    bool printBackgroundImage = false;
    QFont defaultFont;
    int mPagesCount = 1;
    QMap<QString, QVariant> variables;
    // Guarded: a model deleted by its creator reads as missing instead of dangling.
    QMap<QString, QPointer<QAbstractItemModel>> models;
    std::unique_ptr<QPrinter> mPrinter;
    int mPageSize = QPagedPaintDevice::A4;
    double margins[4] = {0, 0, 0, 0};
    int currentPage = 0;
    QPointer<QPrintPreviewDialog> previewDialog;

    // More pages than any blank has; a file asking for more is refused, a page set to
    // more in memory is cut down to this.
    static constexpr int maxPages = 999;
    // Far beyond any blank form: a file past them would take minutes and gigabytes to
    // draw, so it is refused.
    static constexpr qint64 maxFileBytes = 64LL * 1024 * 1024;
    static constexpr int maxFields = 2000;
    static constexpr int maxFieldText = 1024 * 1024; // characters of all texts of one field
    // Background pixels, told from the picture's header before it is decoded. A blank
    // scanned at 600 dpi, finer than any print of it needs, is 4961 x 7016 = 34.8 million
    // pixels on A4 and 35.8 million for a scanner's whole 216 x 297 mm bed; a picture at
    // the limit decodes into 160 MB.
    static constexpr qint64 maxBackgroundPixels = 40LL * 1000 * 1000;

signals:
    void dataUpdated();
    // A page of the interactive sequence went to a printer (or a file), not to the preview.
    void pagePrinted(int pageIndex, const QString &printerName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void renderOn(QPainter *painter,
                  int w,
                  int h,
                  double scale,
                  int pageIndex,
                  bool withBackground,
                  const PrintCorrection &correction);
    bool askOverflow();
    void applyPrinterSettings();
    bool loadBackground(const QString &fileName, QPixmap *target);

    // The Base64 text a background was read from, reused on save while the pixmap
    // is unchanged: saving does not encode again and writes the same bytes.
    struct EncodedImage
    {
        qint64 cacheKey = 0;
        QJsonValue text;
    };
    EncodedImage m_encoded[2];
    QString m_loadError;
    // The previews' printer, kept for the whole sequence: the printer chosen for side 1
    // stays chosen for side 2.
    std::unique_ptr<QPrinter> m_sheetPrinter;
    bool m_sidePrinted = false;
    bool m_outputFailed = false;
};
