#pragma once

#include "zrreportlib_export.h"

#include <QString>
#include <functional>

class QWidget;

// A window with changes that are not stored yet is being closed (its Close button, Escape
// or the window's close button); the user decides: Save, Discard or Cancel.
class ZRREPORTLIB_EXPORT UnsavedChanges
{
public:
    // True when the window may close: nothing was changed, the user let the changes go, or
    // `save` (the window's own save, with its checks and messages) stored them. `text`
    // and `informative` are the question's two lines.
    static bool settle(QWidget *window,
                       bool changed,
                       const QString &text,
                       const QString &informative,
                       const std::function<bool()> &save);
};
