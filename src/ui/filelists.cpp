#include "ui/filelists.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStyle>

#include "create/collect.h"

namespace brisolt
{

namespace
{

constexpr int kPathRole = Qt::UserRole;

} // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent)
    : QComboBox(parent)
{
    // Long mount paths must not widen the window.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    Refresh();
}

void TDriveComboBox::Refresh()
{
    const QSignalBlocker blocker(this);
    clear();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    {
        // Bind mounts of single files are no drives.
        if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir())
            roots << volume.rootPath();
    }
    roots.removeDuplicates();
    std::sort(roots.begin(), roots.end());
    for (const QString& root : roots)
        addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), QDir::toNativeSeparators(root), root);
}

QString TDriveComboBox::Drive() const
{
    return currentData().toString();
}

void TDriveComboBox::ShowDriveOf(const QString& folder)
{
    const QString path = QDir::cleanPath(folder);
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i)
    {
        const QString root = itemData(i).toString();
        const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
        if ((path == root || path.startsWith(prefix)) && root.size() > bestLength)
        {
            best = i;
            bestLength = root.size();
        }
    }
    const QSignalBlocker blocker(this);
    setCurrentIndex(best);
}

TDirectoryListBox::TDirectoryListBox(QWidget* parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(12);
    // The tree only shows the way down to the current folder: nothing folds.
    setStyleSheet(QStringLiteral("QTreeView::branch { image: none; }"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemActivated, this, &TDirectoryListBox::Open);
}

bool TDirectoryListBox::SetDirectory(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    if (path == Current)
        return true;
    Current = path;
    Rebuild();
    emit DirectoryChanged(Current);
    return true;
}

void TDirectoryListBox::Rebuild()
{
    clear();
    QStringList chain;
    QDir dir(Current);
    do
        chain.prepend(dir.absolutePath());
    while (dir.cdUp());

    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    QTreeWidgetItem* parentItem = nullptr;
    for (const QString& path : chain)
    {
        const QString name = QFileInfo(path).fileName();
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        item->setText(0, name.isEmpty() ? QDir::toNativeSeparators(path) : name);
        item->setIcon(0, open);
        item->setData(0, kPathRole, path);
        item->setExpanded(true);
        parentItem = item;
    }
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QDir current(Current);
    const auto subFolders = current.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subFolders)
    {
        auto* item = new QTreeWidgetItem(parentItem);
        item->setText(0, name);
        item->setIcon(0, closed);
        item->setData(0, kPathRole, current.absoluteFilePath(name));
    }
    if (parentItem)
    {
        parentItem->setExpanded(true);
        setCurrentItem(parentItem);
        scrollToItem(parentItem);
    }
}

void TDirectoryListBox::Open(QTreeWidgetItem* item)
{
    if (item)
        SetDirectory(item->data(0, kPathRole).toString());
}

TFileListBox::TFileListBox(QWidget* parent)
    : QListWidget(parent)
{
    // Click, Ctrl+click and Shift+click, as in a file manager.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void TFileListBox::SetDirectory(const QString& folder)
{
    Current = folder;
    clear();
    // The create layer decides which files a person can select and their
    // order, so that the window and the command line agree.
    std::vector<std::string> names;
    try
    {
        names = ListFolderFiles(std::filesystem::path(QFile::encodeName(folder).toStdString()));
    }
    catch (const ECreateError&)
    {
        return; // a folder that cannot be listed shows no files
    }
    QStringList items;
    items.reserve(static_cast<qsizetype>(names.size()));
    for (const auto& name : names)
        items << QFile::decodeName(QByteArray::fromStdString(name));
    addItems(items);
}

QStringList TFileListBox::SelectedNames() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i)
    {
        if (item(i)->isSelected())
            names << item(i)->text();
    }
    return names;
}

} // namespace brisolt
