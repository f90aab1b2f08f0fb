// TfrmProgress: the dialog that shows a hashing run, the file being read,
// how far that file and the whole torrent have come, and the abort button.
// One instance lives, hidden, from start-up to the end of the program; the
// create action drives its controls through TBrisoltBTHashedStorage. Its
// parent is the main window, whose RequestAbort "Abbrechen" calls.
// User-interface thread only.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace brisolt
{

class TfrmProgress : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmProgress(QWidget* parent = nullptr);

    QLabel* lblHashing;
    QProgressBar* ProgressBar1;
    QLabel* lblOverall;
    QProgressBar* ProgressBar2;
    QPushButton* btnAbort;
    QPushButton* btnFinished;

protected:
    // The dialog has no close box: "Fertig" is the way out, and Escape or the
    // window manager's close count as "Fertig" only while it is enabled.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void btnAbortClick();
    void btnFinishedClick();
};

} // namespace brisolt
