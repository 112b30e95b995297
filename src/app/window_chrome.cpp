#include "window_chrome.h"

#include "about_dialog.h"
#include "book_dialog.h"
#include "contact_transfer.h"
#include "duplicates_dialog.h"
#include "history_dialog.h"
#include "sync_window.h"
#include "upcoming_dialog.h"

#include "window_menu_reach.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <vector>

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

void openDuplicates(BookDialog& window)
{
    DuplicatesDialog duplicates(window);
    duplicates.exec();
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
    // A contact's name is text, not a mnemonic: its '&' is doubled.
    const auto named = [](const char* verb, const std::string& name) {
        QString text = QString::fromUtf8(verb);
        if (!name.empty())
            text += QLatin1Char(' ') + QString::fromStdString(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
        return text;
    };
    undo.setText(named("&Undo", undoName));
    redo.setText(named("&Redo", redoName));
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

namespace {

// One item of the window menu: its name for tests, its text with its mnemonic, the keys shown
// beside it (the window handles them), what it runs, and its command in Windows' system menu.
struct MenuItem {
    const char* objectName;
    const char* text;
    QKeySequence keys;
    void (*run)(BookDialog&);
    unsigned systemCommand = 0; // 0: not in the system menu
    bool separatorBefore = false;
};

const std::vector<MenuItem>& menuItems()
{
    static const std::vector<MenuItem> items = {
        {"undoAction", "&Undo", QKeySequence::Undo, [](BookDialog& w) { w.undo(); }},
        {"redoAction", "&Redo", QKeySequence(Qt::CTRL | Qt::Key_Y), [](BookDialog& w) { w.redo(); }},
        {"findAction", "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F), [](BookDialog& w) { w.openFind(); }, 0, true},
        {"importAction", kImportItemText, QKeySequence(Qt::CTRL | Qt::Key_I), importCommand, kImportCommand},
        {"exportAction", kExportItemText, QKeySequence(Qt::CTRL | Qt::Key_E), [](BookDialog& w) { exportCommand(w); },
         kExportCommand},
        {"upcomingAction", kUpcomingItemText, QKeySequence(Qt::CTRL | Qt::Key_D), openUpcomingDates, kUpcomingCommand},
        {"historyAction", kHistoryItemText, {}, openHistory, kHistoryCommand},
        {"reloadAction", kReloadItemText, {}, [](BookDialog& w) { w.reloadFromDisk(); }, kReloadCommand},
        {"duplicatesAction", kDuplicatesItemText, {}, openDuplicates, kDuplicatesCommand},
        {"syncAction", kSyncItemText, {}, syncNow, kSyncCommand, true},
        {"syncSettingsAction", kSyncSettingsItemText, {}, [](BookDialog& w) { openSyncSettings(w); }, kSyncSettingsCommand},
        {"aboutAction", kAboutItemText, {}, [](BookDialog& w) { openAboutBox(w); }, 0, true},
    };
    return items;
}

} // namespace

void installWindowChrome(BookDialog& window)
{
    // The large and the small icon: the window system picks the image that fits.
    window.setWindowIcon(applicationIcon());

    auto* menu = new QMenu(&window);
    menu->setObjectName(QLatin1String(kAboutMenuName));
    for (const MenuItem& item : menuItems()) {
        if (item.separatorBefore)
            menu->addSeparator();
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        action->setObjectName(QLatin1String(item.objectName));
        QObject::connect(action, &QAction::triggered, &window, [&window, run = item.run] { run(window); });
        if (!item.keys.isEmpty()) {
            // Shown beside the item; the window takes the keys from any of its controls. Undo
            // and Redo have keys of their own, which let a field undo its typing first.
            action->setShortcut(item.keys);
            action->setShortcutContext(Qt::WidgetShortcut);
            const bool ownKeys = action->objectName() == QLatin1String("undoAction")
                              || action->objectName() == QLatin1String("redoAction")
                              || action->objectName() == QLatin1String("findAction");
            if (!ownKeys) {
                auto* shortcut = new QShortcut(item.keys, &window);
                QObject::connect(shortcut, &QShortcut::activated, action, &QAction::trigger);
            }
        }
#ifdef Q_OS_WIN
        if (action->objectName() == QLatin1String("aboutAction"))
            addToSystemMenu(window, action);
        else if (item.systemCommand != 0)
            addActionToSystemMenu(window, action, item.systemCommand);
#endif
    }
    // Undo and Redo name the change they act on, as the list stands when the menu opens.
    QAction* undo = menu->findChild<QAction*>(QStringLiteral("undoAction"));
    QAction* redo = menu->findChild<QAction*>(QStringLiteral("redoAction"));
    QObject::connect(menu, &QMenu::aboutToShow, &window, [&window, undo, redo] { nameUndoActions(window, *undo, *redo); });
    // A right click anywhere, Shift+F10 and the Menu key open it; a text field's own menu holds it.
    reachWindowMenu(window, *menu);
}

} // namespace qor
