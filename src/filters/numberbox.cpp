#include "filters/numberbox.h"

#include <QLineEdit>
#include <QScopedValueRollback>
#include <cmath>
#include <limits>
#include <memory>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

namespace {

std::optional<qint32> leadingNumberOf(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    // Exact decimal rounding: the whole part, the first fractional digit and whether anything
    // non-zero follows it decide the result, however many digits the text has.
    constexpr qint64 beyondRange = qint64(1) << 32;
    qint64 whole = 0;
    for (; i < n && isDigit(text[i]); ++i)
        whole = std::min(whole * 10 + (text[i].unicode() - u'0'), beyondRange);
    int firstDecimal = 0;
    bool moreDecimals = false;
    if (i < n && text[i] == u'.') {
        ++i;
        if (i < n && isDigit(text[i]))
            firstDecimal = text[i++].unicode() - u'0';
        for (; i < n && isDigit(text[i]); ++i)
            moreDecimals = moreDecimals || text[i] != u'0';
    }

    const bool up = firstDecimal > 5 || (firstDecimal == 5 && (moreDecimals || whole % 2 == 1));
    const qint64 magnitude = whole + (up ? 1 : 0);
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

} // namespace

std::optional<qint32> leadingNumber(const QString &text)
{
    return leadingNumberOf(text);
}

std::optional<double> numericValue(const QString &text)
{
    const QString number = text.trimmed();
    const qsizetype n = number.size();
    qsizetype i = 0;
    if (i < n && (number[i] == u'+' || number[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    for (; i < n && isDigit(number[i]); ++i)
        ++digits;
    if (i < n && number[i] == u'.')
        for (++i; i < n && isDigit(number[i]); ++i)
            ++digits;
    if (digits == 0)
        return std::nullopt;
    if (i < n && (number[i] == u'e' || number[i] == u'E')) {
        ++i;
        if (i < n && (number[i] == u'+' || number[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        for (; i < n && isDigit(number[i]); ++i)
            ++exponentDigits;
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;

    // QByteArray reads numbers in the C locale, whatever the user's decimal separator.
    bool ok = false;
    const double value = number.toLatin1().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void filterNumberText(QLineEdit *box, qint32 value)
{
    if (value != 0) {
        box->setText(QString::number(value));
    } else {
        const QString text = box->text();
        if (!text.isEmpty())
            box->setText(text.mid(1));
    }
    box->setCursorPosition(int(box->text().size()));
}

void guardNumberBox(QLineEdit *box)
{
    // Each rewrite raises textChanged again. Running the steps in a loop here, rather than letting
    // the signal recurse, gives the same text without a stack frame per step. A run of steps that
    // each drop one character is taken in one rewrite: a long pasted text would otherwise cost a
    // relayout of the box per character.
    auto busy = std::make_shared<bool>(false);
    QObject::connect(box, &QLineEdit::textChanged, box, [box, busy] {
        if (*busy)
            return;
        const QScopedValueRollback<bool> running(*busy, true);
        for (;;) {
            const QString before = box->text();
            const std::optional<qint32> value = leadingNumber(before);
            if (!value)
                return;
            if (*value == 0 && before.size() > 1) {
                qsizetype dropped = 1;
                while (dropped < before.size() && leadingNumberOf(QStringView(before).mid(dropped)) == 0)
                    ++dropped;
                box->setText(before.mid(dropped - 1));
            }
            filterNumberText(box, *value);
            if (box->text() == before)
                return;
        }
    });
}
