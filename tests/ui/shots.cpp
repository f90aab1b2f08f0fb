// Writes a picture of every page and dialog at the window's minimum size, for
// looking at the layout: brisolt_ui_shots OUTPUT_FOLDER. Not a test; run it
// under Xvfb (or with QT_QPA_PLATFORM=offscreen) with a throw-away
// BRISOLT_INSTALL_DIR.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>

#include "ui/about.h"
#include "ui/brisolt_backup.h"
#include "ui/brisolt_main.h"
#include "ui/brisolt_progress.h"
#include "ui/userinterface.h"

namespace
{

void Save(QWidget* widget, const QString& folder, const QString& name)
{
    QApplication::processEvents();
    widget->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

void ShowDialog(QWidget* dialog, const QString& folder, const QString& name)
{
    dialog->show();
    Save(dialog, folder, name);
    dialog->hide();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString folder = arguments.value(1, QStringLiteral("."));
    QDir().mkpath(folder);

    brisolt::TScriptedUserInterface ui;
    brisolt::TfrmBrisolt window(ui, {QStringLiteral("brisolt")});
    window.show();
    window.resize(brisolt::kMinimumWidth, brisolt::kMinimumHeight);
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("pgeMain"));
    auto* mode = window.findChild<QTabWidget*>(QStringLiteral("pageMode"));
    const QStringList names = {
        QStringLiteral("1-create-simple"),
        QStringLiteral("3-edit"),
        QStringLiteral("4-settings"),
        QStringLiteral("5-about")};
    for (int page = 0; page < names.size(); ++page)
    {
        pages->setCurrentIndex(page);
        Save(&window, folder, names[page]);
    }
    pages->setCurrentIndex(0);
    mode->setCurrentIndex(1);
    Save(&window, folder, QStringLiteral("2-create-classic"));
    mode->setCurrentIndex(0);
    window.resize(900, 700);
    Save(&window, folder, QStringLiteral("6-create-enlarged"));

    ShowDialog(window.frmProgress(), folder, QStringLiteral("7-progress"));
    ShowDialog(window.frmBackup(), folder, QStringLiteral("8-backup"));
    ShowDialog(window.frmAbout(), folder, QStringLiteral("9-about-dialog"));
    return 0;
}
