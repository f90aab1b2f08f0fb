// What makes the window at home on a desktop: the path given on the command
// line (a file manager's "Open with"), which paths are torrents, which paths a
// drop may bring, and Qt's own German texts for the standard dialogs.
#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QUrl>

class QLocale;
class QTranslator;

namespace brisolt
{

// The path after the program's name, or after "-autosize" when that comes
// first; nothing when there is none. A further switch ("-x") that names no
// existing file is no path.
[[nodiscard]] std::optional<QString> StartPath(const QStringList& arguments);

// Whether path is a torrent: by its suffix ".torrent" (any letter case) or,
// for an existing file, by the desktop's MIME database.
[[nodiscard]] bool IsTorrentPath(const QString& path);

// The local paths that urls name, in order; empty when any of them is not a
// local file (a web address, a trash entry).
[[nodiscard]] QStringList LocalPaths(const QList<QUrl>& urls);

// Qt's standard dialogs and buttons speak German when the system language is
// German, as the window does; otherwise Qt's English stays.
[[nodiscard]] bool UsesGermanQtTexts(const QLocale& system);

// Loads "qtbase_de" from folder into translator and installs it in the
// application when the rule above asks for it and the file is there.
bool InstallQtTranslations(QTranslator& translator, const QLocale& system, const QString& folder);

} // namespace brisolt
