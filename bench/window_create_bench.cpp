// Drives the window's create action offscreen, as a user would on the
// classic page, and reports how long it took, the longest time the event
// loop went unserved during hashing, and optionally how long "Abbrechen"
// took to end the run.
//
// usage: window_create_bench SOURCE OUTPUT PIECE_INDEX [ABORT_AFTER_MS]
// prints: "wall_s max_pause_ms pumps cpu_s [abort_latency_ms]", cpu_s being
// the process's processor time (all threads, user and system) during the run;
// on standard error, when the longest pause began.
// With BRISOLT_SHOTS=FOLDER it also saves pictures of the window and of the
// progress dialog a quarter of a second into the run and after it.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include "ui/brisolt_main.h"
#include "ui/brisolt_progress.h"
#include "ui/userinterface.h"

namespace
{

template <class T>
T* Control(const QObject& form, const char* name)
{
    auto* control = form.findChild<T*>(QLatin1String(name));
    if (!control)
    {
        std::fprintf(stderr, "no control %s\n", name);
        std::exit(2);
    }
    return control;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: %s SOURCE OUTPUT PIECE_INDEX [ABORT_AFTER_MS]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    brisolt::TScriptedUserInterface ui;
    brisolt::TfrmBrisolt form(ui, {QStringLiteral("brisolt")});
    Control<QTimer>(form, "updateTimer")->stop(); // no tracker download during the run
    form.show();
    Control<QComboBox>(form, "cmbAnnounceURL")->setEditText(QStringLiteral("http://t/a"));
    Control<QTabWidget>(form, "pageMode")->setCurrentIndex(1);
    Control<QLineEdit>(form, "txtClassicPath")->setText(QString::fromLocal8Bit(argv[1]));
    Control<QRadioButton>(form, "radCustom")->setChecked(true);
    Control<QComboBox>(form, "cmbPieceSize")->setCurrentIndex(std::atoi(argv[3]));
    ui.Paths.push_back(QString::fromLocal8Bit(argv[2]));
    // The window has been painted once before the user can click (fonts and
    // glyphs are loaded by then), as it has in real use, and the settings
    // write that follows its first sizing (200 ms later) is over.
    (void)form.grab();
    {
        QEventLoop settle;
        QTimer::singleShot(400, &settle, &QEventLoop::quit);
        settle.exec();
    }

    // A 5 ms timer fires whenever the event loop is served: the longest gap
    // between two firings is the longest pause, to within the interval. A
    // shorter one wakes the cores so often that it slows the run it measures
    // (a 1 ms timer cost the 5 GiB run about 0.07 s of processor time).
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 maxPause = 0;
    qint64 maxPauseAt = 0; // when the longest pause began
    long pumps = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(5);
    QObject::connect(
        &probe,
        &QTimer::timeout,
        [&]
        {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0 && now - last > maxPause)
            {
                maxPause = now - last;
                maxPauseAt = last;
            }
            last = now;
            ++pumps;
        });

    const QString shots = qEnvironmentVariable("BRISOLT_SHOTS");
    bool shotTaken = false;
    const auto shoot = [&](QWidget* widget, const char* name)
    {
        widget->grab().save(QDir(shots).filePath(QLatin1String(name) + QStringLiteral(".png")));
    };
    if (!shots.isEmpty())
    {
        QObject::connect(
            &probe,
            &QTimer::timeout,
            [&]
            {
                if (shotTaken || clock.elapsed() < 250)
                    return;
                shotTaken = true;
                shoot(&form, "create-running");
                shoot(form.frmProgress(), "progress-running");
            });
    }

    qint64 abortAt = -1;
    if (argc > 4)
    {
        QTimer::singleShot(
            std::atoi(argv[4]),
            [&]
            {
                abortAt = clock.nsecsElapsed();
                form.frmProgress()->btnAbort->click();
            });
    }
    const std::clock_t cpuStart = std::clock();
    timespec threadStart{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &threadStart);
    clock.start();
    probe.start();
    Control<QPushButton>(form, "btnCreateTorrent")->click();
    const qint64 end = clock.nsecsElapsed();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    timespec threadEnd{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &threadEnd);
    const double windowCpu = static_cast<double>(threadEnd.tv_sec - threadStart.tv_sec)
                             + static_cast<double>(threadEnd.tv_nsec - threadStart.tv_nsec) / 1e9;
    probe.stop();
    if (!shots.isEmpty())
    {
        QApplication::processEvents();
        shoot(form.frmProgress(), "progress-done");
    }

    const QStringList messages = ui.Messages();
    if (!messages.isEmpty() && abortAt < 0)
    {
        std::fprintf(stderr, "%s\n", qPrintable(messages.join(QLatin1Char('\n'))));
        return 1;
    }
    std::fprintf(
        stderr,
        "longest pause %.1f ms, from %.1f ms into the run; the window's thread used %.3f s of processor time\n",
        static_cast<double>(maxPause) / 1e6,
        static_cast<double>(maxPauseAt) / 1e6,
        windowCpu);
    std::printf("%.3f %.1f %ld %.3f", static_cast<double>(end) / 1e9, static_cast<double>(maxPause) / 1e6, pumps, cpu);
    if (abortAt >= 0)
        std::printf(" %.1f", static_cast<double>(end - abortAt) / 1e6);
    std::printf("\n");
    return 0;
}
