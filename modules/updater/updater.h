#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkReply;

// One update check: fetches the version file at construction, answers with one
// of the two signals and deletes itself.
class Updater : public QObject
{
    Q_OBJECT
public:
    explicit Updater(QObject *parent = nullptr);

    static QUrl versionFileUrl();

    // "Что-то пошло не так" with one, three or two dots: a parse error, a wrong
    // document element, a version text that is not of three parts.
    static QString connectionErrorText();
    static QString latestInstalledText();

    // What a version file tells the user: the link to offer, or the message instead.
    struct Answer
    {
        bool ready = false;
        QString text;
    };
    static Answer readVersionFile(const QByteArray &data);

signals:
    void updateIsReady(const QString &link);
    void updatingError(const QString &message);

public slots:
    void fileDownloaded(QNetworkReply *pReply);

private:
    void parse();

    QUrl m_url;
    QNetworkAccessManager m_manager;
    QByteArray m_data;
};
