#pragma once

#include "abstractpropertymanager.h"

#include <QRegExp>

class StringPropertyManagerPrivate;

// Text values, filtered by a regular expression, shown with an echo mode.
class StringPropertyManager : public AbstractPropertyManager
{
    Q_OBJECT
public:
    struct Data
    {
        QString val;
        QRegExp regExp{QStringLiteral("*"), Qt::CaseSensitive, QRegExp::Wildcard};
        int echoMode = QLineEdit::Normal;
        bool readOnly = false;
    };

    explicit StringPropertyManager(QObject *parent = nullptr);
    ~StringPropertyManager() override;

    QString value(const Property *property) const;
    QRegExp regExp(const Property *property) const;
    QLineEdit::EchoMode echoMode(const Property *property) const override;
    bool isReadOnly(const Property *property) const;

    QString valueText(const Property *property) const override;
    QString displayText(const Property *property) const override;

public slots:
    void setValue(Property *property, const QString &val);
    void setRegExp(Property *property, const QRegExp &regExp);
    void setEchoMode(Property *property, QLineEdit::EchoMode echoMode);
    void setReadOnly(Property *property, bool readOnly);

signals:
    void valueChanged(Property *property, const QString &val);
    void regExpChanged(Property *property, const QRegExp &regExp);
    void echoModeChanged(Property *property, int echoMode);
    void readOnlyChanged(Property *property, bool readOnly);

protected:
    void initializeProperty(Property *property) override;
    void uninitializeProperty(Property *property) override;

private:
    std::unique_ptr<StringPropertyManagerPrivate> d;
};
