// What the pages of the main window share, so that no page reaches into
// another: the questions to the user, the install folder with the settings
// file and the tracker cache in it, the tracker directory, and the torrent
// open on the edit page. The main window owns it; the pages hold a reference.
// User-interface thread only.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "core/torrentfile.h"
#include "platform/tracker.h"

namespace brisolt
{

class TUserInterface;

class TSession
{
public:
    explicit TSession(TUserInterface& ui)
        : Ui(ui)
    {
    }

    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    // Answers every question the window asks; outlives the window.
    TUserInterface& Ui;

    // Opens a web page in the browser; says so in a message when none starts.
    void OpenWebPage(const QString& url) const;
};

} // namespace brisolt
