#pragma once

#include <QWidget>

class QLineEdit;

// In-place editor of a single character: any printable key replaces the
// held character; the context menu offers "Clear Char".
class CharEdit : public QWidget
{
    Q_OBJECT
public:
    explicit CharEdit(QWidget* parent = nullptr);

    QChar value() const { return m_value; }
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void setValue(const QChar& value);
    void slotClearChar();

signals:
    void valueChanged(const QChar& value);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void handleKeyEvent(QKeyEvent* event);
    void showContextMenu(const QPoint& globalPos);
    void showValue();

    QChar m_value;
    QLineEdit* m_lineEdit;
};
