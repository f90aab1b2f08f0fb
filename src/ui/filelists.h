// The three source lists of the create page's simple mode: the drives (the
// mounted volumes' root folders), the folder tree down to the current folder
// with its sub-folders, and the files of one folder. They only show and
// choose; the page connects them. Folders and files are held by their bytes,
// which need not be valid UTF-8; the rows show them as ui/nametext says.
// User-interface thread only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

namespace brisolt
{

class TDriveComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TDriveComboBox(QWidget* parent = nullptr);

    // Lists the mounted volumes again.
    void Refresh();
    // Root folder of the chosen volume.
    [[nodiscard]] QString Drive() const;
    // Shows the volume that holds folder, without emitting any signal, so
    // that following the folder list never moves the folder list.
    void ShowDriveOf(const QString& folder);
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
    // The names of the selected files, as their bytes, in list order.
    [[nodiscard]] std::vector<std::string> SelectedNames() const;
    // The bytes of the name in row.
    [[nodiscard]] std::string NameAt(int row) const;

private:
    std::filesystem::path Current;
};

} // namespace brisolt
