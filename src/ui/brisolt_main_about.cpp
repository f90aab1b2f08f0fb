// The About page and the hidden page "Über Orl".
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/brisolt_main.h"
#include "ui/controls.h"

namespace brisolt
{

QWidget* TfrmBrisolt::BuildAboutPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabAbout");
    mmoAbout = MakeControl<QPlainTextEdit>(page, "mmoAbout");
    mmoAbout->setReadOnly(true);
    mmoAbout->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoAbout->setTabChangesFocus(true);
    mmoAbout->setToolTip(QStringLiteral("Versionsgeschichte zu Brisolt"));
    mmoAbout->setAccessibleName(QStringLiteral("Versionsgeschichte zu Brisolt"));
    mmoAbout->setPlainText(QLatin1String(kProgramTitle));
    lblBrisoltHP = MakeControl<QLabel>(page, "lblBrisoltHP", QStringLiteral("Brisolt"));
    btnHomepage = MakeControl<QPushButton>(page, "btnHomepage", QStringLiteral("Homepage"));
    lblOrlHP = MakeControl<QLabel>(page, "lblOrlHP", QStringLiteral("Orl"));
    btnAboutOrl = MakeControl<QPushButton>(page, "btnAboutOrl", Text("Über Orl"));
    btnOrlForum = MakeControl<QPushButton>(page, "btnOrlForum", QStringLiteral("Forum"));
    btnOrlTracker = MakeControl<QPushButton>(page, "btnOrlTracker", QStringLiteral("Tracker"));

    auto* links = new QHBoxLayout;
    links->addWidget(lblBrisoltHP);
    links->addWidget(btnHomepage);
    links->addStretch();
    links->addWidget(lblOrlHP);
    links->addWidget(btnAboutOrl);
    links->addWidget(btnOrlForum);
    links->addWidget(btnOrlTracker);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(mmoAbout, 1);
    layout->addLayout(links);
    return page;
}

QWidget* TfrmBrisolt::BuildAboutOrlPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabAboutOrl");
    new QVBoxLayout(page); // the credits control comes here
    return page;
}

} // namespace brisolt
