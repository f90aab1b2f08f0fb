// The edit page: the torrent's fields, its files, and the interlocks of its
// check boxes.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/brisolt_main.h"
#include "ui/controls.h"

namespace brisolt
{

QWidget* TfrmBrisolt::BuildEditPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabViewTorrent");
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(BuildEditFields(page));
    layout->addWidget(BuildEditFiles(page), 1);
    btnViewSave = MakeControl<QPushButton>(page, "btnViewSave", QStringLiteral("Speichern"));
    btnViewSave->setEnabled(false);
    btnViewSaveAs = MakeControl<QPushButton>(page, "btnViewSaveAs", QStringLiteral("Speichern als"));
    btnViewSaveAs->setEnabled(false);
    auto* save = new QHBoxLayout;
    save->addStretch();
    save->addWidget(btnViewSave);
    save->addWidget(btnViewSaveAs);
    layout->addLayout(save);
    return page;
}

QLayout* TfrmBrisolt::BuildEditFields(QWidget* page)
{
    btnTorrentBrowse = MakeControl<QPushButton>(page, "btnTorrentBrowse", Text("Öffne Torrent"));
    txtTorrent = MakeControl<QLineEdit>(page, "txtTorrent");
    txtTorrent->setAccessibleName(QStringLiteral("Torrent"));
    lblTorrent = MakeControl<QLabel>(page, "lblTorrent", QStringLiteral("Torrent:"));
    lblTorrent->setVisible(false);
    lblViewAnnounceURL = MakeControl<QLabel>(page, "lblViewAnnounceURL", QStringLiteral("Announce URL:"));
    txtAnnounceURL = MakeControl<QLineEdit>(page, "txtAnnounceURL");
    lblViewAnnounceURL->setBuddy(txtAnnounceURL);
    chkViewBackup = MakeControl<QCheckBox>(page, "chkViewBackup");
    chkViewBackup->setAccessibleName(QStringLiteral("Backup"));
    btnViewBackupTrackers = MakeControl<QPushButton>(page, "btnViewBackupTrackers", QStringLiteral("Backup"));
    btnViewBackupTrackers->setEnabled(false);
    lblViewName = MakeControl<QLabel>(page, "lblViewName", QStringLiteral("Name:"));
    txtViewName = MakeControl<QLineEdit>(page, "txtViewName");
    lblViewName->setBuddy(txtViewName);
    lblViewComment = MakeControl<QLabel>(page, "lblViewComment", QStringLiteral("Kommentar:"));
    mmoViewComment = MakeControl<QPlainTextEdit>(page, "mmoViewComment");
    mmoViewComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoViewComment->setTabChangesFocus(true);
    mmoViewComment->setMinimumHeight(mmoViewComment->fontMetrics().lineSpacing() * 3);
    lblViewComment->setBuddy(mmoViewComment);
    lblViewSHA1 = MakeControl<QLabel>(page, "lblViewSHA1", QStringLiteral("Hash:"));
    lblViewSHA1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblViewCreationDate = MakeControl<QLabel>(page, "lblViewCreationDate", QStringLiteral("Erstellungsdatum:"));
    btnCreationDateReset = MakeControl<QPushButton>(page, "btnCreationDateReset", QStringLiteral("Reset"));
    chkPrivate2 = MakeControl<QCheckBox>(page, "chkPrivate2", QStringLiteral("Privater Torrent"));
    chkDHTAzu2 = MakeControl<QCheckBox>(page, "chkDHTAzu2", QStringLiteral("Azureus DHT"));
    chkDHTBitcomet2 = MakeControl<QCheckBox>(page, "chkDHTBitcomet2", QStringLiteral("Bitcomet DHT"));

    auto* open = new QHBoxLayout;
    open->addWidget(btnTorrentBrowse);
    open->addWidget(txtTorrent, 1);
    auto* fields = new QGridLayout;
    fields->addWidget(lblViewAnnounceURL, 0, 0);
    fields->addWidget(txtAnnounceURL, 0, 1);
    fields->addWidget(chkViewBackup, 0, 2);
    fields->addWidget(btnViewBackupTrackers, 0, 3);
    fields->addWidget(lblViewName, 1, 0);
    fields->addWidget(txtViewName, 1, 1, 1, 3);
    fields->addWidget(lblViewComment, 2, 0, Qt::AlignTop);
    fields->addWidget(mmoViewComment, 2, 1, 1, 3);
    fields->setColumnStretch(1, 1);
    auto* date = new QHBoxLayout;
    date->addWidget(lblViewCreationDate);
    date->addWidget(btnCreationDateReset);
    date->addStretch();
    auto* flags = new QHBoxLayout;
    flags->addWidget(chkPrivate2);
    flags->addWidget(chkDHTAzu2);
    flags->addWidget(chkDHTBitcomet2);
    flags->addStretch();
    auto* layout = new QVBoxLayout;
    layout->addLayout(open);
    layout->addLayout(fields);
    layout->addWidget(lblViewSHA1);
    layout->addLayout(date);
    layout->addLayout(flags);
    return layout;
}

QWidget* TfrmBrisolt::BuildEditFiles(QWidget* page)
{
    grpFiles = MakeControl<QGroupBox>(page, "grpFiles");
    grpFiles->setTitle(QStringLiteral("Dateien"));
    QWidget* group = grpFiles;
    lstFiles = MakeControl<QListWidget>(group, "lstFiles");
    lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    lstFiles->setAccessibleName(QStringLiteral("Dateien"));
    lblFilesName = MakeControl<QLabel>(group, "lblFilesName", QStringLiteral("Name:"));
    txtFilesName = MakeControl<QLineEdit>(group, "txtFilesName");
    lblFilesName->setBuddy(txtFilesName);
    btnChange = MakeControl<QPushButton>(group, "btnChange", Text("Ändern"));
    lblFilesSize = MakeControl<QLabel>(group, "lblFilesSize", Text("Größe:"));

    auto* name = new QHBoxLayout;
    name->addWidget(lblFilesName);
    name->addWidget(txtFilesName, 1);
    name->addWidget(btnChange);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(lstFiles, 1);
    layout->addLayout(name);
    layout->addWidget(lblFilesSize);
    return group;
}

void TfrmBrisolt::chkPrivate2Click()
{
    Guarded(
        [this]
        {
            const bool isPrivate = chkPrivate2->isChecked();
            for (QCheckBox* box : {chkDHTAzu2, chkDHTBitcomet2, chkViewBackup})
            {
                if (isPrivate)
                    box->setChecked(false);
                box->setEnabled(!isPrivate);
            }
        });
}

void TfrmBrisolt::chkViewBackupClick()
{
    Guarded(
        [this]
        {
            if (ViewTorrent)
                btnViewBackupTrackers->setEnabled(chkViewBackup->isChecked());
        });
}

} // namespace brisolt
