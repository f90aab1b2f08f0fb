// The three source lists of the create page's simple mode: the drives (the
// mounted volumes' root folders), the folder tree down to the current folder
// with its sub-folders, and the files of one folder. They only show and
// choose; the page connects them. User-interface thread only.
#pragma once

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

    [[nodiscard]] QString Directory() const { return Current; }

    // Makes folder the current one and emits DirectoryChanged when it
    // differs; returns false, changing nothing, when folder does not exist.
    bool SetDirectory(const QString& folder);

signals:
    void DirectoryChanged(const QString& folder);

private:
    void Rebuild();
    void Open(QTreeWidgetItem* item);

    QString Current;
};

class TFileListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit TFileListBox(QWidget* parent = nullptr);

    [[nodiscard]] QString Directory() const { return Current; }

    // Lists the files of folder by name; folders and hidden files are left out.
    void SetDirectory(const QString& folder);
    [[nodiscard]] QStringList SelectedNames() const;

private:
    QString Current;
};

} // namespace brisolt
