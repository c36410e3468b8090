#pragma once

#include "abstractpropertymanager.h"

#include <QFont>

class BoolPropertyManager;
class EnumPropertyManager;
class IntPropertyManager;
class FontPropertyManagerPrivate;

// Fonts with "Family", "Point Size", "Bold", "Italic", "Underline",
// "Strikeout" and "Kerning" sub-properties. The family names follow the
// system's font database: changes are coalesced into one refresh per pass
// of the event loop.
class FontPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    static constexpr int BoldWeightThreshold = 57;

    explicit FontPropertyManager(QObject *parent = nullptr);
    ~FontPropertyManager() override;

    IntPropertyManager *intSubManager() const;
    EnumPropertyManager *enumSubManager() const;
    BoolPropertyManager *boolSubManager() const;

    QFont value(const Property *property) const;

    QString valueText(const Property *property) const override;
    QIcon valueIcon(const Property *property) const override;

public slots:
    void setValue(Property *property, const QFont &val);

signals:
    void valueChanged(Property *property, const QFont &val);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private slots:
    void slotIntChanged(Property *property, int value);
    void slotEnumChanged(Property *property, int value);
    void slotBoolChanged(Property *property, bool value);
    void slotPropertyDestroyed(Property *property);
    void slotFontDatabaseChanged();
    void slotFontDatabaseDelayedChange();

private:
    std::unique_ptr<FontPropertyManagerPrivate> d;
};
