#include "input_limits.h"

#include "form_rules.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <limits>

namespace qor {

qsizetype countFormChars(const QString& text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        n += !text.at(i).isLowSurrogate() || i == 0 || !text.at(i - 1).isHighSurrogate();
    return n;
}

InputLimitValidator::InputLimitValidator(QLineEdit* edit, std::function<bool(const QString&)> fits)
    : QValidator(edit), m_fits(std::move(fits)), m_accepted(edit->text())
{
    // textChanged follows validation, so m_accepted holds the text before each edit.
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_accepted = text; });
}

QValidator::State InputLimitValidator::validate(QString& input, int& pos) const
{
    // A pasted line end (LF, or a CR alone or before LF) would end the line in the book file and
    // start a forged one: each such character becomes a space at once, where the user sees it.
    for (QChar& c : input)
        if (endsBookLine(c.unicode()))
            c = QLatin1Char(' ');
    if (m_fits(input))
        return Acceptable;
    if (input.size() <= m_accepted.size())
        return Acceptable; // shortening or replacing with no more text is always allowed
    // Cut the newly inserted characters, which end at the cursor, from their end until the text
    // fits or is no longer than it was.
    QString text = input;
    int cursor = pos;
    while (cursor > 0 && !m_fits(text) && text.size() > m_accepted.size()) {
        int cut = 1;
        if (cursor >= 2 && text.at(cursor - 1).isLowSurrogate() && text.at(cursor - 2).isHighSurrogate())
            cut = 2;
        text.remove(cursor - cut, cut);
        cursor -= cut;
    }
    if (!m_fits(text) && text.size() > m_accepted.size())
        return Invalid;
    input = text;
    pos = cursor;
    return Acceptable;
}

namespace {
// A line edit cuts any text it is given at its maximum length, 32,767 characters unless told
// otherwise; the form's limits are the validators', so the program's texts must pass whole.
void liftLengthCap(QLineEdit* edit)
{
    edit->setMaxLength(std::numeric_limits<int>::max());
}
} // namespace

void limitToFieldLength(QLineEdit* edit)
{
    liftLengthCap(edit);
    edit->setValidator(new InputLimitValidator(edit, [](const QString& text) {
        return static_cast<std::size_t>(countFormChars(text)) <= kMaxFieldChars;
    }));
}

int visibleTextWidth(const QLineEdit* edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                               .marginsRemoved(edit->textMargins());
    return contents.width() - 2 * kLineEditTextMargin;
}

void limitToVisibleWidth(QLineEdit* edit)
{
    liftLengthCap(edit);
    edit->setValidator(new InputLimitValidator(edit, [edit](const QString& text) {
        return edit->fontMetrics().horizontalAdvance(text) <= visibleTextWidth(edit);
    }));
}

void setTextUnlimited(QLineEdit* edit, const QString& text)
{
    const QValidator* validator = edit->validator();
    edit->setValidator(nullptr);
    edit->setText(text);
    edit->setValidator(validator);
}

} // namespace qor
