#include "window_menu_reach.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

namespace qor {

namespace {

bool isMenuKey(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Menu || (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}

// Where a menu opened from the keyboard appears: at the list's current row, else the
// control's middle.
QPoint keyboardMenuPoint(QWidget& widget)
{
    if (auto* view = qobject_cast<QAbstractItemView*>(&widget); view && view->currentIndex().isValid())
        return view->viewport()->mapTo(view, view->visualRect(view->currentIndex()).center());
    return widget.rect().center();
}

class MenuReach : public QObject {
public:
    MenuReach(QWidget& window, QMenu& menu) : QObject(&window), m_menu(menu)
    {
        m_menu.setTitle(QString::fromUtf8(kWindowMenuTitle));
        window.setContextMenuPolicy(Qt::DefaultContextMenu);
        window.installEventFilter(this);
        for (QWidget* child : window.findChildren<QWidget*>())
            if (!child->isWindow() && !qobject_cast<QMenu*>(child))
                child->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        if (event->type() == QEvent::KeyPress && isMenuKey(*static_cast<QKeyEvent*>(event))) {
            const QPoint at = keyboardMenuPoint(*widget);
            QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, at, widget->mapToGlobal(at));
            openFor(*widget, menuEvent);
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            openFor(*widget, *static_cast<QContextMenuEvent*>(event));
            return true;
        }
        return false;
    }

private:
    void openFor(QWidget& widget, const QContextMenuEvent& event)
    {
        QLineEdit* edit = qobject_cast<QLineEdit*>(&widget);
        if (auto* combo = qobject_cast<QComboBox*>(&widget))
            edit = combo->lineEdit();
        if (!edit) {
            m_menu.popup(event.globalPos());
            return;
        }
        // The field's own menu (undo, cut, copy, paste...), then the window's.
        QMenu* own = edit->createStandardContextMenu();
        own->setAttribute(Qt::WA_DeleteOnClose);
        own->addSeparator();
        own->addMenu(&m_menu);
        own->popup(event.globalPos());
    }

    QMenu& m_menu;
};

} // namespace

void reachWindowMenu(QWidget& window, QMenu& menu)
{
    new MenuReach(window, menu);
}

} // namespace qor
