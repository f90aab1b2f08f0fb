// TfrmBackup: the backup tracker dialog, where the user puts together the
// ordered list of backup trackers that both pages write. One instance lives,
// hidden, from start-up to the end of the program; it never blocks the main
// window. User-interface thread only.
#pragma once

#include <QDialog>

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

    QListWidget* lstBackup;
    QPushButton* btnUp;
    QPushButton* btnDown;
    QPushButton* btnRemove;
    QPushButton* btnAdd;
    QComboBox* cmbTrackers;
    QLabel* lblNote;
    QPushButton* btnOk;

protected:
    // No close box: Escape and the window manager's close act as "OK".
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace brisolt
