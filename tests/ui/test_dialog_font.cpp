// The window's font: the stand-in for its template's 8-point sans, the dialog units computed
// from it, every label and combo entry fitting its control in it, and the boxes speaking in it.
#include "dialog_font.h"
#include "dialog_template.h"
#include "field_table.h"
#include "input_limits.h"
#include "window_harness.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <functional>

using namespace qor;
using namespace qor::test;

class DialogFontTest : public QObject {
    Q_OBJECT
private slots:
    void font_isLiberationSansAndDialogUnitsComeFromItAsOnWindows()
    {
        WindowHarness h;
        BookDialog& w = h.window();
        // scripts/deps installs fonts-liberation; the window must find it at run time.
        QCOMPARE(QFontInfo(w.font()).family(), QStringLiteral("Liberation Sans"));
        QVERIFY(w.font().pixelSize() >= 11); // never below 8 points at 96 dots an inch
        // Windows: the average width of the 52 letters, rounded, and the character height.
        const QFontMetrics m(w.font());
        const int letters = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        const int baseX = (letters / 26 + 1) / 2;
        const DialogUnits windows(baseX, m.height());
        QCOMPARE(w.size(), windows.size(kBookDialogWidth, kBookDialogHeight));
        QCOMPARE(w.control(kCommentsEdit)->geometry(), windows.rect(36, 164, 229, 14));
        QVERIFY(templateTextsFit(w.font(), w.style()));
    }

    void labelsAndComboEntries_fitTheirControls()
    {
        WindowHarness h;
        h.show();
        BookDialog& w = h.window();
        int labels = 0;
        for (QLabel* label : w.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) { // the template's labels
            if (label->objectName() == QLatin1String("statusLine"))
                continue;
            ++labels;
            const int text = label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(text <= label->contentsRect().width(),
                     qPrintable(QStringLiteral("\"%1\" needs %2 px, has %3").arg(label->text()).arg(text).arg(label->width())));
            QVERIFY2(label->fontMetrics().height() <= label->height(), qPrintable(label->text()));
        }
        QCOMPARE(labels, 32);
        int combos = 0;
        for (const FieldInfo& info : fieldTable()) {
            if (info.kind != ControlKind::Combo)
                continue;
            ++combos;
            QComboBox* combo = h.combo(info.field);
            const int room = visibleTextWidth(combo->lineEdit());
            QCOMPARE(room, comboTextRoom(w.style(), combo->fontMetrics(), combo->width(), combo->height()));
            for (int i = 0; i < combo->count(); ++i) {
                const int text = combo->lineEdit()->fontMetrics().horizontalAdvance(combo->itemText(i));
                QVERIFY2(text <= room, qPrintable(QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                                                      .arg(info.controlId).arg(combo->itemText(i)).arg(text).arg(room)));
            }
        }
        QCOMPARE(combos, 14);
    }

    void boxes_areTitledQorAndSpeakInTheWindowsFont()
    {
        // The real boxes, not the harness's recorder: each is caught while it waits.
        WindowHarness h;
        h.show();
        BookDialog& w = h.window();
        UserMessages boxes;
        struct Case {
            const char* name;
            std::function<void()> open;
            const char* text; // a part of the box's text
        };
        const Case cases[] = {
            {"field too long", [&] { boxes.fieldTooLong(&w, QStringLiteral("Home street")); }, "Home street"},
            {"reload failed", [&] { boxes.reloadFailed(&w, QStringLiteral("disk gone")); }, "disk gone"},
            {"help not opened", [&] { boxes.helpNotOpened(&w, QStringLiteral("/usr/share/doc/qor/help.htm")); },
             "/usr/share/doc/qor/help.htm"},
        };
        for (const Case& c : cases) {
            bool seen = false;
            whenABoxOpens([&](QMessageBox& box) {
                seen = true;
                QCOMPARE(box.windowTitle(), QStringLiteral("QOR"));
                QCOMPARE(box.font(), w.font());
                QVERIFY(box.text().contains(QString::fromUtf8(c.text)));
                for (QLabel* label : box.findChildren<QLabel*>())
                    QCOMPARE(label->font(), w.font());
            });
            c.open();
            QVERIFY2(seen, c.name);
        }
    }

    void openElsewhereBox_opensOnEnterAndQuitsOnQuitOrEscape()
    {
        WindowHarness h;
        UserMessages boxes;
        const struct {
            Qt::Key key;
            const char* button;
            bool opens;
        } cases[] = {{Qt::Key_Return, nullptr, true}, {Qt::Key_Escape, nullptr, false}, {{}, "&Quit", false}};
        for (const auto& c : cases) {
            whenABoxOpens([&](QMessageBox& box) {
                QCOMPARE(box.buttons().size(), 2);
                QCOMPARE(box.defaultButton()->text(), QStringLiteral("&Open anyway"));
                for (QAbstractButton* button : box.buttons())
                    if (c.button && button->text() == QLatin1String(c.button))
                        button->click();
                if (!c.button)
                    QTest::keyClick(&box, c.key);
            });
            QCOMPARE(boxes.bookOpenElsewhere(&h.window()), c.opens);
        }
    }

    void templateTextsFit_refusesAFontInWhichALabelIsClipped()
    {
        // A wider sans at 8 points, such as a machine without Liberation Sans may offer, clips
        // "First Name" and "Comments:"; the size search must see that and try a larger size.
        QFont wide(QStringLiteral("DejaVu Sans"));
        wide.setPixelSize(12);
        QVERIFY(!templateTextsFit(wide, QApplication::style()));
    }
};

QTEST_MAIN(DialogFontTest)
#include "test_dialog_font.moc"
