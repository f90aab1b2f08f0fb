// The user-interface seam: filter conversion, the real message box, and the
// script that tests answer with.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "ui/userinterface.h"

using brisolt::TMessageButtons;
using brisolt::TMessageResult;
using brisolt::TQtUserInterface;
using brisolt::TScriptedUserInterface;

class TestUserInterface : public QObject
{
    Q_OBJECT

private:
    // Answers the next modal message box with button and remembers what it showed.
    void AnswerNextBox(QMessageBox::StandardButton button)
    {
        QTimer::singleShot(
            0,
            this,
            [this, button]
            {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                Shown = box->windowTitle() + QLatin1Char('|') + box->text();
                Icon = box->icon();
                Buttons = box->standardButtons();
                if (button == QMessageBox::Escape)
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->button(button)->click();
            });
    }

    QString Shown;
    QMessageBox::Icon Icon = QMessageBox::Critical;
    QMessageBox::StandardButtons Buttons;

private slots:

    void filtersBecomeQtFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("torrents") << QStringLiteral("Torrent Dateien (*.torrent)|*.torrent")
                                  << QStringLiteral("Torrent Dateien (*.torrent)");
        QTest::newRow("all files") << QStringLiteral("Alle Dateien (*.*)|*.*") << QStringLiteral("Alle Dateien (*)");
        QTest::newRow("leading dot kept") << QStringLiteral(".Torrent Dateien (*.torrent)|*.torrent")
                                          << QStringLiteral(".Torrent Dateien (*.torrent)");
        QTest::newRow("two pairs") << QStringLiteral("A|*.a;*.b|B (*.*)|*.*") << QStringLiteral("A (*.a *.b);;B (*)");
        QTest::newRow("dangling description") << QStringLiteral("A|*.a|B") << QStringLiteral("A (*.a)");
        QTest::newRow("empty") << QString() << QString();
    }

    void filtersBecomeQtFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(TQtUserInterface::QtFilter(filter), expected);
    }

    void messageBoxHasCaptionTextAndNoIcon()
    {
        TQtUserInterface ui;
        AnswerNextBox(QMessageBox::Ok);
        QCOMPARE(
            ui.MessageBox(QStringLiteral("Keine Dateien!"), QStringLiteral("Error"), TMessageButtons::Ok),
            TMessageResult::Ok);
        QCOMPARE(Shown, QStringLiteral("Error|Keine Dateien!"));
        QCOMPARE(Icon, QMessageBox::NoIcon);
        QCOMPARE(Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void questionAnswersYesOrNo()
    {
        TQtUserInterface ui;
        AnswerNextBox(QMessageBox::Yes);
        QCOMPARE(
            ui.MessageBox(QStringLiteral("Weiter?"), QStringLiteral("Frage"), TMessageButtons::YesNo),
            TMessageResult::Yes);
        QCOMPARE(Buttons, QMessageBox::Yes | QMessageBox::No);
        AnswerNextBox(QMessageBox::No);
        QCOMPARE(
            ui.MessageBox(QStringLiteral("Weiter?"), QStringLiteral("Frage"), TMessageButtons::YesNo),
            TMessageResult::No);
        AnswerNextBox(QMessageBox::Escape);
        QCOMPARE(
            ui.MessageBox(QStringLiteral("Weiter?"), QStringLiteral("Frage"), TMessageButtons::YesNo),
            TMessageResult::No);
    }

    void scriptRecordsCallsAndAnswersInTurn()
    {
        TScriptedUserInterface ui;
        ui.Answers = {TMessageResult::Yes};
        QCOMPARE(
            ui.MessageBox(QStringLiteral("q1"), QStringLiteral("Frage"), TMessageButtons::YesNo), TMessageResult::Yes);
        QCOMPARE(
            ui.MessageBox(QStringLiteral("q2"), QStringLiteral("Frage"), TMessageButtons::YesNo), TMessageResult::No);
        QCOMPARE(ui.MessageBox(QStringLiteral("m"), QStringLiteral("Error"), TMessageButtons::Ok), TMessageResult::Ok);

        ui.Paths = {QStringLiteral("/a.torrent"), std::nullopt, QStringLiteral("/dir")};
        brisolt::TSaveFileRequest save;
        save.Filter = QStringLiteral("Torrent Dateien (*.torrent)|*.torrent");
        save.FileName = QStringLiteral("/data/Holiday.torrent");
        save.DefaultSuffix = QStringLiteral("torrent");
        QCOMPARE(ui.SaveFile(save), std::optional<QString>(QStringLiteral("/a.torrent")));
        QCOMPARE(
            ui.OpenFile({QStringLiteral("Alle Dateien (*.*)|*.*"), QString(), QString()}), std::optional<QString>());
        QCOMPARE(
            ui.BrowseForFolder(QStringLiteral("Ordner"), QStringLiteral("/start")),
            std::optional<QString>(QStringLiteral("/dir")));
        QCOMPARE(ui.BrowseForFolder(QStringLiteral("Ordner"), QString()), std::optional<QString>());
        ui.OpenUrl(QStringLiteral("http://example.org/"));

        QCOMPARE(ui.Calls.size(), std::size_t{8});
        QCOMPARE(
            ui.Messages(),
            QStringList({QStringLiteral("Frage: q1"), QStringLiteral("Frage: q2"), QStringLiteral("Error: m")}));
        const auto& saveCall = ui.Calls[3];
        QVERIFY(saveCall.Kind == TScriptedUserInterface::TKind::SaveFile);
        QCOMPARE(saveCall.FileName, QStringLiteral("/data/Holiday.torrent"));
        QCOMPARE(saveCall.DefaultSuffix, QStringLiteral("torrent"));
        QVERIFY(saveCall.ConfirmOverwrite);
        QCOMPARE(ui.Calls[4].Filter, QStringLiteral("Alle Dateien (*.*)|*.*"));
        QCOMPARE(ui.Calls[5].Text, QStringLiteral("Ordner"));
        QCOMPARE(ui.Calls[5].Folder, QStringLiteral("/start"));
        QVERIFY(ui.Calls[7].Kind == TScriptedUserInterface::TKind::OpenUrl);
        QCOMPARE(ui.Calls[7].Text, QStringLiteral("http://example.org/"));
    }
};

QTEST_MAIN(TestUserInterface)
#include "userinterface_test.moc"
