#include "message_box.h"

namespace qor {

void useWindowFont(QWidget& box, const QWidget* parent)
{
    if (!parent)
        return;
    // A dialog over a dialog over the main window: the main window's font.
    const QWidget* window = parent->window();
    while (window->parentWidget())
        window = window->parentWidget()->window();
    box.setFont(window->font());
}

WindowBox::WindowBox(QWidget* parent, Icon icon, const QString& text, StandardButtons buttons, const QString& title)
    : QMessageBox(icon, title, text, buttons, parent)
{
    useWindowFont(*this, parent);
}

void tellInBox(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& details,
               const QString& title)
{
    WindowBox box(parent, icon, text, QMessageBox::Ok, title);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}

} // namespace qor
