// What makes the window behave like its neighbours on a desktop: drops of
// files and folders, where the file and folder dialogs start, and lists of
// the simple page that follow the disk (mounts, F5).
#include <algorithm>
#include <system_error>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTabWidget>

#include "create/collect.h"
#include "ui/brisolt_main.h"
#include "ui/controls.h"
#include "ui/desktop.h"
#include "ui/filelists.h"
#include "ui/nametext.h"
#include "ui/page_create.h"
#include "ui/page_edit.h"
#include "ui/typedpathinfo.h"

namespace brisolt
{

void TfrmBrisolt::ConnectDesktopHandlers()
{
    // Without this a text field would take a dropped file as its address text.
    for (QLineEdit* field : findChildren<QLineEdit*>())
        field->installEventFilter(this);
    for (QPlainTextEdit* memo : findChildren<QPlainTextEdit*>())
        memo->viewport()->installEventFilter(this);
    DropHint = MakeControl<QFrame>(centralWidget(), "frmDropHint");
    DropHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    DropHint->setStyleSheet(QStringLiteral("QFrame#frmDropHint { border: 3px solid palette(highlight); }"));
    DropHint->hide();
    // Wherever the focus is (the tab bar, say) while the create page is shown.
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    refresh->setObjectName(QStringLiteral("shortcutRefresh"));
    refresh->setContext(Qt::WindowShortcut);
    connect(refresh, &QShortcut::activated, this, &TfrmBrisolt::RefreshSimpleLists);
}

TfrmBrisolt::TDropPlan TfrmBrisolt::PlanDrop(const QList<QUrl>& urls) const
{
    const QStringList paths = LocalPaths(urls);
    if (paths.isEmpty())
        return {};
    const QFileInfo first(paths.front());
    if (pgeMain->currentWidget() == tabViewTorrent)
    {
        if (paths.size() == 1 && TypedPathInfo(paths.front()).Kind == TPathKind::RegularFile
            && IsTorrentPath(first.absoluteFilePath()))
            return {TDropPlan::TKind::Torrent, first.absoluteFilePath(), {}};
        return {};
    }
    if (pgeMain->currentWidget() != tabCreate)
        return {};
    if (paths.size() > 1)
        return PlanSelection(paths);
    if (TypedPathInfo(paths.front()).Kind != TPathKind::Missing)
        return {TDropPlan::TKind::ClassicPath, first.absoluteFilePath(), {}};
    return {};
}

// Several entries are one torrent only as a selection of the simple page:
// files of one folder, each of them listed there. Anything else (folders,
// files of several folders, hidden files) has no one place on the page, and
// the drop is refused rather than half taken.
TfrmBrisolt::TDropPlan TfrmBrisolt::PlanSelection(const QStringList& paths)
{
    const QString folder = QFileInfo(paths.front()).absolutePath();
    std::vector<std::string> names;
    for (const QString& path : paths)
    {
        const QFileInfo info(path);
        if (TypedPathInfo(path).Kind != TPathKind::RegularFile || info.absolutePath() != folder)
            return {};
        names.push_back(TypedPath(info.absoluteFilePath()).filename().native());
    }
    TResult<std::vector<std::string>> files = ListFolderFiles(TypedPath(folder));
    if (!files)
        return {};
    std::vector<std::string>& listed = *files;
    std::sort(listed.begin(), listed.end());
    for (const std::string& name : names)
    {
        if (!std::binary_search(listed.begin(), listed.end(), name))
            return {};
    }
    return {TDropPlan::TKind::Selection, folder, names};
}

void TfrmBrisolt::ApplyDrop(const TDropPlan& plan)
{
    switch (plan.Kind)
    {
    case TDropPlan::TKind::None:
        break;
    case TDropPlan::TKind::ClassicPath:
        CreatePage->TakeClassicPath(plan.Path);
        break;
    case TDropPlan::TKind::Selection:
        CreatePage->SelectFiles(plan.Path, plan.Names);
        break;
    case TDropPlan::TKind::Torrent:
        EditPage->OpenTorrent(plan.Path);
        break;
    }
}

void TfrmBrisolt::dragEnterEvent(QDragEnterEvent* event)
{
    DragAccepted = event->mimeData()->hasUrls() && PlanDrop(event->mimeData()->urls()).Kind != TDropPlan::TKind::None;
    if (DragAccepted)
        event->acceptProposedAction();
    else
        event->ignore();
    ShowDropHint(DragAccepted);
}

void TfrmBrisolt::dragLeaveEvent(QDragLeaveEvent* event)
{
    ShowDropHint(false);
    QMainWindow::dragLeaveEvent(event);
}

void TfrmBrisolt::ShowDropHint(bool shown)
{
    if (shown)
    {
        DropHint->setGeometry(pgeMain->geometry());
        DropHint->raise();
    }
    DropHint->setVisible(shown);
}

void TfrmBrisolt::dropEvent(QDropEvent* event)
{
    ShowDropHint(false);
    const TDropPlan plan = event->mimeData()->hasUrls() ? PlanDrop(event->mimeData()->urls()) : TDropPlan();
    if (plan.Kind == TDropPlan::TKind::None)
    {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Guarded([this, &plan] { ApplyDrop(plan); });
}

bool TfrmBrisolt::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::DragLeave)
        ShowDropHint(false);
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QMainWindow::eventFilter(watched, event);
    // Text (a tracker address dragged from a browser) stays the field's.
    auto* drop = static_cast<QDropEvent*>(event);
    if (!drop->mimeData() || LocalPaths(drop->mimeData()->urls()).isEmpty())
        return QMainWindow::eventFilter(watched, event);
    if (type == QEvent::DragEnter)
        dragEnterEvent(static_cast<QDragEnterEvent*>(event));
    else if (type == QEvent::Drop)
        dropEvent(drop);
    else if (DragAccepted)
        drop->acceptProposedAction();
    else
        drop->ignore();
    return true;
}

void TfrmBrisolt::RefreshSimpleLists()
{
    Guarded(
        [this]
        {
            if (pgeMain->currentWidget() != tabCreate)
                return;
            CreatePage->RefreshLists();
        });
}

} // namespace brisolt
