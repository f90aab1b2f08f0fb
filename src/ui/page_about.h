// The About page: the version history and the four link buttons; and the
// never shown page "Über Orl" with the credits standing still. The page owns
// its controls; the main window keeps the buttons' handler names and calls
// the page's actions from them, so each click runs through its Guarded.
#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace brisolt
{

class TfrmAbout;
class TSession;

class TAboutPage : public QWidget
{
    Q_OBJECT

public:
    explicit TAboutPage(TSession& session, QWidget* parent = nullptr);

    void OpenHomepage() const;
    void OpenForum() const;
    void OpenTracker() const;
    // The credits dialog, scrolling; not modal, so the main window stays usable.
    static void ShowOrlCredits(TfrmAbout& about);

signals:
    void HomepageClicked();
    void AboutOrlClicked();
    void ForumClicked();
    void TrackerClicked();

private:
    TSession& Session;
    QPlainTextEdit* mmoAbout = nullptr;
    QLabel* lblBrisoltHP = nullptr;
    QPushButton* btnHomepage = nullptr;
    QLabel* lblOrlHP = nullptr;
    QPushButton* btnAboutOrl = nullptr;
    QPushButton* btnOrlForum = nullptr;
    QPushButton* btnOrlTracker = nullptr;
};

// The page "Über Orl" ("tabAboutOrl"), which nothing ever shows.
[[nodiscard]] QWidget* MakeAboutOrlPage();

} // namespace brisolt
