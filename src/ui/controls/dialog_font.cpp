#include "dialog_font.h"

#include "combo_entries.h"
#include "dialog_template.h"
#include "input_limits.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace qor {

namespace {
constexpr int kTemplatePointSize = 8;

// Windows turns a point size into pixels with MulDiv(points, dpi, 72), rounded.
int templatePixelSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return std::max(1, qRound(kTemplatePointSize * dpi / 72.0));
}

QFont templateFontAt(int pixelSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}
} // namespace

int comboTextRoom(const QStyle* style, const QFontMetrics& metrics, int width, int height)
{
    QStyleOptionComboBox option;
    option.rect = QRect(0, 0, width, height);
    option.editable = true;
    option.frame = true;
    option.fontMetrics = metrics;
    const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, nullptr);
    return field.width() - 2 * kLineEditTextMargin;
}

bool templateTextsFit(const QFont& font, const QStyle* style)
{
    const QFontMetrics metrics(font);
    const DialogUnits units(metrics);
    for (const DialogControl& c : bookDialogTemplate()) {
        const int width = units.rect(c.x, c.y, c.width, c.height).width();
        if (c.type == ControlType::Label) {
            if (metrics.horizontalAdvance(QString::fromUtf8(c.text)) > width)
                return false;
            continue;
        }
        if (c.type != ControlType::Combo && c.type != ControlType::SortedCombo)
            continue;
        const int room = comboTextRoom(style, metrics, width, units.y(kClosedComboHeight));
        for (const std::string& entry : comboEntriesInListOrder(c.id))
            if (metrics.horizontalAdvance(QString::fromStdString(entry)) > room)
                return false;
    }
    return true;
}

QFont dialogFont(const QStyle* style)
{
    const int start = templatePixelSize();
    for (int size = start; size <= 2 * start; ++size) {
        const QFont font = templateFontAt(size);
        if (templateTextsFit(font, style))
            return font;
    }
    return templateFontAt(start);
}

} // namespace qor
