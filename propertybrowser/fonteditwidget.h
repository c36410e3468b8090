#pragma once

#include <QFont>
#include <QWidget>

class QLabel;
class QToolButton;

// In-place font editor: a sample, the font as text and a "..." button that
// opens the font chooser. Only the attributes that the user actually
// changed in the chooser are taken over into the held font.
class FontEditWidget : public QWidget
{
    Q_OBJECT
public:
    explicit FontEditWidget(QWidget* parent = nullptr);

    QFont value() const { return m_font; }
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void setValue(const QFont& value);

signals:
    void valueChanged(const QFont& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void buttonClicked();

private:
    void showValue();

    QFont m_font;
    QLabel* m_pixmapLabel;
    QLabel* m_label;
    QToolButton* m_button;
};
