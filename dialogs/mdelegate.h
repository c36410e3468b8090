#pragma once

#include <QStyledItemDelegate>

// Shows the `active` column of the account list as words.
class mDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // 0 "Not active", 1 "Active", anything else nothing.
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};
