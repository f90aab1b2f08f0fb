// The three dialogs as they start: captions, controls, and no way to close
// them but their own button.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/about.h"
#include "ui/brisolt_backup.h"
#include "ui/brisolt_progress.h"
#include "ui/credits.h"
#include "uitestsupport.h"

using brisolt::test::Child;
using brisolt::test::Shown;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;

class TestDialogs : public TWindowTest
{
    Q_OBJECT

private:
    static bool HasNoTitleButtons(const QWidget* dialog)
    {
        const Qt::WindowFlags flags = dialog->windowFlags();
        return flags.testFlag(Qt::CustomizeWindowHint) && !flags.testFlag(Qt::WindowCloseButtonHint)
               && !flags.testFlag(Qt::WindowMinimizeButtonHint) && !flags.testFlag(Qt::WindowMaximizeButtonHint);
    }

private slots:

    void progressDialogAsDesigned()
    {
        TWindow w;
        brisolt::TfrmProgress* progress = w.Form->frmProgress();
        QCOMPARE(progress->windowTitle(), QStringLiteral("Erzeuge"));
        QVERIFY(HasNoTitleButtons(progress));
        QCOMPARE(Child<QLabel>(*progress, "lblHashing")->text(), QStringLiteral("Hashe:"));
        QCOMPARE(Child<QLabel>(*progress, "lblOverall")->text(), QStringLiteral("Gesamter Fortschritt:"));
        for (const QProgressBar* bar :
             {Child<QProgressBar>(*progress, "ProgressBar1"), Child<QProgressBar>(*progress, "ProgressBar2")})
        {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 100);
            QCOMPARE(bar->value(), 0);
        }
        QCOMPARE(Shown(Child<QPushButton>(*progress, "btnAbort")->text()), QStringLiteral("Abbrechen"));
        QVERIFY(Child<QPushButton>(*progress, "btnAbort")->isEnabled());
        QCOMPARE(Shown(Child<QPushButton>(*progress, "btnFinished")->text()), QStringLiteral("Fertig"));
        QVERIFY(!Child<QPushButton>(*progress, "btnFinished")->isEnabled());
    }

    void progressDialogStaysWhileRunning()
    {
        TWindow w;
        brisolt::TfrmProgress* progress = w.Form->frmProgress();
        progress->show();
        QVERIFY(QTest::qWaitForWindowExposed(progress));
        QTest::keyClick(progress, Qt::Key_Escape);
        QVERIFY(!progress->close());
        QVERIFY2(progress->isVisible(), "only Fertig closes it");
        QSignalSpy finished(Child<QPushButton>(*progress, "btnFinished"), &QPushButton::clicked);
        Child<QPushButton>(*progress, "btnFinished")->setEnabled(true);
        QTest::keyClick(progress, Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
    }

    void backupDialogAsDesigned()
    {
        TWindow w;
        brisolt::TfrmBackup* backup = w.Form->frmBackup();
        QCOMPARE(backup->windowTitle(), QStringLiteral("Backup Trackerauswahl"));
        QVERIFY(HasNoTitleButtons(backup));
        QVERIFY(!backup->isModal());
        QCOMPARE(Child<QListWidget>(*backup, "lstBackup")->count(), 0);
        QCOMPARE(Child<QListWidget>(*backup, "lstBackup")->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(Shown(Child<QPushButton>(*backup, "btnUp")->text()), QStringLiteral("Auf"));
        QCOMPARE(Shown(Child<QPushButton>(*backup, "btnDown")->text()), QStringLiteral("Ab"));
        QCOMPARE(Shown(Child<QPushButton>(*backup, "btnRemove")->text()), QString::fromUtf8("Entferne ausgewählten"));
        QCOMPARE(Shown(Child<QPushButton>(*backup, "btnAdd")->text()), QString::fromUtf8("Hinzufügen:"));
        QVERIFY(!Child<QComboBox>(*backup, "cmbTrackers")->isEditable());
        QCOMPARE(Child<QComboBox>(*backup, "cmbTrackers")->count(), 0);
        QCOMPARE(Shown(Child<QPushButton>(*backup, "btnOk")->text()), QStringLiteral("OK"));
        QVERIFY(Child<QLabel>(*backup, "lblNote")->wordWrap());
        QCOMPARE(
            Child<QLabel>(*backup, "lblNote")->text(),
            QStringLiteral(
                "This is a preliminary implementation of multi-tracker support.  Only burst! RC5 and Kestor's S-5.5 "
                "clients currently support them.  Trackers from above will be tried in the order they are listed if "
                "the main tracker fails."));
        QSignalSpy ok(Child<QPushButton>(*backup, "btnOk"), &QPushButton::clicked);
        backup->show();
        QVERIFY(QTest::qWaitForWindowExposed(backup));
        QCOMPARE(backup->size(), QSize(478, 204));
        QTest::keyClick(backup, Qt::Key_Escape);
        QCOMPARE(ok.count(), 1);
    }

    void aboutDialogShell()
    {
        TWindow w;
        brisolt::TfrmAbout* about = w.Form->frmAbout();
        QVERIFY(HasNoTitleButtons(about));
        QCOMPARE(Shown(Child<QPushButton>(*about, "btnClose")->text()), QString::fromUtf8("Schließen"));
        QCOMPARE(Child<brisolt::TScrollingCredits>(*about, "ScrollingCredits1")->size(), QSize(572, 400));
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QCOMPARE(about->size(), QSize(572, 439));
        QSignalSpy closing(Child<QPushButton>(*about, "btnClose"), &QPushButton::clicked);
        QVERIFY(!about->close());
        QCOMPARE(closing.count(), 1);
    }
};

QTEST_MAIN(TestDialogs)
#include "dialogs_test.moc"
