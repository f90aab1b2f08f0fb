#include "ui/brisolt_backup.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace brisolt
{

namespace
{

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfrmBackup::TfrmBackup(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmBackup"));
    setWindowTitle(QStringLiteral("Backup Trackerauswahl"));
    setModal(false);

    lstBackup = new QListWidget(this);
    lstBackup->setObjectName(QStringLiteral("lstBackup"));
    lstBackup->setSelectionMode(QAbstractItemView::SingleSelection);
    lstBackup->setAccessibleName(QStringLiteral("Backup Tracker"));
    btnUp = NewButton(this, "btnUp", QStringLiteral("Auf"));
    btnDown = NewButton(this, "btnDown", QStringLiteral("Ab"));
    btnRemove = NewButton(this, "btnRemove", QString::fromUtf8("Entferne ausgewählten"));
    btnAdd = NewButton(this, "btnAdd", QString::fromUtf8("Hinzufügen:"));
    cmbTrackers = new QComboBox(this);
    cmbTrackers->setObjectName(QStringLiteral("cmbTrackers"));
    cmbTrackers->setEditable(false);
    cmbTrackers->setAccessibleName(QStringLiteral("Tracker"));
    lblNote = new QLabel(
        QStringLiteral(
            "This is a preliminary implementation of multi-tracker support.  Only burst! RC5 and Kestor's S-5.5 "
            "clients currently support them.  Trackers from above will be tried in the order they are listed if the "
            "main tracker fails."),
        this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);
    btnOk = NewButton(this, "btnOk", QStringLiteral("OK"));
    btnOk->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(lstBackup, 0, 0, 3, 3);
    layout->addWidget(btnUp, 0, 3);
    layout->addWidget(btnDown, 1, 3);
    layout->setRowStretch(2, 1);
    layout->addWidget(btnRemove, 3, 0);
    layout->addWidget(btnAdd, 3, 1);
    layout->addWidget(cmbTrackers, 3, 2);
    layout->addWidget(lblNote, 4, 0, 1, 3);
    layout->addWidget(btnOk, 4, 3, Qt::AlignBottom);
    layout->setColumnStretch(2, 1);
    resize(478, 204);
}

void TfrmBackup::reject()
{
    btnOk->click();
}

void TfrmBackup::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

} // namespace brisolt
