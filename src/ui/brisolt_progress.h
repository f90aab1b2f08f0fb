// TfrmProgress: the dialog that shows a hashing run, the file being read,
// how far that file and the whole torrent have come, and the abort button.
// One instance lives, hidden, from start-up to the end of the program; a
// create or verify run drives it through TBrisoltBTHashedStorage, by the
// methods below; its controls are its own. Its parent is the main window,
// whose RequestAbort "Abbrechen" calls.
// User-interface thread only.
#pragma once

#include <cstdint>

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

    // A torrent's run starts: the title names it, the dialog shows, and the
    // overall bar starts empty with steps steps.
    void StartTorrent(const QString& title, int64_t steps);
    // A file's reading starts: its name in the label, its bar empty with steps steps.
    void StartFile(const QString& name, int64_t steps);
    // One step of both bars; a full bar stays full.
    void Step();
    // While running, "Abbrechen" is enabled and "Fertig" not; once done, the
    // reverse, both bars full and the focus on "Fertig".
    void SetRunning(bool running);
    // Holds back painting while a batch of steps is applied.
    void SetPainting(bool paint);
    // How far the overall bar is, 0 to 100.
    [[nodiscard]] int OverallPercent() const;

signals:
    // The overall bar moved.
    void OverallChanged();

protected:
    // The dialog has no close box: "Fertig" is the way out, and Escape or the
    // window manager's close count as "Fertig" only while it is enabled.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void btnAbortClick();
    void btnFinishedClick();

private:
    QLabel* lblHashing;
    QProgressBar* ProgressBar1;
    QLabel* lblOverall;
    QProgressBar* ProgressBar2;
    QPushButton* btnAbort;
    QPushButton* btnFinished;
};

} // namespace brisolt
