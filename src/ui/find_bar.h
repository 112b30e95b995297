#pragma once

#include <QLineEdit>
#include <QWidget>

class QLabel;

namespace qor {

// The find field: a line edit that keeps its keys. Enter, Escape and Down would otherwise
// reach the window, where Enter is OK and Escape closes it.
class FindField : public QLineEdit {
    Q_OBJECT
public:
    explicit FindField(QWidget* parent = nullptr);

signals:
    void entered();
    void downPressed();
    void escaped();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
};

// The strip along the bottom of the window that find shows: "Find:", the field and, while a
// query is on, how many contacts it shows.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);

    FindField& field() const { return *m_field; }
    // "N of M contacts" while filtering, nothing otherwise.
    void showCounts(bool filtering, int shown, int total);
    QString countsText() const;

private:
    FindField* m_field;
    QLabel* m_counts;
};

} // namespace qor
