#pragma once

#include <QKeySequence>
#include <QWidget>

class QLineEdit;
class QKeyEvent;

// In-place editor that records a keyboard shortcut of up to four key
// presses. While it has the focus it swallows shortcuts, so every key
// combination reaches the recorder instead of firing an application action.
class KeySequenceEdit : public QWidget
{
    Q_OBJECT
public:
    explicit KeySequenceEdit(QWidget* parent = nullptr);

    QKeySequence keySequence() const { return m_keySequence; }
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void setKeySequence(const QKeySequence& sequence);
    void slotClearShortcut();

signals:
    void keySequenceChanged(const QKeySequence& sequence);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void appendKeyPress(QKeyEvent* event);
    int shortcutModifiers(QKeyEvent* event) const;
    void showContextMenu(const QPoint& globalPos);

    int m_nextKeyIndex = 0;
    QKeySequence m_keySequence;
    QLineEdit* m_lineEdit;
};
