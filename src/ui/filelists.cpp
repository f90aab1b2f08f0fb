#include "ui/filelists.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QStorageInfo>
#include <QStyle>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include "create/collect.h"
#include "platform/fileio.h"
#include "platform/folders.h"
#include "ui/nametext.h"
#include "ui/typedpathinfo.h"

namespace brisolt
{

namespace
{

// The visible sub-folders of folder (as the system lists them, following
// links), shown text and path, by shown name regardless of case.
std::vector<std::pair<QString, std::filesystem::path>> SubFolders(const std::filesystem::path& folder)
{
    // A folder that cannot be listed, or only in part, shows what was listed.
    std::vector<std::string> names;
    (void)ListSubFolders(folder, names);
    std::vector<std::pair<QString, std::filesystem::path>> folders;
    for (const std::string& name : names)
    {
        if (name.empty() || name.front() == '.')
            continue;
        folders.emplace_back(ShownText(name), folder / NativePath(name));
    }
    std::sort(
        folders.begin(),
        folders.end(),
        [](const auto& a, const auto& b)
        {
            const int order = QString::compare(a.first, b.first, Qt::CaseInsensitive);
            return order != 0 ? order < 0 : a.second < b.second;
        });
    return folders;
}

QStringList VolumeRoots()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    {
        // Bind mounts of single files are no drives.
        if (volume.isValid() && volume.isReady() && TypedPathInfo(volume.rootPath()).Kind == TPathKind::Folder)
            roots << volume.rootPath();
    }
    return roots;
}

// Asking for the volumes costs a statfs per volume, which a stalled network
// mount can make slow; the mount table is one cheap read. Where there is no
// such table, the volumes are asked for every time.
TMountRoots SystemMountRoots()
{
    return [table = std::string(), roots = QStringList(), known = false]() mutable
    {
        std::string now = MountTable();
        if (!known || now.empty() || now != table)
        {
            roots = VolumeRoots();
            table = std::move(now);
            known = true;
        }
        return roots;
    };
}

constexpr int kMountPollMilliseconds = 2000;

} // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent)
    : QComboBox(parent)
{
    // Long mount paths must not widen the window.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    SetMountRoots(SystemMountRoots());
    // A USB stick plugged in after the start shows up without a restart.
    auto* poll = new QTimer(this);
    poll->setObjectName(QStringLiteral("mountPoll"));
    poll->setInterval(kMountPollMilliseconds);
    connect(poll, &QTimer::timeout, this, &TDriveComboBox::Refresh);
    poll->start();
}

void TDriveComboBox::SetMountRoots(TMountRoots roots)
{
    Roots = std::move(roots);
    Refresh();
}

void TDriveComboBox::Refresh()
{
    QStringList roots = Roots ? Roots() : QStringList();
    roots.removeDuplicates();
    std::sort(roots.begin(), roots.end());
    QStringList shown;
    for (int i = 0; i < count(); ++i)
        shown << itemData(i).toString();
    if (roots == shown)
        return;
    const QString chosen = Drive();
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const QString& root : roots)
            addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), QDir::toNativeSeparators(root), root);
    }
    if (!chosen.isEmpty())
        ShowDriveOf(chosen);
    emit DrivesChanged();
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

QString TDirectoryListBox::Directory() const
{
    return ShownPath(Current);
}

bool TDirectoryListBox::SetDirectory(const QString& folder)
{
    return SetPath(TypedPath(folder));
}

bool TDirectoryListBox::SetPath(const std::filesystem::path& folder)
{
    if (folder.empty() || PathInfo(folder).Kind != TPathKind::Folder)
        return false;
    // ".." is resolved as the system resolves it, through symbolic links.
    std::filesystem::path path = ResolvedPath(folder);
    if (!path.is_absolute() || std::find(path.begin(), path.end(), "..") != path.end())
        return false;
    path = path.lexically_normal();
    if (!path.has_filename() && path != path.root_path())
        path = path.parent_path();
    if (path == Current)
        return true;
    Current = path;
    Rebuild();
    emit DirectoryChanged();
    return true;
}

