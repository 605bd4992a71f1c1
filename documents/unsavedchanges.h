#pragma once

#include <functional>

class QWidget;

// A window with typed input that is not stored yet is being closed (its Close button,
// Escape or the window's close button); the user decides.
namespace UnsavedChanges {
// True when the window may close: nothing was changed, the user let the changes go, or
// `save` (the window's own save, with its checks and messages) stored them.
bool settle(QWidget *window, bool changed, const std::function<bool()> &save);
} // namespace UnsavedChanges
