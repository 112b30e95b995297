#include "book_dialog.h"

#include "combo_entries.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "control_labels.h"
#include "control_ids.h"
#include "default_button_style.h"
#include "dialog_font.h"
#include "dialog_template.h"
#include "field_table.h"
#include "input_limits.h"
#include "text_width.h"
#include "user_messages.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace qor {

namespace {
// How far a second window on a book opens right of and below the first, in dialog units: a
// line of the form, so the first one's title shows above it.
constexpr int kCascadeStep = 14;
} // namespace

BookDialog::BookDialog(std::filesystem::path bookPath, std::unique_ptr<UserMessages> messages, ChromeStep chrome)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_session(std::make_unique<BookSession>(std::move(bookPath))),
      formRecord(m_session->form),
      m_messages(messages ? std::move(messages) : std::make_unique<UserMessages>()),
      m_chrome(std::move(chrome))
{
    setWindowTitle(QStringLiteral("QOR"));
    buildFromTemplate();
    buildFindBar();
    buildStatusLine();
    wireCommands();
    buildUndoKeys();
    initialise();
}

BookDialog::~BookDialog()
{
    // The list view (with its filter) reads the table and the session's mark, and the table
    // observes the session's store, leaving it in its destructor. As children they would go
    // only in ~QObject, after the session: they go first, the view before the table.
    delete m_list;
    m_list = nullptr;
    delete m_table;
    m_table = nullptr;
}

void BookDialog::buildFromTemplate()
{
    // The template's font; every control inherits it.
    setFont(dialogFont(style()));
    const DialogUnits units(fontMetrics());
    setFixedSize(units.size(kBookDialogWidth, kBookDialogHeight));

    std::vector<QWidget*> widgets;
    for (const DialogControl& c : bookDialogTemplate()) {
        QWidget* widget = nullptr;
        QRect geometry = units.rect(c.x, c.y, c.width, c.height);
        switch (c.type) {
        case ControlType::Edit: {
            auto* edit = new QLineEdit(this);
            limitToFieldLength(edit);
            widget = edit;
            break;
        }
        case ControlType::Combo:
        case ControlType::SortedCombo: {
            auto* combo = new QComboBox(this);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
            combo->setDuplicatesEnabled(true);
            const int rowHeight = combo->fontMetrics().height() + 2;
            const int dropped = units.y(c.height - kClosedComboHeight);
            combo->setMaxVisibleItems(std::max(1, dropped / rowHeight));
            geometry.setHeight(units.y(kClosedComboHeight));
            widget = combo;
            break;
        }
        case ControlType::ListView: {
            m_list = new ContactListView(this);
            m_table = new ContactTable(m_session->store(), this);
            m_list->setContactTable(m_table, &m_session->mark());
            widget = m_list;
            break;
        }
        case ControlType::Button:
        case ControlType::DefaultButton: {
            auto* button = new QPushButton(QString::fromUtf8(c.text), this);
            button->setDefault(c.type == ControlType::DefaultButton);
            widget = button;
            break;
        }
        case ControlType::Label: {
            auto* label = new QLabel(QString::fromUtf8(c.text), this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        }
        widget->setGeometry(geometry);
        widgets.push_back(widget);
        if (c.id >= 0) {
            widget->setObjectName(QString::number(c.id));
            m_controls.insert(c.id, widget);
        }
    }
    // Made after the buttons, so that as the window's child it outlives them.
    auto* buttonStyle = new DefaultButtonStyle;
    buttonStyle->setParent(this);
    for (QPushButton* button : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        button->setStyle(buttonStyle);
    // Controls were created in tab order, which is the order Tab walks them.
    nameFormControls(bookDialogTemplate(), widgets);
    m_list->setAccessibleName(QStringLiteral("Contacts"));

    // The cells' text margins, as the list's item delegate draws them: a text as wide as the
    // cell between them is drawn whole.
    const int textMargin = m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1;
    m_meter = std::make_unique<TextWidthMeter>(m_list->font(), 2 * textMargin);
    m_session->store().setMeasure([meter = m_meter.get()](std::string_view text) { return (*meter)(text); });
}

void BookDialog::initialise()
{
    // The framework's step: the combo boxes receive their entries and the empty form is shown.
    for (const FieldInfo& info : fieldTable()) {
        if (info.kind != ControlKind::Combo)
            continue;
        QComboBox* combo = comboFor(info.field);
        for (const std::string& entry : comboEntriesInListOrder(info.controlId))
            combo->addItem(QString::fromStdString(entry));
        limitToVisibleWidth(combo->lineEdit());
    }
    showForm();
    insertColumns();
    readForm();
    showForm();
    lockBook();
    if (m_quitAtStart) {
        m_ended = true; // nothing is read, and nothing is written
        return;
    }
    loadBook();
    m_loaded = true;
    if (m_chrome)
        m_chrome(*this);
    control(kSurnameEdit)->setFocus();
}

void BookDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_endPending)
        QTimer::singleShot(0, this, &BookDialog::endUnattended);
    if (m_centred)
        return;
    m_centred = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        // Where the first window on the book opened, the second would hide it; one process
        // does not know where another's window is, so the second steps aside from the centre.
        if (m_openedElsewhere) {
            const int step = DialogUnits(fontMetrics()).y(kCascadeStep);
            frame.translate(step, step);
        }
        move(frame.topLeft());
    }
    control(kSurnameEdit)->setFocus();
}

QLineEdit* BookDialog::editFor(ContactField field) const
{
    return qobject_cast<QLineEdit*>(control(fieldInfo(field).controlId));
}

QComboBox* BookDialog::comboFor(ContactField field) const
{
    return qobject_cast<QComboBox*>(control(fieldInfo(field).controlId));
}

int BookDialog::columnWidthFor(int column) const
{
    return std::max(m_table->contentWidth(column), m_list->headingWidth(column));
}

} // namespace qor
