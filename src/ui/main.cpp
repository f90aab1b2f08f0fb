// The program's entry: the application, the main window (whose construction
// runs FormCreate and then creates the hidden dialogs), then the event loop
// until the main window closes.
#include <QApplication>
#include <QIcon>

#include "ui/brisolt_main.h"
#include "ui/userinterface.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("brisolt"));
    QGuiApplication::setDesktopFileName(QStringLiteral("brisolt"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/brisolt.png")));

    brisolt::TQtUserInterface ui;
    brisolt::TfrmBrisolt frmBrisolt(ui, QApplication::arguments());
    ui.SetOwner(&frmBrisolt);
    frmBrisolt.show();
    return QApplication::exec();
}
