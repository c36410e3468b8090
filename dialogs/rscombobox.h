#pragma once

#include <QComboBox>

// A combo box that says when its list has been hidden.
class RSComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit RSComboBox(QWidget* parent = nullptr);

    void hidePopup() override;

signals:
    void popupHidden();
};
