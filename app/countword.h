#pragma once

#include <QString>

// The form of a word that goes with a number in Russian: 1 документ, 3 документа,
// 11 документов, 21 документ.
QString countWord(int count, const QString &one, const QString &few, const QString &many);
