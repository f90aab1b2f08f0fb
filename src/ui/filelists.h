// The three source lists of the create page's simple mode: the drives (the
// mounted volumes' root folders), the folder tree down to the current folder
// with its sub-folders, and the files of one folder. They only show and
// choose; the page connects them. Folders and files are held by their bytes,
// which need not be valid UTF-8; the rows show them as ui/nametext says.
// User-interface thread only.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

namespace brisolt
{

// The root folders of the mounted volumes, sorted, each once.
using TMountRoots = std::function<QStringList()>;

// By default the list follows the system's mounts: a cheap look at the mount
// table every two seconds, the volumes asked for only when it changed.
class TDriveComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TDriveComboBox(QWidget* parent = nullptr);

    // Where the volumes come from from now on; lists them at once.
    void SetMountRoots(TMountRoots roots);
    // Lists the mounted volumes again when they changed, keeping the chosen
    // one (or, when it is gone, the volume that now holds its folder), and
    // emits DrivesChanged then; never emits a change of the choice.
    void Refresh();
    // Root folder of the chosen volume.
    [[nodiscard]] QString Drive() const;
    // Shows the volume that holds folder, without emitting any signal, so
    // that following the folder list never moves the folder list.
    void ShowDriveOf(const QString& folder);

signals:
    void DrivesChanged();

private:
    TMountRoots Roots;
};

class TDirectoryListBox : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);

    // The current folder, absolute, and as shown.
    [[nodiscard]] const std::filesystem::path& Path() const { return Current; }

    [[nodiscard]] QString Directory() const;

    // Makes folder the current one and emits DirectoryChanged when it
    // differs; returns false, changing nothing, when folder does not exist.
    bool SetPath(const std::filesystem::path& folder);
    // The same for a folder typed as text.
    bool SetDirectory(const QString& folder);
    // Lists the sub-folders again, keeping the highlighted one where it is
    // still there; a current folder that is gone gives way to the nearest
    // folder above it that exists.
    void Refresh();

signals:
    void DirectoryChanged();

private:
    void Rebuild();
    void Open(QTreeWidgetItem* item);

    std::filesystem::path Current;
};

class TFileListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit TFileListBox(QWidget* parent = nullptr);

    [[nodiscard]] const std::filesystem::path& Path() const { return Current; }

    // Lists the files of folder by name; folders and hidden files are left out.
    void SetPath(const std::filesystem::path& folder);
    // Lists the folder's files again, keeping the selection and the focused
    // file where they are still there.
    void Refresh();
    // Selects exactly the files named (by their bytes) that the list holds,
    // the first of them focused; false when one of them is not listed.
    bool Select(const std::vector<std::string>& names);
    // The names of the selected files, as their bytes, in list order.
    [[nodiscard]] std::vector<std::string> SelectedNames() const;
    // The bytes of the name in row.
    [[nodiscard]] std::string NameAt(int row) const;

private:
    bool Choose(const std::vector<std::string>& names, const std::string& focused);

    std::filesystem::path Current;
};

} // namespace brisolt
