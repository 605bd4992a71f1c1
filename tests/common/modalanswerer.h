#pragma once

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

class QWidget;

// Answers modal dialogs from a test. Each expected dialog is queued with the
// title it must have, a part of its text and what to do with it; the answerer
// polls QApplication::activeModalWidget() and acts when the next one shows.
// A dialog that was not expected is rejected and recorded, and so is one that an
// action left on top for half a minute, so no test hangs.
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    using Action = std::function<void(QWidget *dialog)>;

    explicit ModalAnswerer(QObject *parent = nullptr);
    ~ModalAnswerer() override;

    // Presses the standard button of a message box (or any button box).
    void expectButton(const QString &title,
                      const QString &textPart,
                      QDialogButtonBox::StandardButton button);
    // Runs an arbitrary action on the dialog (fill a file dialog, accept a preview...).
    void expect(const QString &title, const QString &textPart, Action action);

    int pending() const { return m_queue.size(); }
    QStringList seen() const { return m_seen; }
    QStringList unexpected() const { return m_unexpected; }

    static QString dialogText(QWidget *dialog);
    static bool clickButton(QWidget *dialog, QDialogButtonBox::StandardButton button);

private:
    void poll();
    static void dismiss(QWidget *dialog);

    struct Expectation
    {
        QString title;
        QString textPart;
        Action action;
    };
    QList<Expectation> m_queue;
    QStringList m_seen;
    QStringList m_unexpected;
    QTimer m_timer;
    QPointer<QWidget> m_lastHandled;
    QElapsedTimer m_handledSince;
};
