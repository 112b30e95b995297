// The short line under the list, beside the footer, that says why a command did nothing.
#include "book_dialog.h"

#include "contact_list_view.h"
#include "control_ids.h"

#include <QLabel>

namespace qor {

void BookDialog::buildStatusLine()
{
    // The footer's strip, right of its text, up to the list's right edge: no control moves.
    const QRect footer = control(kProductLine)->geometry();
    const QRect list = m_list->geometry();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int left = footer.right() + 8;
    m_status->setGeometry(left, footer.top() - 2, std::max(0, list.right() - left), footer.height() + 4);
}

void BookDialog::showStatus(const QString& text)
{
    m_status->setText(text);
}

QString BookDialog::statusText() const
{
    return m_status->text();
}

} // namespace qor
