#pragma once

#include <QColor>
#include <QWidget>

class QLabel;
class QToolButton;

// In-place colour editor: a swatch, the colour as text and a "..." button
// that opens the colour chooser (alpha included).
class ColorEditWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ColorEditWidget(QWidget* parent = nullptr);

    QColor value() const { return m_color; }
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void setValue(const QColor& value);

signals:
    void valueChanged(const QColor& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void buttonClicked();

private:
    void showValue();

    QColor m_color;
    QLabel* m_pixmapLabel;
    QLabel* m_label;
    QToolButton* m_button;
};
