#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

ModalAnswerer::ModalAnswerer(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

ModalAnswerer::~ModalAnswerer() = default;

void ModalAnswerer::expectButton(const QString &title,
                                 const QString &textPart,
                                 QDialogButtonBox::StandardButton button)
{
    expect(title, textPart, [button](QWidget *dialog) { clickButton(dialog, button); });
}

void ModalAnswerer::expect(const QString &title, const QString &textPart, Action action)
{
    m_queue.append({title, textPart, std::move(action)});
}

QString ModalAnswerer::dialogText(QWidget *dialog)
{
    if (auto box = qobject_cast<QMessageBox *>(dialog))
        return box->text();
    QStringList parts;
    for (QLabel *label : dialog->findChildren<QLabel *>())
        parts << label->text();
    return parts.join('\n');
}

bool ModalAnswerer::clickButton(QWidget *dialog, QDialogButtonBox::StandardButton button)
{
    if (auto box = qobject_cast<QMessageBox *>(dialog)) {
        if (QAbstractButton *b = box->button(QMessageBox::StandardButton(int(button)))) {
            b->click();
            return true;
        }
    }
    for (QDialogButtonBox *buttons : dialog->findChildren<QDialogButtonBox *>()) {
        if (QAbstractButton *b = buttons->button(button)) {
            b->click();
            return true;
        }
    }
    if (auto plain = qobject_cast<QDialog *>(dialog)) {
        plain->reject();
        return true;
    }
    dialog->close();
    return false;
}

void ModalAnswerer::poll()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (!dialog || !dialog->isVisible())
        return;
    if (dialog == m_lastHandled.data()) {
        // An action that failed a check before closing its dialog would hang the test.
        if (m_handledSince.elapsed() > 30000) {
            m_unexpected << "left open: " + dialog->windowTitle();
            dismiss(dialog);
        }
        return;
    }
    const QString title = dialog->windowTitle();
    const QString text = dialogText(dialog);
    m_seen << title + ": " + text;
    m_lastHandled = dialog;
    m_handledSince.start();
    if (!m_queue.isEmpty()) {
        const Expectation next = m_queue.first();
        if (title == next.title && text.contains(next.textPart)) {
            m_queue.removeFirst();
            next.action(dialog);
            return;
        }
    }
    m_unexpected << title + ": " + text;
    dismiss(dialog);
}

void ModalAnswerer::dismiss(QWidget *dialog)
{
    if (auto plain = qobject_cast<QDialog *>(dialog))
        plain->reject();
    else
        dialog->close();
}
