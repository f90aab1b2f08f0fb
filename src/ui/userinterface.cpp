#include "ui/userinterface.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "ui/typedpathinfo.h"

namespace brisolt
{

TQtUserInterface::TQtUserInterface(QWidget* owner)
    : Owner(owner)
{
}

TMessageResult TQtUserInterface::MessageBox(const QString& text, const QString& caption, TMessageButtons buttons)
{
    const bool question = buttons == TMessageButtons::YesNo;
    QMessageBox box(
        QMessageBox::NoIcon, caption, text, question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, Owner);
    if (question)
    {
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    const int answer = box.exec();
    if (!question)
        return TMessageResult::Ok;
    return answer == QMessageBox::Yes ? TMessageResult::Yes : TMessageResult::No;
}

QString TQtUserInterface::QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    {
        QString description = parts[i].trimmed();
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open > 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(open).trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
        {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result.join(QStringLiteral(";;"));
}

namespace
{

QString StartFolder(const QString& folder)
{
    return !folder.isEmpty() && TypedPathInfo(folder).Kind == TPathKind::Folder ? folder : QDir::homePath();
}

// Opens the dialog in the proposal's folder with the proposal's name filled
// in (a relative proposal lies in the working folder, as the path will).
void Propose(QFileDialog& dialog, const QString& fileName, const QString& folder)
{
    const QFileInfo info(fileName);
    const bool inFolder = !fileName.isEmpty() && TypedPathInfo(info.absolutePath()).Kind == TPathKind::Folder;
    dialog.setDirectory(inFolder ? info.absolutePath() : StartFolder(folder));
    if (!fileName.isEmpty())
        dialog.selectFile(info.fileName());
}

std::optional<QString> Run(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> TQtUserInterface::OpenFile(const TOpenFileRequest& request)
{
    QFileDialog dialog(Owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFilter(request.Filter));
    Propose(dialog, request.FileName, request.Folder);
    return Run(dialog);
}

std::optional<QString> TQtUserInterface::SaveFile(const TSaveFileRequest& request)
{
    QFileDialog dialog(Owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtFilter(request.Filter));
    dialog.setDefaultSuffix(request.DefaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.ConfirmOverwrite);
    Propose(dialog, request.FileName, request.Folder);
    return Run(dialog);
}

std::optional<QString> TQtUserInterface::BrowseForFolder(const QString& title, const QString& folder)
{
    const QString chosen = QFileDialog::getExistingDirectory(Owner, title, StartFolder(folder));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

bool TQtUserInterface::OpenUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

TMessageResult TScriptedUserInterface::MessageBox(const QString& text, const QString& caption, TMessageButtons buttons)
{
    TCall call;
    call.Kind = TKind::MessageBox;
    call.Text = text;
    call.Caption = caption;
    call.Buttons = buttons;
    Calls.push_back(call);
    const TMessageResult fallback = buttons == TMessageButtons::YesNo ? TMessageResult::No : TMessageResult::Ok;
    if (Answers.empty())
        return fallback;
    const TMessageResult answer = Answers.front();
    Answers.pop_front();
    return answer;
}

std::optional<QString> TScriptedUserInterface::NextPath()
{
    if (Paths.empty())
        return std::nullopt;
    const bool cancelled = !Paths.front().has_value();
    const QString path = Paths.front().value_or(QString());
    Paths.pop_front();
    if (cancelled)
        return std::nullopt;
    return path;
}

std::optional<QString> TScriptedUserInterface::OpenFile(const TOpenFileRequest& request)
{
    TCall call;
    call.Kind = TKind::OpenFile;
    call.Filter = request.Filter;
    call.FileName = request.FileName;
    call.Folder = request.Folder;
    Calls.push_back(call);
    return NextPath();
}

std::optional<QString> TScriptedUserInterface::SaveFile(const TSaveFileRequest& request)
{
    TCall call;
    call.Kind = TKind::SaveFile;
    call.Filter = request.Filter;
    call.FileName = request.FileName;
    call.DefaultSuffix = request.DefaultSuffix;
    call.ConfirmOverwrite = request.ConfirmOverwrite;
    call.Folder = request.Folder;
    Calls.push_back(call);
    return NextPath();
}

std::optional<QString> TScriptedUserInterface::BrowseForFolder(const QString& title, const QString& folder)
{
    TCall call;
    call.Kind = TKind::BrowseForFolder;
    call.Text = title;
    call.Folder = folder;
    Calls.push_back(call);
    return NextPath();
}

bool TScriptedUserInterface::OpenUrl(const QString& url)
{
    TCall call;
    call.Kind = TKind::OpenUrl;
    call.Text = url;
    Calls.push_back(call);
    return BrowserStarts;
}

QStringList TScriptedUserInterface::Messages() const
{
    QStringList lines;
    for (const TCall& call : Calls)
    {
        if (call.Kind == TKind::MessageBox)
            lines << call.Caption + QStringLiteral(": ") + call.Text;
    }
    return lines;
}

} // namespace brisolt
