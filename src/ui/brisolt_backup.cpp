#include "ui/brisolt_backup.h"

#include <memory>

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "ui/nametext.h"

namespace brisolt
{

namespace
{

// A row's bytes, apart from the text it shows.

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
    btnUp = NewButton(this, "btnUp", QStringLiteral("A&uf"));
    btnDown = NewButton(this, "btnDown", QStringLiteral("A&b"));
    btnRemove = NewButton(this, "btnRemove", QString::fromUtf8("&Entferne ausgewählten"));
    btnAdd = NewButton(this, "btnAdd", QString::fromUtf8("&Hinzufügen:"));
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
    btnOk = NewButton(this, "btnOk", QStringLiteral("&OK"));
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

    connect(btnAdd, &QPushButton::clicked, this, &TfrmBackup::btnAddClick);
    connect(btnRemove, &QPushButton::clicked, this, &TfrmBackup::btnRemoveClick);
    connect(btnUp, &QPushButton::clicked, this, &TfrmBackup::btnUpClick);
    connect(btnDown, &QPushButton::clicked, this, &TfrmBackup::btnDownClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmBackup::btnOkClick);
}

void TfrmBackup::SetRows(const std::vector<std::string>& rows)
{
    lstBackup->clear();
    for (const auto& row : rows)
        AppendRow(row);
}

std::vector<std::string> TfrmBackup::Rows() const
{
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(lstBackup->count()));
    for (int i = 0; i < lstBackup->count(); ++i)
        rows.push_back(NameBytes(lstBackup->item(i)->data(kNameBytesRole)));
    return rows;
}

void TfrmBackup::ShowWith(const std::vector<TTracker>& trackers)
{
    FillTrackers(trackers);
    show();
    raise();
    activateWindow();
}

void TfrmBackup::FillTrackers(const std::vector<TTracker>& trackers)
{
    cmbTrackers->clear();
    for (const auto& tracker : trackers)
        cmbTrackers->addItem(ShownText(tracker.Name), NameBytesData(tracker.Name));
    cmbTrackers->setCurrentIndex(cmbTrackers->count() > 0 ? 0 : -1);
}

void TfrmBackup::AppendRow(const std::string& bytes)
{
    auto* item = new QListWidgetItem(ShownText(bytes), lstBackup);
    item->setData(kNameBytesRole, NameBytesData(bytes));
}

int TfrmBackup::SelectedRow() const
{
    const auto selected = lstBackup->selectedItems();
    return selected.isEmpty() ? -1 : lstBackup->row(selected.front());
}

void TfrmBackup::SwapRows(int a, int b)
{
    QListWidgetItem* first = lstBackup->item(a);
    QListWidgetItem* second = lstBackup->item(b);
    const QString text = first->text();
    const QVariant bytes = first->data(kNameBytesRole);
    first->setText(second->text());
    first->setData(kNameBytesRole, second->data(kNameBytesRole));
    second->setText(text);
    second->setData(kNameBytesRole, bytes);
}

void TfrmBackup::btnAddClick()
{
    if (cmbTrackers->currentIndex() < 0)
        return;
    const QString name = cmbTrackers->currentText();
    for (int i = 0; i < lstBackup->count(); ++i)
    {
        if (lstBackup->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            return;
    }
    AppendRow(NameBytes(cmbTrackers->currentData()));
}

void TfrmBackup::btnRemoveClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::unique_ptr<QListWidgetItem> removed(lstBackup->takeItem(row));
    lstBackup->setCurrentRow(-1);
    lstBackup->clearSelection();
}

void TfrmBackup::btnUpClick()
{
    const int row = SelectedRow();
    if (row >= 1)
        SwapRows(row, row - 1);
}

void TfrmBackup::btnDownClick()
{
    const int row = SelectedRow();
    if (row >= 0 && row + 1 < lstBackup->count())
        SwapRows(row, row + 1);
}

void TfrmBackup::btnOkClick()
{
    hide();
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
