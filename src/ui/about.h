// TfrmAbout: the credits dialog, whose face is the scrolling credits control
// with a close button below it. One instance lives, hidden, from start-up to
// the end of the program. User-interface thread only.
#pragma once

#include <QDialog>

class QPushButton;

namespace brisolt
{

class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QWidget* ScrollingCredits1; // the credits control's place, 572 x 400
    QPushButton* btnClose;

protected:
    // No close box: Escape and the window manager's close act as "Schließen".
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace brisolt
