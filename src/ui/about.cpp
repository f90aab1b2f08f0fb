#include "ui/about.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/credits.h"
#include "ui/jpegdecode.h"

namespace brisolt
{

QStringList OrlCreditLines()
{
    const QString site = QStringLiteral("<s12><b><u>");
    return {
        QString(),
        QString(),
        QString(),
        QStringLiteral("<s20><b>Orl"),
        QString(),
        QString::fromUtf8("Besucht die Orl-Gemeinschaft und ihre Freunde im Netz:"),
        QString(),
        site + QLatin1String(kZinSiteUrl),
        QString(),
        site + QLatin1String(kOrlSiteUrl),
        QString(),
        QString(),
        site + QLatin1String(kOrlTrackerUrl),
        QString(),
        QString(),
        QString::fromUtf8("Die Orl Edition schrieb das Brisolt-Team für die Orl-Gemeinschaft"),
        QString(),
        QString(),
        QString(),
        QStringLiteral("<s10><b><c$0000ff88>Beruht auf Brisolt von den Brisolt-Entwicklern"),
        QString(),
        QStringLiteral("<u>") + QLatin1String(kHomepageUrl),
        QString(),
        QStringLiteral("<b><u>TScrollingCredits von den Brisolt-Entwicklern"),
        QString(),
    };
}

void SetUpOrlCredits(TScrollingCredits& credits)
{
    credits.SetFont(QFont(QStringLiteral("Tahoma"), 8));
    credits.SetFontColor(Qt::white);
    credits.SetColor(Qt::black);
    credits.SetBorderColor(Qt::white);
    credits.SetShowBorder(false);
    credits.SetScrollInterval(10);
    credits.SetScrollSteps(1);
    // A picture that does not decode leaves the black background.
    credits.SetBackgroundImage(LoadJpegFile(QStringLiteral(":/brisolt/credits.jpg")));
    credits.SetBackgr_Stretch(true);
}

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));

    ScrollingCredits1 = new TScrollingCredits(this);
    ScrollingCredits1->setObjectName(QStringLiteral("ScrollingCredits1"));
    ScrollingCredits1->setFixedSize(572, 400);
    SetUpOrlCredits(*ScrollingCredits1);
    ScrollingCredits1->SetLines(OrlCreditLines());
    btnClose = new QPushButton(QString::fromUtf8("&Schließen"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &TfrmAbout::btnCloseClick);

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

void TfrmAbout::ShowScrolling(const QString& title)
{
    setWindowTitle(title);
    show();
    raise();
    activateWindow();
    ScrollingCredits1->SetScrolling(true);
}

void TfrmAbout::btnCloseClick()
{
    hide();
    ScrollingCredits1->SetScrolling(false);
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
