#include "default_button_style.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace qor {

void DefaultButtonStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                       const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != PE_PanelButtonCommand || !button || !button->features.testFlag(QStyleOptionButton::DefaultButton)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    QStyleOptionButton plain(*button);
    plain.features.setFlag(QStyleOptionButton::DefaultButton, false);
    QProxyStyle::drawPrimitive(element, &plain, painter, widget);
    if (!button->state.testFlag(State_Enabled))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(button->palette.color(QPalette::WindowText), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(button->rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

} // namespace qor
