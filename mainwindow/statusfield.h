#pragma once

#include <QLabel>

// A field of the status bar: it shows what fits of its text, cut with "…",
// and the whole text as its tool tip while cut. It asks for the room of its
// text and gives way down to its "…": the fields stand side by side, and
// however long a message, the field never widens the window. Only what a
// screen can show of a text is measured or laid out.
class StatusField : public QLabel
{
    Q_OBJECT
public:
    explicit StatusField(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect textRect() const;
    // The field's size around a text `textWidth` wide.
    QSize sizeAround(int textWidth) const;
    // The start of the text that a line `width` wide can show.
    QString textFitting(int width) const;
    bool isCut() const;
};
