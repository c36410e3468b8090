#pragma once

#include <QString>
#include <QWidget>

class QHBoxLayout;
class QToolButton;

// Shows a colour as a small framed box with a tool button beside it; the
// owner connects to `button` to let the user pick another colour. The
// colour lives only in the box's style sheet.
class SelectColor : public QWidget
{
    Q_OBJECT
public:
    explicit SelectColor(QWidget* parent = nullptr, const QString& color = QString());

    void setBackgroundColor(const QString& color);
    // The colour text back from the box's style sheet; only colours written
    // as "rgba(...)" read back, any other form reads back empty.
    QString getBackgroundColor() const;
    void setLayoutMargins(int left, int top, int right, int bottom);

    QToolButton* button = nullptr;

private:
    static QString styleSheetFor(const QString& color);
    QHBoxLayout* m_layout = nullptr;
};
