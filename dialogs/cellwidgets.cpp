#include "cellwidgets.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace {

QWidget* centredCell(QWidget* parent, QWidget* content)
{
    auto* cell = new QWidget(parent);
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setAlignment(Qt::AlignCenter);
    layout->addWidget(content);
    return cell;
}

} // namespace

QWidget* createCheckBoxCell(bool on, QWidget* parent, std::function<void(bool)> onClicked)
{
    auto* box = new QCheckBox;
    box->setChecked(on);
    QWidget* cell = centredCell(parent, box);
    if (onClicked)
        QObject::connect(box, &QCheckBox::clicked, parent ? static_cast<QObject*>(parent) : box, std::move(onClicked));
    return cell;
}

QWidget* createEditIconCell()
{
    auto* label = new QLabel;
    label->setScaledContents(true);
    label->setPixmap(QPixmap(QStringLiteral(":/icons/blobEdit.png")));
    return centredCell(nullptr, label);
}
