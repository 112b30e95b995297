#include "find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>

namespace qor {

FindField::FindField(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("findField"));
    setAccessibleName(QStringLiteral("Find"));
    setClearButtonEnabled(false);
}

bool FindField::event(QEvent* event)
{
    // Escape is offered to the window as a shortcut first; the field claims it.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void FindField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        emit entered();
        return;
    case Qt::Key_Escape:
        event->accept();
        emit escaped();
        return;
    case Qt::Key_Down:
        event->accept();
        emit downPressed();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

FindBar::FindBar(QWidget* parent) : QWidget(parent), m_field(new FindField(this)), m_counts(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    auto* label = new QLabel(QStringLiteral("Find:"), this);
    label->setBuddy(m_field);
    m_counts->setObjectName(QStringLiteral("findCounts"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_counts, 1);
}

void FindBar::showCounts(bool filtering, int shown, int total)
{
    m_counts->setText(filtering ? QStringLiteral("%1 of %2 contacts").arg(shown).arg(total) : QString());
}

QString FindBar::countsText() const
{
    return m_counts->text();
}

} // namespace qor
