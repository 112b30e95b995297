#pragma once

#include <QDialog>
#include <QList>

namespace qor {

// The About box: the application icon, the product and copyright lines and OK, laid out from
// the About template. OK, Enter and Escape close it.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // The controls in template order.
    const QList<QWidget*>& controls() const { return m_controls; }

private:
    QList<QWidget*> m_controls;
};

} // namespace qor
