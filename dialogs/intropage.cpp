#include "intropage.h"

#include "dottedquad.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

IntroPage::IntroPage(QWidget* parent)
    : QWizardPage(parent)
    , m_address(new QLineEdit(this))
{
    setTitle(QStringLiteral("KX4 IP"));
    setSubTitle(tr("This wizard allows you to add for all Energizers attached to newly installed KX4"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("IP address:"), this), 0, 0);
    layout->addWidget(m_address, 0, 1);
    registerField(AddressField, m_address);
}

bool IntroPage::validatePage()
{
    if (isDottedQuad(m_address->text().trimmed()))
        return true;
    QMessageBox::warning(this, tr("Error"), tr("\"%1\" is not an IPv4 address.").arg(m_address->text()),
                         QMessageBox::Ok);
    return false;
}
