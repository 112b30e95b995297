#pragma once

#include <QMessageBox>
#include <QString>

namespace qor {

// The title of the program's message boxes.
inline constexpr const char* kBoxTitle = "QOR";

// Gives a box or dialog over `parent` the font of the main window it belongs to. A box is a
// window of its own, and a window takes the application's font, not its parent's: without this
// the window's boxes would speak in another font than the window.
void useWindowFont(QWidget& box, const QWidget* parent);

// A message box over `parent`, titled "QOR" (or `title`) and in the window's font, that the
// caller adds buttons to and runs.
class WindowBox : public QMessageBox {
public:
    WindowBox(QWidget* parent, Icon icon, const QString& text, StandardButtons buttons = Ok,
              const QString& title = QString::fromUtf8(kBoxTitle));
};

// Shows `text` in a box with OK and waits for it; `details` are offered behind "Show Details...".
void tellInBox(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& details = {},
               const QString& title = QString::fromUtf8(kBoxTitle));

} // namespace qor
