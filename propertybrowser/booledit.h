#pragma once

#include <QWidget>

class QCheckBox;

// In-place editor of a boolean row: a check box titled "True"/"False".
// A left press anywhere in the cell toggles it, so the whole cell is the
// click target; `clicked` tells a user's click apart from a programmatic
// state change, which only emits `toggled`.
class BoolEdit : public QWidget
{
    Q_OBJECT
public:
    explicit BoolEdit(QWidget* parent = nullptr);

    bool textVisible() const { return m_textVisible; }
    void setTextVisible(bool visible);

    Qt::CheckState checkState() const;
    void setCheckState(Qt::CheckState state);

    bool isChecked() const;
    void setChecked(bool checked);

    // Returns the former blocking state of the inner check box.
    bool setCheckBoxSignalsBlocked(bool block);

signals:
    void toggled(bool checked);
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateText();

    QCheckBox* m_checkBox;
    bool m_textVisible = true;
};
