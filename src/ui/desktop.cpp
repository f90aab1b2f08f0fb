#include "ui/desktop.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QTranslator>

#include "ui/typedpathinfo.h"

namespace brisolt
{

std::optional<QString> StartPath(const QStringList& arguments)
{
    qsizetype index = 1;
    if (arguments.size() > index && arguments.at(index) == QLatin1String("-autosize"))
        ++index;
    if (arguments.size() <= index)
        return std::nullopt;
    const QString& path = arguments.at(index);
    if (path.isEmpty() || (path.startsWith(QLatin1Char('-')) && TypedPathInfo(path).Kind == TPathKind::Missing))
        return std::nullopt;
    return path;
}

bool IsTorrentPath(const QString& path)
{
    const QFileInfo info(path);
    if (info.suffix().compare(QLatin1String("torrent"), Qt::CaseInsensitive) == 0)
        return true;
    if (TypedPathInfo(path).Kind != TPathKind::RegularFile)
        return false;
    return QMimeDatabase().mimeTypeForFile(info).inherits(QStringLiteral("application/x-bittorrent"));
}

QStringList LocalPaths(const QList<QUrl>& urls)
{
    QStringList paths;
    for (const QUrl& url : urls)
    {
        if (!url.isLocalFile() || url.toLocalFile().isEmpty())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

bool UsesGermanQtTexts(const QLocale& system)
{
    return system.language() == QLocale::German;
}

bool InstallQtTranslations(QTranslator& translator, const QLocale& system, const QString& folder)
{
    if (!UsesGermanQtTexts(system) || !translator.load(QStringLiteral("qtbase_de"), folder))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

} // namespace brisolt
