#include "window_chrome.h"

#include "about_dialog.h"
#include "book_dialog.h"
#include "contact_transfer.h"
#include "history_dialog.h"
#include "upcoming_dialog.h"

#include <QAction>
#include <QMenu>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <string>
#include <windows.h>
#endif

// The icon images are compiled into the program from res/qor.qrc. Registering them by hand
// keeps the linker from dropping them out of the static library.
static void registerIconResources() { Q_INIT_RESOURCE(qor); }

namespace qor {

namespace {

const char* const kAboutMenuName = "aboutMenu";

void openAboutBox(QWidget& window)
{
    AboutDialog about(&window);
    about.exec();
}

void openUpcomingDates(BookDialog& window)
{
    UpcomingDialog upcoming(window, localToday());
    upcoming.exec();
}

void openHistory(BookDialog& window)
{
    HistoryDialog history(window);
    history.exec();
}

#ifdef Q_OS_WIN
// Runs an item (About, Import, Export) when it is chosen from the window's system menu.
class SystemMenuFilter : public QObject, public QAbstractNativeEventFilter {
public:
    SystemMenuFilter(QWidget& window, QAction* action, unsigned command)
        : QObject(&window), m_window(window), m_action(action), m_command(command)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~SystemMenuFilter() override
    {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override
    {
        if (type != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_SYSCOMMAND || msg->hwnd != reinterpret_cast<HWND>(m_window.winId())
            || (msg->wParam & 0xFFF0) != m_command)
            return false;
        // Out of the window procedure before the box's or file dialog's own message loop starts.
        QMetaObject::invokeMethod(m_action, &QAction::trigger, Qt::QueuedConnection);
        *result = 0;
        return true;
    }

private:
    QWidget& m_window;
    QAction* m_action;
    unsigned m_command;
};

void addToSystemMenu(QWidget& window, QAction* about)
{
    // Drawing the icon centred in the client area of the minimised window, at
    // ((client width - icon width + 1) / 2, (client height - icon height + 1) / 2), is left to
    // the system, which draws a minimised window's class icon itself.
    if (HMENU systemMenu = GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE)) {
        const std::wstring text = QString::fromUtf8(kAboutItemText).toStdWString();
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(systemMenu, MF_STRING, kAboutCommand, text.c_str());
    }
    new SystemMenuFilter(window, about, kAboutCommand);
}

void addActionToSystemMenu(QWidget& window, QAction* action, unsigned command)
{
    if (HMENU systemMenu = GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE)) {
        const std::wstring text = action->text().toStdWString();
        AppendMenuW(systemMenu, MF_STRING, command, text.c_str());
    }
    new SystemMenuFilter(window, action, command);
}
#endif

} // namespace

void nameUndoActions(BookDialog& window, QAction& undo, QAction& redo)
{
    const std::string undoName = window.session().undoName();
    const std::string redoName = window.session().redoName();
    undo.setText(undoName.empty() ? QStringLiteral("Undo") : QStringLiteral("Undo ") + QString::fromStdString(undoName));
    redo.setText(redoName.empty() ? QStringLiteral("Redo") : QStringLiteral("Redo ") + QString::fromStdString(redoName));
    undo.setEnabled(!undoName.empty());
    redo.setEnabled(!redoName.empty());
}

QIcon applicationIcon()
{
    [[maybe_unused]] static const bool registered = (registerIconResources(), true);
    QIcon icon;
    for (int size : {16, 32, 256})
        icon.addFile(QStringLiteral(":/icons/qor-%1.png").arg(size), QSize(size, size));
    return icon;
}

QMenu* aboutMenuFor(QWidget* window)
{
    return window ? window->findChild<QMenu*>(QLatin1String(kAboutMenuName), Qt::FindDirectChildrenOnly) : nullptr;
}

void installWindowChrome(BookDialog& window)
{
    // The large and the small icon: the window system picks the image that fits.
    window.setWindowIcon(applicationIcon());

    auto* menu = new QMenu(&window);
    menu->setObjectName(QLatin1String(kAboutMenuName));
    // Undo and Redo name the change they act on, as the list stands when the menu opens.
    QAction* undo = menu->addAction(QStringLiteral("Undo"));
    undo->setObjectName(QStringLiteral("undoAction"));
    undo->setShortcut(QKeySequence::Undo); // shown beside the item; the window handles the key
    undo->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(undo, &QAction::triggered, &window, [&window] { window.undo(); });
    QAction* redo = menu->addAction(QStringLiteral("Redo"));
    redo->setObjectName(QStringLiteral("redoAction"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    redo->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(redo, &QAction::triggered, &window, [&window] { window.redo(); });
    QObject::connect(menu, &QMenu::aboutToShow, &window, [&window, undo, redo] { nameUndoActions(window, *undo, *redo); });
    menu->addSeparator();
    QAction* find = menu->addAction(QStringLiteral("Find..."));
    find->setObjectName(QStringLiteral("findAction"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F)); // shown beside the item; the window handles the key
    find->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(find, &QAction::triggered, &window, [&window] { window.openFind(); });
    QAction* import = menu->addAction(QString::fromUtf8(kImportItemText));
    import->setObjectName(QStringLiteral("importAction"));
    QObject::connect(import, &QAction::triggered, &window, [&window] { importCommand(window); });
    QAction* exportItem = menu->addAction(QString::fromUtf8(kExportItemText));
    exportItem->setObjectName(QStringLiteral("exportAction"));
    QObject::connect(exportItem, &QAction::triggered, &window, [&window] { exportCommand(window); });
    QAction* upcoming = menu->addAction(QString::fromUtf8(kUpcomingItemText));
    upcoming->setObjectName(QStringLiteral("upcomingAction"));
    QObject::connect(upcoming, &QAction::triggered, &window, [&window] { openUpcomingDates(window); });
    QAction* history = menu->addAction(QString::fromUtf8(kHistoryItemText));
    history->setObjectName(QStringLiteral("historyAction"));
    QObject::connect(history, &QAction::triggered, &window, [&window] { openHistory(window); });
    QAction* reload = menu->addAction(QString::fromUtf8(kReloadItemText));
    reload->setObjectName(QStringLiteral("reloadAction"));
    QObject::connect(reload, &QAction::triggered, &window, [&window] { window.reloadFromDisk(); });
    menu->addSeparator();
    QAction* about = menu->addAction(QString::fromUtf8(kAboutItemText));
    about->setObjectName(QStringLiteral("aboutAction"));
    QObject::connect(about, &QAction::triggered, &window, [&window] { openAboutBox(window); });

#ifdef Q_OS_WIN
    addToSystemMenu(window, about);
    addActionToSystemMenu(window, import, kImportCommand);
    addActionToSystemMenu(window, exportItem, kExportCommand);
    addActionToSystemMenu(window, upcoming, kUpcomingCommand);
    addActionToSystemMenu(window, history, kHistoryCommand);
    addActionToSystemMenu(window, reload, kReloadCommand);
#else
    // No system menu to extend here: the item is offered by a right click on the window's
    // background. The controls keep their own context menus, or none.
    window.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&window, &QWidget::customContextMenuRequested, menu, [&window, menu](const QPoint& pos) {
        if (!window.childAt(pos))
            menu->popup(window.mapToGlobal(pos));
    });
#endif
}

} // namespace qor
