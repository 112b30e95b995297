#pragma once

#include <QValidator>
#include <functional>

class QLineEdit;

namespace qor {

// Limits what the user types or pastes into a line edit, never what the program puts there:
// text set through setTextUnlimited() stays whole even when it is over the limit. Input that
// would cross the limit is cut back to what fits; a text already over the limit (from the book
// file) can be shortened but not lengthened. Each pasted or dropped CR or LF becomes a space
// (see endsBookLine).
class InputLimitValidator : public QValidator {
    Q_OBJECT
public:
    // `fits(text)` tells whether a text is within the limit.
    InputLimitValidator(QLineEdit* edit, std::function<bool(const QString&)> fits);

    State validate(QString& input, int& pos) const override;

private:
    std::function<bool(const QString&)> m_fits;
    QString m_accepted; // the text as it stood before the edit under validation
};

// Characters of a text as the form counts them (code points, so a character outside the
// Basic Multilingual Plane is one character).
qsizetype countFormChars(const QString& text);

// Edit fields: at most 255 typed or pasted characters.
void limitToFieldLength(QLineEdit* edit);
// Combo boxes: typing stops when the text fills the visible width of the edit field.
void limitToVisibleWidth(QLineEdit* edit);

// A line edit keeps this many pixels free on each side of its text.
inline constexpr int kLineEditTextMargin = 2;
// The width in pixels in which a line edit shows its text.
int visibleTextWidth(const QLineEdit* edit);

// Sets a line edit's text past its input limit.
void setTextUnlimited(QLineEdit* edit, const QString& text);

} // namespace qor
