// The progress dialog during real runs: label, the bars' maxima and steps,
// the buttons and the focus, the caption, reuse across torrents, and
// "Fertig" as the only way out.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "create/createsupport.h"
#include "ui/brisolt_progress.h"
#include "uitestsupport.h"

using brisolt::TfrmProgress;
using brisolt::test::Child;
using brisolt::test::Q;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;
namespace fs = std::filesystem;

namespace
{

// What the bars went through during one run.
struct TBarLog
{
    std::vector<int> FileMaxima;
    std::vector<int> FileValues;
    std::vector<int> OverallValues;
    QStringList Labels;
};

} // namespace

class TestProgress : public TWindowTest
{
    Q_OBJECT

public:
    TestProgress()
        : TWindowTest(true)
    {
    }

private:
    fs::path Write(const fs::path& relative, std::size_t size)
    {
        return Box->Write(fs::path("data") / relative, brisolt::test::RandomBytes(size, 7));
    }

    void SetUp() override
    {
        W->Get<QComboBox>("cmbAnnounceURL")->setEditText(QStringLiteral("http://t.test/a"));
        W->Get<QTabWidget>("pageMode")->setCurrentIndex(1);
        W->Get<QRadioButton>("radCustom")->setChecked(true);
        W->Get<QComboBox>("cmbPieceSize")->setCurrentIndex(0);
    }

    TfrmProgress& Progress() { return *W->Form->frmProgress(); }

    // Creates a torrent of path (64 KiB pieces) on the classic page, logging the bars.
    TBarLog Create(const fs::path& path, const fs::path& output)
    {
        TBarLog log;
        TfrmProgress& progress = Progress();
        // A file's start sets its bar to 0.
        const auto a = connect(
            Child<QProgressBar>(progress, "ProgressBar1"),
            &QProgressBar::valueChanged,
            this,
            [&](int value)
            {
                log.FileValues.push_back(value);
                if (value != 0)
                    return;
                log.FileMaxima.push_back(Child<QProgressBar>(progress, "ProgressBar1")->maximum());
                log.Labels << Child<QLabel>(progress, "lblHashing")->text();
            });
        const auto c = connect(
            Child<QProgressBar>(progress, "ProgressBar2"),
            &QProgressBar::valueChanged,
            this,
            [&](int v) { log.OverallValues.push_back(v); });
        W->Get<QLineEdit>("txtClassicPath")->setText(Q(path));
        W->Ui.Paths.push_back(Q(output));
        W->Get<QPushButton>("btnCreateTorrent")->click();
        disconnect(a);
        disconnect(c);
        return log;
    }

private slots:

    void anExactMultipleFillsTheLastStepOnlyAtDone()
    {
        const auto file = Write("exact.bin", 2 * 65536);
        const auto output = Box->Root() / "exact.torrent";
        const TBarLog log = Create(file, output);
        QVERIFY2(W->Ui.Messages().isEmpty(), qPrintable(W->Ui.Messages().join(u'\n')));
        QCOMPARE(Progress().windowTitle(), QStringLiteral("Erzeuge: ") + Q(output));
        QCOMPARE(Child<QLabel>(Progress(), "lblHashing")->text(), QStringLiteral("Hashe Datei: exact.bin"));
        QCOMPARE(log.FileMaxima, std::vector<int>{3});
        // Two pieces, then "done" fills the bar's third step.
        QCOMPARE(log.OverallValues, (std::vector<int>{0, 1, 2, 3}));
        QCOMPARE(log.FileValues, (std::vector<int>{0, 1, 2, 3}));
        QCOMPARE(Child<QProgressBar>(Progress(), "ProgressBar2")->maximum(), 3);
        QVERIFY(Progress().isVisible());
        QVERIFY(Child<QPushButton>(Progress(), "btnFinished")->isEnabled());
        QVERIFY(!Child<QPushButton>(Progress(), "btnAbort")->isEnabled());
        QCOMPARE(Progress().focusWidget(), Child<QPushButton>(Progress(), "btnFinished"));
        QVERIFY(brisolt::test::CheckWithLibtorrent(output, file).rfind("ok 2", 0) == 0);
    }

