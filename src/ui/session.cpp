#include "ui/session.h"

#include "ui/brisolt_main.h"
#include "ui/controls.h"
#include "ui/userinterface.h"

namespace brisolt
{

void TSession::OpenWebPage(const QString& url) const
{
    // Without a browser the click would otherwise do nothing visible at all.
    if (!Ui.OpenUrl(url))
        Ui.MessageBox(
            Text("Es konnte kein Browser gestartet werden, um %1 zu öffnen.").arg(url),
            QLatin1String(kProgramTitle),
            TMessageButtons::Ok);
}

} // namespace brisolt
