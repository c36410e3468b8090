#pragma once

#include <QWizardPage>

class QLineEdit;

// First page of the gateway wizard: the new gateway's IP address, kept as
// the wizard field "IPaddress". Only a dotted-quad address lets the wizard
// go on: anything else would send the gateway client to another host.
class IntroPage : public QWizardPage
{
    Q_OBJECT
public:
    static inline const QString AddressField = QStringLiteral("IPaddress");

    explicit IntroPage(QWidget* parent = nullptr);

    bool validatePage() override;

private:
    QLineEdit* m_address;
};
