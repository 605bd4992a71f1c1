#pragma once

#include <QObject>
#include <QString>

// Drives the report library for the main program and is the program's one
// channel for user messages: the main window shows every error() it emits.
class Engine : public QObject
{
    Q_OBJECT
public:
    explicit Engine(QObject *parent = nullptr);
    ~Engine() override;

signals:
    void error(const QString &text, const QString &title);

public slots:
    void onDocumentPrint(int type, int sqlDocId, bool printBackground);
};
