// The program's entry: the application, the main window (whose construction
// runs FormCreate and then creates the hidden dialogs), then the event loop
// until the main window closes.
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/brisolt_main.h"
#include "ui/desktop.h"
#include "ui/userinterface.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("brisolt"));
    QGuiApplication::setDesktopFileName(QStringLiteral("brisolt"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/brisolt.png")));
    // Standard dialogs and buttons in the window's language; without the file Qt's English stays.
    QTranslator qtTexts;
    brisolt::InstallQtTranslations(qtTexts, QLocale::system(), QLibraryInfo::path(QLibraryInfo::TranslationsPath));

    brisolt::TQtUserInterface ui;
    brisolt::TfrmBrisolt frmBrisolt(ui, QApplication::arguments());
    ui.SetOwner(&frmBrisolt);
    frmBrisolt.show();
    return QApplication::exec();
}
