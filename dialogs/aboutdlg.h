#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class AboutDlg;
}

// The About box: the program's name with the running version and the
// maker's web and mail links.
class AboutDlg : public QDialog
{
    Q_OBJECT
public:
    static const QString Website;
    static const QString Email;

    explicit AboutDlg(QWidget* parent = nullptr);
    ~AboutDlg() override;

public slots:
    void openLink(QString url);

private:
    Ui::AboutDlg* ui;
};
