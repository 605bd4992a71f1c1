#pragma once

#include <QString>

class QWidget;

// A save found that what it would replace was changed elsewhere (another copy of the
// program, another computer) after it was loaded; the user decides.
namespace SaveConflict {
enum class Choice { Reload, Overwrite, Cancel };
// `changed` opens the message: "Документ изменён", "Приложение к документу изменено".
Choice ask(QWidget *parent, const QString &changed);
// What was open was deleted elsewhere: true to store what is typed anew, false to close.
// `deleted` opens the message: "Документ удалён", "Шаблон удалён".
bool saveAnew(QWidget *parent, const QString &deleted);
} // namespace SaveConflict
