// Writes a picture of the main window, open on a generated book, for the README:
//   window_screenshot OUT.png
// Run it offscreen (QT_QPA_PLATFORM=offscreen); scripts/screenshot does.
#include "book_dialog.h"
#include "book_generator.h"
#include "contact_list_view.h"
#include "user_messages.h"

#include <QApplication>
#include <QLineEdit>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>

namespace {
// A picture needs no message box: the generated book has a few comments over the form's limit.
class NoMessages : public qor::UserMessages {
public:
    void fieldTooLong(QWidget*, const QString&, std::size_t) override {}
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // --find: with find open on a query, to look at its line.
    const bool find = argc == 3 && std::strcmp(argv[2], "--find") == 0;
    if (argc != 2 && !find) {
        std::fprintf(stderr, "usage: window_screenshot OUT.png [--find]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("qor.qor"));
    QFile file(book);
    const std::string bytes = qor::generateBookBytes(40, 15);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        std::fprintf(stderr, "window_screenshot: cannot write %s\n", qPrintable(book));
        return 1;
    }
    file.close();

    qor::BookDialog window(book.toStdString(), std::make_unique<NoMessages>());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    // A contact clicked in the list, as a user would see it in the form.
    qor::ContactListView& list = window.list();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(2, 0)).center());
    if (find) {
        window.openFind();
        QTest::keyClicks(window.findField(), QStringLiteral("sm"));
    }
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "window_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
