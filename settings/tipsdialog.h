#pragma once

#include <QDialog>
#include <QStringList>

namespace Ui {
class TipsDialog;
}

// The tip of the day: one hint at a time from the tips resource.
class TipsDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr char tipsResource[] = ":/common_tips.txt";

    explicit TipsDialog(QWidget *parent = nullptr);
    ~TipsDialog() override;

    // Tips separated by "**"; a leading line break is dropped from each.
    static QStringList splitTips(const QString &text);

    int currentIndex() const { return m_index; }
    const QStringList &tips() const { return m_tips; }

private slots:
    void on_pushButtonNext_clicked();
    void on_pushButtonClose_clicked();

private:
    void loadTips();

    Ui::TipsDialog *ui;
    QStringList m_tips;
    int m_index = 0;
};
