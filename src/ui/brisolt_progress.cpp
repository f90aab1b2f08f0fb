#include "ui/brisolt_progress.h"

#include <algorithm>
#include <climits>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/brisolt_main.h"

namespace brisolt
{

namespace
{

QProgressBar* NewBar(QWidget* parent, const char* name, const QString& accessibleName)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setAccessibleName(accessibleName);
    return bar;
}

int BarSteps(int64_t steps)
{
    return static_cast<int>(std::clamp<int64_t>(steps, 0, INT_MAX));
}

// Beyond the maximum the bar stays full (a carried-over piece can give a file
// more steps than its size suggests).
void StepBar(QProgressBar* bar)
{
    if (bar->value() < bar->maximum())
        bar->setValue(bar->value() + 1);
}

// A bar that starts empty, also when it already was (so that it says so).
void RestartBar(QProgressBar* bar, int64_t steps)
{
    bar->reset();
    bar->setMaximum(BarSteps(steps));
    bar->setValue(0);
}

} // namespace

TfrmProgress::TfrmProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Erzeuge"));

    lblHashing = new QLabel(QStringLiteral("Hashe:"), this);
    lblHashing->setObjectName(QStringLiteral("lblHashing"));
    // Fixed in both directions: long names are clipped, the dialog keeps its
    // size, and a new name does not lay the dialog out again.
    lblHashing->setFixedSize(433, lblHashing->sizeHint().height());
    ProgressBar1 = NewBar(this, "ProgressBar1", QStringLiteral("Fortschritt der Datei"));
    lblOverall = new QLabel(QStringLiteral("Gesamter Fortschritt:"), this);
    lblOverall->setObjectName(QStringLiteral("lblOverall"));
    ProgressBar2 = NewBar(this, "ProgressBar2", QStringLiteral("Gesamter Fortschritt"));
    lblOverall->setBuddy(ProgressBar2);
    btnAbort = new QPushButton(QStringLiteral("&Abbrechen"), this);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    btnFinished = new QPushButton(QStringLiteral("&Fertig"), this);
    btnFinished->setObjectName(QStringLiteral("btnFinished"));
    btnFinished->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnAbort);
    buttons->addWidget(btnFinished);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(lblHashing);
    layout->addWidget(ProgressBar1);
    layout->addSpacing(8);
    layout->addWidget(lblOverall);
    layout->addWidget(ProgressBar2);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // fixed border: the user cannot resize it

    connect(btnAbort, &QPushButton::clicked, this, &TfrmProgress::btnAbortClick);
    connect(btnFinished, &QPushButton::clicked, this, &TfrmProgress::btnFinishedClick);
    connect(ProgressBar2, &QProgressBar::valueChanged, this, &TfrmProgress::OverallChanged);
}

void TfrmProgress::StartTorrent(const QString& title, int64_t steps)
{
    setWindowTitle(title);
    show();
    raise();
    RestartBar(ProgressBar2, steps);
}

void TfrmProgress::StartFile(const QString& name, int64_t steps)
{
    lblHashing->setText(QStringLiteral("Hashe Datei: ") + name);
    RestartBar(ProgressBar1, steps);
}

void TfrmProgress::Step()
{
    StepBar(ProgressBar1);
    StepBar(ProgressBar2);
}

void TfrmProgress::SetRunning(bool running)
{
    btnFinished->setEnabled(!running);
    btnAbort->setEnabled(running);
    if (running)
        return;
    btnFinished->setFocus();
    ProgressBar2->setValue(ProgressBar2->maximum());
    ProgressBar1->setValue(ProgressBar1->maximum());
}

void TfrmProgress::SetPainting(bool paint)
{
    for (QWidget* widget :
         {static_cast<QWidget*>(lblHashing), static_cast<QWidget*>(ProgressBar1), static_cast<QWidget*>(ProgressBar2)})
        widget->setUpdatesEnabled(paint);
}

int TfrmProgress::OverallPercent() const
{
    const qint64 span = qint64{ProgressBar2->maximum()} - ProgressBar2->minimum();
    const qint64 done = span > 0 ? (qint64{ProgressBar2->value()} - ProgressBar2->minimum()) * 100 / span : 0;
    return static_cast<int>(std::clamp<qint64>(done, 0, 100));
}

void TfrmProgress::btnAbortClick()
{
    // The flag is the main window's; the run sees it at its next question.
    if (auto* owner = qobject_cast<TfrmBrisolt*>(parentWidget()))
        owner->RequestAbort();
}

void TfrmProgress::btnFinishedClick()
{
    hide();
}

void TfrmProgress::reject()
{
    if (btnFinished->isEnabled())
        btnFinished->click();
}

void TfrmProgress::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

} // namespace brisolt