void TDirectoryListBox::Refresh()
{
    if (PathInfo(Current).Kind != TPathKind::Folder)
    {
        for (std::filesystem::path above = Current.parent_path(); !above.empty(); above = above.parent_path())
        {
            if (SetPath(above) || above == above.parent_path())
                return;
        }
        return;
    }
    const QTreeWidgetItem* highlighted = currentItem();
    const QVariant bytes = highlighted ? highlighted->data(0, kNameBytesRole) : QVariant();
    Rebuild();
    for (QTreeWidgetItemIterator item(this); bytes.isValid() && *item; ++item)
    {
        if ((*item)->data(0, kNameBytesRole) == bytes)
        {
            setCurrentItem(*item);
            break;
        }
    }
}

void TDirectoryListBox::Rebuild()
{
    clear();
    std::vector<std::filesystem::path> chain;
    for (std::filesystem::path path = Current;; path = path.parent_path())
    {
        chain.insert(chain.begin(), path);
        if (path == path.parent_path())
            break;
    }

    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    QTreeWidgetItem* parentItem = nullptr;
    for (const auto& path : chain)
    {
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        item->setText(
            0, path.has_filename() ? ShownText(path.filename().native()) : QDir::toNativeSeparators(ShownPath(path)));
        item->setIcon(0, open);
        item->setData(0, kNameBytesRole, NameBytesData(path.native()));
        item->setExpanded(true);
        parentItem = item;
    }
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (const auto& [shown, path] : SubFolders(Current))
    {
        auto* item = new QTreeWidgetItem(parentItem);
        item->setText(0, shown);
        item->setIcon(0, closed);
        item->setData(0, kNameBytesRole, NameBytesData(path.native()));
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
        SetPath(std::filesystem::path(NameBytes(item->data(0, kNameBytesRole))));
}

TFileListBox::TFileListBox(QWidget* parent)
    : QListWidget(parent)
{
    // Click, Ctrl+click and Shift+click, as in a file manager.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void TFileListBox::SetPath(const std::filesystem::path& folder)
{
    Current = folder;
    clear();
    // The create layer decides which files a person can select and their
    // order, so that the window and the command line agree.
    const TResult<std::vector<std::string>> names = ListFolderFiles(folder);
    if (!names)
        return; // a folder that cannot be listed shows no files
    for (const auto& name : *names)
    {
        auto* item = new QListWidgetItem(ShownText(name), this);
        item->setData(kNameBytesRole, NameBytesData(name));
    }
}

void TFileListBox::Refresh()
{
    const std::vector<std::string> selected = SelectedNames();
    const std::string focused = currentItem() ? NameAt(currentRow()) : std::string();
    SetPath(Current);
    (void)Choose(selected, focused);
}

bool TFileListBox::Select(const std::vector<std::string>& names)
{
    return Choose(names, names.empty() ? std::string() : names.front());
}

bool TFileListBox::Choose(const std::vector<std::string>& names, const std::string& focused)
{
    std::vector<std::string> wanted = names;
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    clearSelection();
    std::size_t found = 0;
    for (int i = 0; i < count(); ++i)
    {
        const std::string name = NameAt(i);
        if (std::binary_search(wanted.begin(), wanted.end(), name))
        {
            item(i)->setSelected(true);
            ++found;
        }
        if (!focused.empty() && name == focused)
            setCurrentItem(item(i), QItemSelectionModel::NoUpdate);
    }
    return found == wanted.size();
}

std::vector<std::string> TFileListBox::SelectedNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < count(); ++i)
    {
        if (item(i)->isSelected())
            names.push_back(NameAt(i));
    }
    return names;
}

std::string TFileListBox::NameAt(int row) const
{
    const QListWidgetItem* found = item(row);
    return found ? NameBytes(found->data(kNameBytesRole)) : std::string();
}

} // namespace brisolt
