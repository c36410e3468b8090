#include "aboutdlg.h"
#include "ui_aboutdlg.h"

#include "urlopener.h"

#include <QCoreApplication>

const QString AboutDlg::Website = QStringLiteral("https://www.brenik.example");
const QString AboutDlg::Email = QStringLiteral("info@brenik.example");

AboutDlg::AboutDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::AboutDlg)
{
    ui->setupUi(this);
    ui->lblWebsite->setText(QStringLiteral("Website: <a href='%1'>%1</a>").arg(Website));
    connect(ui->lblWebsite, &QLabel::linkActivated, this, &AboutDlg::openLink);
    ui->lblName->setText(QStringLiteral("Brenik-Lumetra ") + QCoreApplication::applicationVersion());
    ui->lblEmail->setText(QStringLiteral("Email: <a href='mailto:%1?subject=Hello Brenik'>%1</a>").arg(Email));
    connect(ui->lblEmail, &QLabel::linkActivated, this, &AboutDlg::openLink);
}

AboutDlg::~AboutDlg()
{
    delete ui;
}

void AboutDlg::openLink(QString url)
{
    UrlOpener::open(QUrl(url, QUrl::TolerantMode));
}
