// The About page's handlers: each runs its page's action through Guarded.
#include "ui/about.h"
#include "ui/brisolt_main.h"
#include "ui/page_about.h"

namespace brisolt
{

void TfrmBrisolt::btnHomepageClick()
{
    Guarded([this] { AboutPage->OpenHomepage(); });
}

void TfrmBrisolt::btnOrlForumClick()
{
    Guarded([this] { AboutPage->OpenForum(); });
}

void TfrmBrisolt::btnOrlTrackerClick()
{
    Guarded([this] { AboutPage->OpenTracker(); });
}

void TfrmBrisolt::btnAboutOrlClick()
{
    Guarded([this] { TAboutPage::ShowOrlCredits(*About); });
}

} // namespace brisolt
