#include "ui/about.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace brisolt
{

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));

    ScrollingCredits1 = new QWidget(this);
    ScrollingCredits1->setObjectName(QStringLiteral("ScrollingCredits1"));
    ScrollingCredits1->setFixedSize(572, 400);
    ScrollingCredits1->setAutoFillBackground(true);
    QPalette black = ScrollingCredits1->palette();
    black.setColor(QPalette::Window, Qt::black);
    ScrollingCredits1->setPalette(black);
    btnClose = new QPushButton(QString::fromUtf8("Schließen"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);

    auto* buttonArea = new QWidget(this);
    buttonArea->setFixedSize(572, 39);
    auto* buttons = new QHBoxLayout(buttonArea);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ScrollingCredits1);
    layout->addWidget(buttonArea);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAbout::reject()
{
    btnClose->click();
}

void TfrmAbout::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

} // namespace brisolt
