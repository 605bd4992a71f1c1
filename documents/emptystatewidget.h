#pragma once

#include <QFrame>
#include <QList>

class QAction;
class QVBoxLayout;
class QLabel;

// What an empty view says instead of showing nothing: a short explanation and the
// actions that get the user going, kept in the middle of the view. Clicks around it
// still reach the view.
class EmptyStateWidget : public QFrame
{
    Q_OBJECT
public:
    explicit EmptyStateWidget(QWidget *area);

    void setMessage(const QString &text, const QList<QAction *> &actions = {});
    QString text() const;
    QList<QAction *> actions() const { return m_actions; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QLabel *m_label = nullptr;
    QVBoxLayout *m_buttons = nullptr;
    QList<QAction *> m_actions;
};
