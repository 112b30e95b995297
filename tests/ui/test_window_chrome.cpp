// The window chrome: the application icon, the About item and the About box it opens.
#include "about_dialog.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "dialog_template.h"
#include "history_dialog.h"
#include "upcoming_dialog.h"
#include "window_chrome.h"
#include "window_harness.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

QLabel* iconLabel(const AboutDialog& about)
{
    auto* label = qobject_cast<QLabel*>(about.controls().value(0));
    return label && !label->pixmap().isNull() ? label : nullptr;
}

QStringList labelTexts(const QWidget& dialog)
{
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

// A point of the window's background, where no control is.
QPoint emptySpot(const QWidget& window)
{
    for (int y = window.height() - 2; y > 0; y -= 3)
        for (int x = window.width() - 2; x > 0; x -= 3)
            if (!window.childAt(x, y))
                return {x, y};
    return {};
}

void sendContextMenu(QWidget* target, QPoint pos)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, target->mapToGlobal(pos));
    QApplication::sendEvent(target, &event);
}

} // namespace

class WindowChromeTest : public QObject {
    Q_OBJECT
private slots:
    void aboutBox_isLaidOutFromItsTemplateInDialogUnits()
    {
        AboutDialog about;
        const DialogUnits units(about.fontMetrics());
        QCOMPARE(about.windowTitle(), QStringLiteral("About QOR"));
        QCOMPARE(about.size(), units.size(kAboutDialogWidth, kAboutDialogHeight));
        QCOMPARE(about.minimumSize(), about.maximumSize());

        const auto layout = aboutDialogTemplate();
        QCOMPARE(about.controls().size(), qsizetype(layout.size()));
        for (std::size_t i = 0; i < layout.size(); ++i) {
            const DialogControl& c = layout[i];
            const QRect placed = units.rect(c.x, c.y, c.width, c.height);
            QWidget* control = about.controls()[qsizetype(i)];
            QCOMPARE(control->pos(), placed.topLeft());
            if (control != iconLabel(about))
                QCOMPARE(control->size(), placed.size());
        }

        // The icon control takes the icon's size, whatever the font makes of its 20 x 20 units.
        QVERIFY(iconLabel(about));
        QCOMPARE(iconLabel(about)->pixmap().size(), QSize(32, 32));
        QVERIFY(iconLabel(about)->width() >= 32 && iconLabel(about)->height() >= 32);
        for (QLabel* label : about.findChildren<QLabel*>())
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
        const QStringList texts = labelTexts(about);
        QVERIFY(texts.contains(QStringLiteral("QOR Version 1.0")));
        QVERIFY(!texts.contains(QString::fromUtf8(kApplicationIconName))); // a picture, not text
        for (QLabel* label : about.findChildren<QLabel*>())
            if (label->pixmap().isNull())
                QCOMPARE(label->textFormat(), Qt::PlainText);
        auto* ok = about.findChild<QPushButton*>(QStringLiteral("1"));
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
    }

