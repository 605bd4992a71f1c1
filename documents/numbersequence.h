#pragma once

#include <QString>

// Numbers that follow a first one as a secretary writes them by hand: the last group of
// digits counts up and keeps its width ("000101", "000102"; "АБ 0999", "АБ 1000"), the
// letters and blanks around it stay.
class NumberSequence
{
public:
    // Empty when the first number has no digits to count with.
    explicit NumberSequence(const QString &first);

    bool isValid() const { return !m_digits.isEmpty(); }
    // The number `step` places after the first (0: the first itself).
    QString at(int step) const;

private:
    QString m_prefix;
    QString m_digits;
    QString m_suffix;
};
