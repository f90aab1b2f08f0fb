// TfrmAbout: the credits dialog, whose face is the scrolling credits control
// with a close button below it. One instance lives, hidden, from start-up to
// the end of the program. User-interface thread only.
//
// Also the credits' lines and set-up, which the hidden page "Über Orl" of the
// main window shares, and the web addresses of the About page.
#pragma once

#include <QDialog>
#include <QStringList>

#include "ui/credits.h"

class QPushButton;

namespace brisolt
{

inline constexpr const char* kHomepageUrl = "https://brisolt.example.org/";
inline constexpr const char* kOrlForumUrl = "https://zin.example.org/forum/brisolt-orl/";
inline constexpr const char* kOrlTrackerUrl = "https://tracker.orl.example.org/";
inline constexpr const char* kOrlSiteUrl = "https://orl.example.org/";
inline constexpr const char* kZinSiteUrl = "https://zin.example.org/";

// The 25 lines of the credits, in the markup of creditsmarkup.h.
[[nodiscard]] QStringList OrlCreditLines();
// Font, colours, border, scroll speed and background picture of the credits;
// leaves the lines and Scrolling alone.
void SetUpOrlCredits(TScrollingCredits& credits);

class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    // Shows the dialog under title with the credits scrolling; "Schließen"
    // hides it and stops them.
    void ShowScrolling(const QString& title);

protected:
    // No close box: Escape and the window manager's close act as "Schließen".
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void btnCloseClick();

private:
    TScrollingCredits* ScrollingCredits1; // 572 x 400
    QPushButton* btnClose;
};

} // namespace brisolt
