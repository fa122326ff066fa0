#pragma once
// Functions: reading numbers out of the dialogs' text boxes, and filterNumberText, the guard that
// keeps a box holding a whole number.
#include <QString>
#include <optional>

class QLineEdit;

// The leading number of a text as the Size and Rotate boxes read it: leading blanks skipped, then
// the longest beginning that reads as a signed decimal number (optional sign, digits, at most one
// '.'; no exponent); 0 when the text does not begin with a number. Rounded to the nearest
// integer, ties to even, from the exact decimal value. std::nullopt beyond the 32-bit range.
std::optional<qint32> leadingNumber(const QString &text);

// The whole text as a decimal number, surrounding blanks allowed (sign, digits, '.', an optional
// exponent). std::nullopt for empty, non-numeric or out-of-range text.
std::optional<double> numericValue(const QString &text);

// One step of the guard: a value other than 0 replaces the text by its decimal form; 0 drops the
// text's first character. Either way the caret goes to the end.
void filterNumberText(QLineEdit *box, qint32 value);

// Runs filterNumberText on every change of the box's text until the text stops changing; a text
// whose leading number is beyond 32 bits is left as it is.
void guardNumberBox(QLineEdit *box);
