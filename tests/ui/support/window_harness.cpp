#include "window_harness.h"

#include "contact_list_view.h"
#include "contact_table.h"
#include "field_table.h"
#include "input_limits.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <sstream>

namespace qor::test {

WindowHarness::WindowHarness(const std::string& bookBytes, bool withBook)
    : m_counts(std::make_shared<RecordingMessages::Counts>())
{
    if (withBook || !bookBytes.empty())
        writeBook(bookBytes);
    m_window = std::make_unique<BookDialog>(bookPath(), std::make_unique<RecordingMessages>(m_counts));
}

std::string WindowHarness::bookPath() const { return m_dir.filePath(QStringLiteral("qor.qor")).toStdString(); }

void WindowHarness::reopen()
{
    m_window.reset();
    m_window = std::make_unique<BookDialog>(bookPath(), std::make_unique<RecordingMessages>(m_counts));
}

std::unique_ptr<BookDialog> WindowHarness::secondWindow(std::shared_ptr<RecordingMessages::Counts> counts) const
{
    return std::make_unique<BookDialog>(bookPath(), std::make_unique<RecordingMessages>(std::move(counts)));
}

std::string WindowHarness::readBook() const
{
    std::ifstream in(bookPath(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WindowHarness::writeBook(const std::string& bytes) const
{
    std::ofstream out(bookPath(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

QLineEdit* WindowHarness::edit(ContactField field)
{
    return qobject_cast<QLineEdit*>(m_window->control(fieldInfo(field).controlId));
}

QComboBox* WindowHarness::combo(ContactField field)
{
    return qobject_cast<QComboBox*>(m_window->control(fieldInfo(field).controlId));
}

QString WindowHarness::shown(ContactField field)
{
    if (fieldInfo(field).kind == ControlKind::Combo)
        return combo(field)->currentText();
    return edit(field)->text();
}

void WindowHarness::put(ContactField field, const QString& text)
{
    QLineEdit* line = fieldInfo(field).kind == ControlKind::Combo ? combo(field)->lineEdit() : edit(field);
    setTextUnlimited(line, text);
}

void WindowHarness::show()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void WindowHarness::clickButton(int id)
{
    auto* button = qobject_cast<QPushButton*>(m_window->control(id));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

void WindowHarness::clickRow(int row)
{
    ContactListView& list = m_window->list();
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
}

void whenABoxOpens(std::function<void(QMessageBox& box)> answer)
{
    auto* watch = new QTimer(qApp);
    QObject::connect(watch, &QTimer::timeout, watch, [watch, answer = std::move(answer)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        watch->deleteLater();
        watch->stop();
        answer(*box);
        if (box->isVisible())
            box->reject();
    });
    watch->start(10);
}

QStringList besideTheBook(const WindowHarness& h)
{
    QStringList names = QDir(h.folder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QStringLiteral("qor.qor"));
    names.removeAll(QStringLiteral("qor.qor.lock"));
    names.removeAll(QStringLiteral("qor.qor.history")); // every save's own, told of apart
    return names;
}

std::string readFile(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

QStringList listedSurnames(BookDialog& window)
{
    QStringList surnames;
    for (int row = 0; row < window.table().rowCount(); ++row)
        surnames << QString::fromStdString(window.table().record(row)[ContactField::SURNAME]);
    return surnames;
}

std::string oneRecordBook(const std::string& surname, const std::string& hair)
{
    std::string text = "CREATOR=QOR 1.0\r\n";
    for (const FieldInfo& info : fieldTable()) {
        const std::string value = info.field == ContactField::SURNAME ? surname
                                : info.field == ContactField::HAIR  ? hair
                                                                    : "";
        text += std::string(info.key) + "=" + value + "\r\n";
    }
    return text;
}

} // namespace qor::test