    void windowTitleShowsTheRunAndComesBack()
    {
        const auto file = Write("title.bin", 2 * 65536);
        const auto output = Box->Root() / "title.torrent";
        QStringList titles;
        connect(W->Form.get(), &QWidget::windowTitleChanged, this, [&](const QString& title) { titles << title; });
        Create(file, output);
        const QString run = QString::fromUtf8(" % – Erzeuge: ") + Q(output);
        QCOMPARE(
            titles,
            QStringList(
                {QStringLiteral("0") + run,
                 QStringLiteral("33") + run,
                 QStringLiteral("66") + run,
                 QStringLiteral("100") + run,
                 QLatin1String(brisolt::kProgramTitle)}));
    }

    void aCarriedOverPieceStepsTheFileThatEndsIt()
    {
        // 100 KiB, an empty file, 30 KiB; 64 KiB pieces: piece 1 begins in
        // a.bin and ends in c.bin, which also gets the final short piece.
        Write("Set/a.bin", 100 * 1024);
        Write("Set/b.bin", 0);
        Write("Set/c.bin", 30 * 1024);
        const auto output = Box->Root() / "set.torrent";
        const TBarLog log = Create(Box->Root() / "data" / "Set", output);
        QVERIFY2(W->Ui.Messages().isEmpty(), qPrintable(W->Ui.Messages().join(u'\n')));
        // Size / piece length + 1: 2 for a.bin, 1 for the empty b.bin, 1 for c.bin.
        QCOMPARE(log.FileMaxima, (std::vector<int>{2, 1, 1}));
        QCOMPARE(
            log.Labels,
            (QStringList{
                QStringLiteral("Hashe Datei: a.bin"),
                QStringLiteral("Hashe Datei: b.bin"),
                QStringLiteral("Hashe Datei: c.bin")}));
        // The empty file gets no step; c.bin gets two and stays full at 1.
        QCOMPARE(log.FileValues, (std::vector<int>{0, 1, 0, 0, 1}));
        QCOMPARE(Child<QProgressBar>(Progress(), "ProgressBar1")->value(), 1);
        // Three pieces on a bar of 130K / 64K + 1 = 3 steps.
        QCOMPARE(Child<QProgressBar>(Progress(), "ProgressBar2")->maximum(), 3);
        QCOMPARE(log.OverallValues, (std::vector<int>{0, 1, 2, 3}));
        QVERIFY(brisolt::test::CheckWithLibtorrent(output, Box->Root() / "data").rfind("ok 3", 0) == 0);
    }

    void theDialogIsReusedAndClosedOnlyByFertig()
    {
        const auto first = Write("first.bin", 1000);
        const auto second = Write("second.bin", 1000);
        (void)Create(first, Box->Root() / "first.torrent");
        QVERIFY(Progress().isVisible());
        QVERIFY(!Progress().isModal());
        QVERIFY(W->Form->isEnabled());

        // Not closed in between: the next run sets caption, bars and buttons afresh.
        std::vector<bool> finishedAtStart;
        const auto c = connect(
            Child<QProgressBar>(Progress(), "ProgressBar2"),
            &QProgressBar::valueChanged,
            this,
            [&] { finishedAtStart.push_back(Child<QPushButton>(Progress(), "btnFinished")->isEnabled()); });
        (void)Create(second, Box->Root() / "second.torrent");
        disconnect(c);
        QCOMPARE(Progress().windowTitle(), QStringLiteral("Erzeuge: ") + Q(Box->Root() / "second.torrent"));
        QCOMPARE(finishedAtStart.front(), true); // the bar is reset before "start"
        QCOMPARE(finishedAtStart.at(1), false);  // the piece step, between "start" and "done"
        QVERIFY(Progress().isVisible());

        Child<QPushButton>(Progress(), "btnFinished")->click();
        QVERIFY(!Progress().isVisible());
    }

    void enterOnFertigClosesTheDialog()
    {
        const auto file = Write("enter.bin", 5000);
        (void)Create(file, Box->Root() / "enter.torrent");
        QVERIFY(QTest::qWaitForWindowExposed(&Progress()));
        Progress().activateWindow();
        QTRY_VERIFY(Progress().isActiveWindow());
        QTest::keyClick(Progress().focusWidget(), Qt::Key_Return);
        QVERIFY(!Progress().isVisible());
    }
};

QTEST_MAIN(TestProgress)
#include "progress_test.moc"
