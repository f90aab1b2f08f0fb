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
#include "uitestsupport.h"

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
        QCOMPARE(progress->lblHashing->objectName(), QStringLiteral("lblHashing"));
        QCOMPARE(progress->lblHashing->text(), QStringLiteral("Hashe:"));
        QCOMPARE(progress->lblOverall->text(), QStringLiteral("Gesamter Fortschritt:"));
        for (const QProgressBar* bar : {progress->ProgressBar1, progress->ProgressBar2})
        {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 100);
            QCOMPARE(bar->value(), 0);
        }
        QCOMPARE(progress->ProgressBar2->objectName(), QStringLiteral("ProgressBar2"));
        QCOMPARE(Shown(progress->btnAbort->text()), QStringLiteral("Abbrechen"));
        QVERIFY(progress->btnAbort->isEnabled());
        QCOMPARE(Shown(progress->btnFinished->text()), QStringLiteral("Fertig"));
        QVERIFY(!progress->btnFinished->isEnabled());
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
        QSignalSpy finished(progress->btnFinished, &QPushButton::clicked);
        progress->btnFinished->setEnabled(true);
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
        QCOMPARE(backup->lstBackup->count(), 0);
        QCOMPARE(backup->lstBackup->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(Shown(backup->btnUp->text()), QStringLiteral("Auf"));
        QCOMPARE(Shown(backup->btnDown->text()), QStringLiteral("Ab"));
        QCOMPARE(Shown(backup->btnRemove->text()), QString::fromUtf8("Entferne ausgewählten"));
        QCOMPARE(Shown(backup->btnAdd->text()), QString::fromUtf8("Hinzufügen:"));
        QVERIFY(!backup->cmbTrackers->isEditable());
        QCOMPARE(backup->cmbTrackers->count(), 0);
        QCOMPARE(Shown(backup->btnOk->text()), QStringLiteral("OK"));
        QVERIFY(backup->lblNote->wordWrap());
        QCOMPARE(
            backup->lblNote->text(),
            QStringLiteral(
                "This is a preliminary implementation of multi-tracker support.  Only burst! RC5 and Kestor's S-5.5 "
                "clients currently support them.  Trackers from above will be tried in the order they are listed if "
                "the main tracker fails."));
        QSignalSpy ok(backup->btnOk, &QPushButton::clicked);
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
        QCOMPARE(Shown(about->btnClose->text()), QString::fromUtf8("Schließen"));
        QCOMPARE(about->ScrollingCredits1->size(), QSize(572, 400));
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QCOMPARE(about->size(), QSize(572, 439));
        QSignalSpy closing(about->btnClose, &QPushButton::clicked);
        QVERIFY(!about->close());
        QCOMPARE(closing.count(), 1);
    }
};

QTEST_MAIN(TestDialogs)
#include "dialogs_test.moc"
