#include "about_dialog.h"

#include "control_ids.h"
#include "dialog_font.h"
#include "dialog_template.h"
#include "window_chrome.h"

#include <QLabel>
#include <QPushButton>

namespace qor {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About QOR"));
    setFont(dialogFont(style()));
    const DialogUnits units(fontMetrics());
    setFixedSize(units.size(kAboutDialogWidth, kAboutDialogHeight));

    for (const DialogControl& c : aboutDialogTemplate()) {
        const QString text = QString::fromUtf8(c.text);
        QWidget* widget = nullptr;
        if (c.type == ControlType::Button || c.type == ControlType::DefaultButton) {
            auto* button = new QPushButton(text, this);
            button->setDefault(c.type == ControlType::DefaultButton);
            if (c.id == kOkButton)
                connect(button, &QPushButton::clicked, this, &QDialog::accept);
            widget = button;
        } else {
            auto* label = new QLabel(this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (text == QLatin1String(kApplicationIconName)) {
                label->setPixmap(applicationIcon().pixmap(32, 32));
            } else {
                label->setTextFormat(Qt::PlainText);
                label->setText(text);
            }
            widget = label;
        }
        widget->setGeometry(units.rect(c.x, c.y, c.width, c.height));
        // A static icon takes the icon's own size, drawn from the control's corner.
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->pixmap().isNull())
            label->resize(label->size().expandedTo(label->pixmap().deviceIndependentSize().toSize()));
        if (c.id >= 0)
            widget->setObjectName(QString::number(c.id));
        m_controls.append(widget);
    }
}

} // namespace qor
