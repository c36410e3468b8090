#pragma once

#include <QLabel>

// A field of the status bar: it shows what fits of its text, cut with "…",
// and the whole text as its tool tip while cut. However long a message, the
// field gives way to the window and never widens it.
class StatusField : public QLabel
{
    Q_OBJECT
public:
    explicit StatusField(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect textRect() const;
    bool isCut() const;
};
