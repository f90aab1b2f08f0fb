// TfrmBackup: the backup tracker dialog, where the user puts together the
// ordered list of backup trackers that both pages write. One instance lives,
// hidden, from start-up to the end of the program; it never blocks the main
// window. User-interface thread only.
//
// The working list is the rows of lstBackup. Each row holds a tracker name
// (added from cmbTrackers) or an announce URL (taken over from a loaded
// torrent) as bytes; rows set through SetRows keep their bytes exactly, and
// are shown as text (UTF-8, else Windows-1252). The pages use only:
// - SetRows: replaces the working list (the edit page, with a loaded
//   torrent's backup trackers);
// - Rows: the working list's bytes, in order (both pages, when they write);
// - ShowWith: cmbTrackers becomes the directory's names, row 0 chosen, and
//   the dialog shows (both pages' backup buttons).
#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "config/tracker.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace brisolt
{

class TfrmBackup : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmBackup(QWidget* parent = nullptr);

    void SetRows(const std::vector<std::string>& rows);
    [[nodiscard]] std::vector<std::string> Rows() const;
    void ShowWith(const std::vector<TTracker>& trackers);

protected:
    // No close box: Escape and the window manager's close act as "OK".
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void btnAddClick();
    void btnRemoveClick();
    void btnUpClick();
    void btnDownClick();
    void btnOkClick();

private:
    void FillTrackers(const std::vector<TTracker>& trackers);
    void AppendRow(const std::string& bytes);
    // Index of the selected row, -1 when none is.
    [[nodiscard]] int SelectedRow() const;
    // Exchanges the contents of two rows; the highlight stays where it is.
    void SwapRows(int a, int b);

    QListWidget* lstBackup;
    QPushButton* btnUp;
    QPushButton* btnDown;
    QPushButton* btnRemove;
    QPushButton* btnAdd;
    QComboBox* cmbTrackers;
    QLabel* lblNote;
    QPushButton* btnOk;
};

} // namespace brisolt