    void aboutBox_closesWithOkEnterAndEscape_data()
    {
        QTest::addColumn<int>("key"); // 0: click OK
        QTest::addColumn<int>("result");
        QTest::newRow("OK") << 0 << int(QDialog::Accepted);
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void aboutBox_closesWithOkEnterAndEscape()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        AboutDialog about;
        about.setResult(-1);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        if (key == 0)
            QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        else
            QTest::keyClick(&about, Qt::Key(key));
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), result);
    }

    void menu_offersImportAndExportBeforeAbout()
    {
        WindowHarness h;
        installWindowChrome(h.window());
        QMenu* menu = aboutMenuFor(&h.window());
        QVERIFY(menu);
        auto* import = menu->findChild<QAction*>(QStringLiteral("importAction"));
        auto* exportItem = menu->findChild<QAction*>(QStringLiteral("exportAction"));
        QVERIFY(import && exportItem);
        QCOMPARE(import->text(), QStringLiteral("&Import..."));
        QCOMPARE(exportItem->text(), QStringLiteral("&Export..."));
        QVERIFY(menu->actions().indexOf(import) < menu->actions().indexOf(menu->findChild<QAction*>(QStringLiteral("aboutAction"))));
        QVERIFY(menu->actions().indexOf(exportItem) == menu->actions().indexOf(import) + 1);
    }

    void chrome_setsTheApplicationIconOnTheWindow()
    {
        WindowHarness h;
        installWindowChrome(h.window());
        h.show();
        const QIcon icon = h.window().windowHandle()->icon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (int size : {16, 32, 256})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
    }

    void aboutItem_opensTheAboutBoxModallyAndLeavesTheWindowAsItWas()
    {
        WindowHarness h(emptyRecordBook(2));
        installWindowChrome(h.window());
        h.show();
        h.put(F::SURNAME, QStringLiteral("Smith"));
        const int rows = h.window().table().rowCount();

        QMenu* menu = aboutMenuFor(&h.window());
        QVERIFY(menu);
        QAction* about = menu->findChild<QAction*>(QStringLiteral("aboutAction"));
        QVERIFY(about);
        QCOMPARE(menu->actions().last(), about);
        QCOMPARE(about->text(), QStringLiteral("&About QOR..."));

        // The box is modal: look at it from inside its own event loop, then close it.
        QString title;
        QStringList texts;
        bool hasIcon = false, okIsDefault = false, wasModal = false;
        QTimer::singleShot(0, &h.window(), [&] {
            auto* box = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
            if (!box)
                return;
            wasModal = box->isModal();
            title = box->windowTitle();
            texts = labelTexts(*box);
            hasIcon = iconLabel(*box) != nullptr;
            auto* ok = box->findChild<QPushButton*>(QStringLiteral("1"));
            okIsDefault = ok && ok->isDefault();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        about->trigger();

        QVERIFY(wasModal);
        QCOMPARE(title, QStringLiteral("About QOR"));
        QVERIFY(texts.contains(QStringLiteral("QOR Version 1.0")));
        QVERIFY(hasIcon);
        QVERIFY(okIsDefault);

        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(h.window().isVisible());
        QCOMPARE(h.shown(F::SURNAME), QStringLiteral("Smith"));
        QCOMPARE(h.window().table().rowCount(), rows);
        QCOMPARE(h.counts().saveFailed + h.counts().closeQuestions + h.counts().fieldTooLong, 0);
    }

    void upcomingItem_opensTheUpcomingDatesModallyAndLeavesTheWindowAsItWas()
    {
        WindowHarness h(emptyRecordBook(2));
        installWindowChrome(h.window());
        h.show();
        h.put(F::SURNAME, QStringLiteral("Smith"));
        const std::string book = h.readBook();

        QMenu* menu = aboutMenuFor(&h.window());
        QVERIFY(menu);
        QAction* upcoming = menu->findChild<QAction*>(QStringLiteral("upcomingAction"));
        QVERIFY(upcoming);
        QCOMPARE(upcoming->text(), QStringLiteral("Upcoming &dates..."));
        QCOMPARE(menu->actions().indexOf(upcoming),
                 menu->actions().indexOf(menu->findChild<QAction*>(QStringLiteral("exportAction"))) + 1);

        QString title;
        bool wasModal = false, hasList = false;
        QTimer::singleShot(0, &h.window(), [&] {
            auto* dialog = qobject_cast<UpcomingDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            wasModal = dialog->isModal();
            title = dialog->windowTitle();
            hasList = dialog->dateList().columnCount() == 4;
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        upcoming->trigger();

        QVERIFY(wasModal);
        QCOMPARE(title, QStringLiteral("Upcoming dates"));
        QVERIFY(hasList);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(h.shown(F::SURNAME), QStringLiteral("Smith"));
        QCOMPARE(h.window().table().rowCount(), 2);
        QCOMPARE(h.readBook(), book); // looking is not saving
        QCOMPARE(h.counts().saveFailed + h.counts().closeQuestions + h.counts().fieldTooLong, 0);
    }

    void historyAndReloadItems_followUpcomingDatesAndHistoryOpensModallyOnItsStates()
    {
        WindowHarness h(emptyRecordBook(2));
        installWindowChrome(h.window());
        h.show();
        QMenu* menu = aboutMenuFor(&h.window());
        QVERIFY(menu);
        auto* upcoming = menu->findChild<QAction*>(QStringLiteral("upcomingAction"));
        auto* history = menu->findChild<QAction*>(QStringLiteral("historyAction"));
        auto* reload = menu->findChild<QAction*>(QStringLiteral("reloadAction"));
        QVERIFY(upcoming && history && reload);
        QCOMPARE(history->text(), QStringLiteral("&History..."));
        QCOMPARE(reload->text(), QStringLiteral("Re&load from disk"));
        QCOMPARE(menu->actions().indexOf(history), menu->actions().indexOf(upcoming) + 1);
        QCOMPARE(menu->actions().indexOf(reload), menu->actions().indexOf(history) + 1);

        bool statesFocused = false;
        QTimer::singleShot(0, &h.window(), [&] {
            auto* dialog = qobject_cast<HistoryDialog*>(QApplication::activeModalWidget());
            statesFocused = dialog && dialog->focusWidget() == &dialog->stateList(); // once it is active
            if (dialog)
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
        history->trigger();
        QVERIFY(statesFocused);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void findItem_opensTheFindFieldWithTheFocus()
    {
        WindowHarness h(bookOf({"A"}));
        installWindowChrome(h.window());
        h.show();
        QMenu* menu = aboutMenuFor(&h.window());
        QVERIFY(menu);
        auto* find = menu->findChild<QAction*>(QStringLiteral("findAction"));
        QVERIFY(find);
        QCOMPARE(find->text(), QStringLiteral("&Find..."));
        find->trigger();
        QVERIFY(h.window().findField()->isVisible());
        QCOMPARE(QApplication::focusWidget(), h.window().findField());
    }

    void windowMenu_opensFromEveryControlByRightClickShiftF10AndTheMenuKey()
    {
        WindowHarness h(bookOf({"A", "B"}));
        installWindowChrome(h.window());
        h.show();
        BookDialog& w = h.window();
        QMenu* menu = aboutMenuFor(&w);
        QVERIFY(menu);
        const auto opened = [menu] {
            const bool visible = menu->isVisible();
            menu->hide();
            return visible;
        };

        // A right click on a label, the list, a button or the background: the window menu.
        for (QWidget* target : {static_cast<QWidget*>(w.findChild<QLabel*>()), w.list().viewport(),
                                w.control(kAddButton), static_cast<QWidget*>(&w)}) {
            sendContextMenu(target, target == &w ? emptySpot(w) : QPoint(2, 2));
            QVERIFY2(opened(), target->metaObject()->className());
        }
        // Shift+F10 and the Menu key from whichever control has the focus.
        w.list().setFocus();
        QTest::keyClick(&w.list(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(opened());
        w.control(kSaveButton)->setFocus();
        QTest::keyClick(w.control(kSaveButton), Qt::Key_Menu);
        QVERIFY(opened());

        // A text field keeps its own edit menu, which holds the window menu.
        QLineEdit* field = h.edit(F::SURNAME);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Menu);
        auto* own = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(own && own != menu);
        QVERIFY(own->actions().contains(menu->menuAction()));
        own->close();

        // Every item has a mnemonic, and the commands' keys are shown beside them.
        for (QAction* action : menu->actions())
            QVERIFY2(action->isSeparator() || action->text().contains(QLatin1Char('&')), qPrintable(action->text()));
        const auto keysOf = [menu](const char* name) {
            return menu->findChild<QAction*>(QLatin1String(name))->shortcut().toString();
        };
        QCOMPARE(keysOf("importAction"), QStringLiteral("Ctrl+I"));
        QCOMPARE(keysOf("exportAction"), QStringLiteral("Ctrl+E"));
        QCOMPARE(keysOf("upcomingAction"), QStringLiteral("Ctrl+D"));
        QCOMPARE(keysOf("findAction"), QStringLiteral("Ctrl+F"));
        // Ctrl+D from a field of the form opens the upcoming dates.
        bool upcomingOpened = false;
        QTimer::singleShot(0, &w, [&] {
            auto* dialog = qobject_cast<UpcomingDialog*>(QApplication::activeModalWidget());
            upcomingOpened = dialog != nullptr;
            if (dialog)
                dialog->reject();
        });
        QTest::keyClick(field, Qt::Key_D, Qt::ControlModifier);
        QVERIFY(upcomingOpened);
    }
};

QTEST_MAIN(WindowChromeTest)
#include "test_window_chrome.moc"
