// The controls of every page: captions, initial states, the interlocks of the
// private boxes, keyboard reach, names for screen readers, and the layout at
// the minimum size.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "ui/brisolt_backup.h"
#include "ui/brisolt_progress.h"
#include "uitestsupport.h"

using brisolt::test::Shown;
using brisolt::test::Strings;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;

namespace
{

QString Caption(const QObject* control)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return Shown(button->text());
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return Shown(label->text());
    if (const auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    return QStringLiteral("<no caption>");
}

// Every caption of the table, looked up by object name.
void VerifyCaptions(const TWindow& w, std::initializer_list<std::pair<const char*, const char*>> captions)
{
    for (const auto& [name, caption] : captions)
        QCOMPARE(Caption(w.Get<QWidget>(name)), QString::fromUtf8(caption));
}

// The named control that holds the focus widget (an editable combo box's
// line edit belongs to the combo box), or an empty name outside the page.
QString FocusName(const QWidget* page)
{
    for (const QWidget* widget = QApplication::focusWidget(); widget && widget != page; widget = widget->parentWidget())
    {
        if (!page->isAncestorOf(widget))
            break;
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_")))
            return widget->objectName();
    }
    return {};
}

// The controls that Tab reaches on the current page, in order, once round.
QStringList TabWalk(const TWindow& w)
{
    const auto* pages = w.Get<QTabWidget>("pgeMain");
    const QWidget* page = pages->currentWidget();
    pages->tabBar()->setFocus();
    QStringList walk;
    for (int step = 0; step < 80; ++step)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QString name = FocusName(page);
        if (name.isEmpty())
        {
            if (!walk.isEmpty())
                break;
            continue;
        }
        if (walk.contains(name))
            break;
        walk << name;
    }
    return walk;
}

// The letter after a single "&", lower case; empty without one.
QString Mnemonic(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i)
    {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toLower();
        ++i;
    }
    return {};
}

// Shows the page (and the create page's mode) that a row names, with the
// window active so that Tab and Alt reach it.
void ShowPage(TWindow& w, int page, int mode)
{
    QVERIFY(w.Show());
    w.Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
    w.Get<QTabWidget>("pgeMain")->setCurrentIndex(page);
    w.Get<QTabWidget>("pageMode")->setCurrentIndex(mode);
    QApplication::processEvents();
}

// Of what is visible in area: every tab and push button has a mnemonic, a
// label has one exactly when it names a field that takes the focus, and no
// letter is there twice. Collects the labels with a mnemonic.
void VerifyMnemonics(const QWidget* area, QList<QLabel*>& labels)
{
    QMap<QString, QString> owners; // mnemonic -> caption
    const auto take = [&](const QString& caption, bool required)
    {
        const QString letter = Mnemonic(caption);
        QVERIFY2(!required || !letter.isEmpty(), qPrintable(caption + QStringLiteral(" has no mnemonic")));
        if (letter.isEmpty())
            return;
        QVERIFY2(
            !owners.contains(letter),
            qPrintable(QStringLiteral("%1 in %2 and %3").arg(letter, owners.value(letter), caption)));
        owners.insert(letter, caption);
    };
    for (const auto* tabs : area->findChildren<QTabWidget*>())
        for (int i = 0; tabs->isVisible() && i < tabs->count(); ++i)
            if (tabs->isTabVisible(i))
                take(tabs->tabText(i), true);
    for (QWidget* control : area->findChildren<QWidget*>())
    {
        if (!control->isVisible())
            continue;
        if (const auto* button = qobject_cast<QAbstractButton*>(control))
            take(button->text(), qobject_cast<QPushButton*>(control) != nullptr);
        if (auto* label = qobject_cast<QLabel*>(control))
        {
            const bool namesField = label->buddy() && label->buddy()->focusPolicy() != Qt::NoFocus;
            QVERIFY2(Mnemonic(label->text()).isEmpty() != namesField, qPrintable(label->text()));
            QVERIFY2(Mnemonic(label->text()).isEmpty() || label->buddy(), qPrintable(label->text()));
            take(label->text(), false);
            if (namesField)
                labels << label;
        }
    }
    qInfo("%s", qPrintable(QStringList(owners.values()).join(QStringLiteral(" | "))));
}

void AddPageRows()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("mode");
    QTest::newRow("create, simple") << 0 << 0;
    QTest::newRow("create, classic") << 0 << 1;
    QTest::newRow("edit") << 1 << 0;
    QTest::newRow("settings") << 2 << 0;
    QTest::newRow("about") << 3 << 0;
}

bool HasName(const QWidget* control)
{
    if (!control->accessibleName().isEmpty())
        return true;
    const auto labels = control->window()->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) { return label->buddy() == control; });
}

// Controls that show something, as opposed to frames and pages.
bool IsControl(const QWidget* widget)
{
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLabel*>(widget)
           || qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget)
           || qobject_cast<const QAbstractItemView*>(widget) || qobject_cast<const QPlainTextEdit*>(widget)
           || qobject_cast<const QProgressBar*>(widget);
}

// Every visible control of area lies inside it, has at least its minimum
// size (its full size for captions), and overlaps no other control.
void VerifyNothingCutOff(const QWidget* area, const QString& where)
{
    QList<const QWidget*> controls;
    for (const QWidget* widget : area->findChildren<QWidget*>())
    {
        if (IsControl(widget) && widget->isVisibleTo(area) && !widget->objectName().isEmpty()
            && !qobject_cast<const QLineEdit*>(widget->parentWidget())
            && !qobject_cast<const QComboBox*>(widget->parentWidget()))
            controls << widget;
    }
    QVERIFY2(!controls.isEmpty(), qPrintable(where));
    for (const QWidget* control : controls)
    {
        const QString what = where + QLatin1Char('/') + control->objectName();
        const QRect box(control->mapTo(area, QPoint(0, 0)), control->size());
        QVERIFY2(area->rect().contains(box), qPrintable(what));
        const bool ignoresWidth = control->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored;
        const bool hasCaption =
            qobject_cast<const QAbstractButton*>(control)
            || (qobject_cast<const QLabel*>(control) && !qobject_cast<const QLabel*>(control)->wordWrap());
        // A minimum set on purpose (a memo of three lines) is what the layout honours.
        QSize needed = hasCaption ? control->sizeHint() : control->minimumSizeHint();
        if (!hasCaption && control->minimumWidth() > 0)
            needed.setWidth(control->minimumWidth());
        if (!hasCaption && control->minimumHeight() > 0)
            needed.setHeight(control->minimumHeight());
        QVERIFY2(ignoresWidth || control->width() >= needed.width(), qPrintable(what + QStringLiteral(" too narrow")));
        QVERIFY2(control->height() >= needed.height(), qPrintable(what + QStringLiteral(" too low")));
        for (const QWidget* other : controls)
        {
            const QRect otherBox(other->mapTo(area, QPoint(0, 0)), other->size());
            QVERIFY2(
                other == control || !box.intersects(otherBox),
                qPrintable(what + QStringLiteral(" overlaps ") + other->objectName()));
        }
    }
}

} // namespace

class TestControls : public TWindowTest
{
    Q_OBJECT

private:
private slots:

    void createPageAsDesigned()
    {
        TWindow w;
        VerifyCaptions(
            w,
            {{"btnAll", "Alle"},
             {"btnNone", "Keine"},
             {"btnInverse", "Invertieren"},
             {"lblSimpleTip", "Tip: Drücke Strg um mehrere Dateien auszuwählen"},
             {"lblClassicPath", "Datei- oder Pfadname:"},
             {"btnClassicFile", "Datei"},
             {"btnClassicDir", "Ordner"},
             {"radFolder", "Ein Torrent für gesamten Ordner"},
             {"radFile", "Für jede Datei seperaten Torrent erzeugen"},
             {"lblAnnounceURL", "Tracker:"},
             {"lblURL", "URL:"},
             {"lblStatus", "Status:"},
             {"btnVisit", "Besuchen"},
             {"radAuto", "Auto"},
             {"radCustom", "Custom:"},
             {"chkPrivate1", "Privater Torrent"},
             {"chkDHTAzu1", "Azureus"},
             {"chkDHTBitcomet1", "Bitcomet"},
             {"chkBackup", ""},
             {"btnBackup", "Benutze Backup Tracker"},
             {"lblComment", "Kommentar:"},
             {"btnCreateTorrent", "Erzeuge .torrent !"},
             {"btnPath", "Pfad"}});
        QCOMPARE(w.Get<QWidget>("btnCreateTorrent")->toolTip(), QStringLiteral("Erstelle .torrent Metadatadatei."));
        QCOMPARE(
            w.Get<QWidget>("radAuto")->toolTip(), QString::fromUtf8("Automatische auswahl der TEilgröße (Empfohlen)"));
        QCOMPARE(w.Get<QWidget>("radCustom")->toolTip(), QString::fromUtf8("Manuell festgelegte Teilgröße"));
        QCOMPARE(
            w.Get<QWidget>("btnVisit")->toolTip(), QString::fromUtf8("Öffnet die Homepage des ausgewählten Trackers"));
        QVERIFY(w.Get<QRadioButton>("radAuto")->isChecked());
        QVERIFY(!w.Get<QRadioButton>("radCustom")->isChecked());
        QVERIFY(w.Get<QRadioButton>("radFolder")->isChecked());
        QVERIFY(!w.Get<QRadioButton>("radFile")->isChecked());
        QVERIFY(w.Get<QListWidget>("FileListBox1")->selectionMode() == QAbstractItemView::ExtendedSelection);
        QVERIFY(!w.Get<QWidget>("btnPath")->isVisibleTo(w.Form.get()));
        QVERIFY(!w.Get<QWidget>("lblPfad")->isVisibleTo(w.Form.get()));

        const auto* pieces = w.Get<QComboBox>("cmbPieceSize");
        QStringList items;
        for (int i = 0; i < pieces->count(); ++i)
            items << pieces->itemText(i);
        QCOMPARE(
            items, Strings({"64kb", "128kb", "256kb", "512kb", "1024kb", "2048kb", "4096kb", "8192kb", "16384kb"}));
        QCOMPARE(pieces->currentIndex(), 1);
        QVERIFY(!pieces->isEnabled());
        QCOMPARE(pieces->toolTip(), QString::fromUtf8("Teilgröße in Kilobyte"));

        const auto* tracker = w.Get<QComboBox>("cmbAnnounceURL");
        QVERIFY(tracker->isEditable());
        QCOMPARE(
            tracker->currentText(), QString::fromUtf8("Gib die Trackeradresse ein oder wähle einen aus der Liste"));
        QCOMPARE(tracker->count(), 1);
        QCOMPARE(tracker->itemText(0), QStringLiteral("[please wait - refreshing list]"));
        QCOMPARE(tracker->toolTip(), QString::fromUtf8("Wähle einen Tracker oder gib die Tracker URL manuell ein."));
    }

    void editPageAsDesigned()
    {
        TWindow w;
        VerifyCaptions(
            w,
            {{"btnTorrentBrowse", "Öffne Torrent"},
             {"lblTorrent", "Torrent:"},
             {"lblViewAnnounceURL", "Announce URL:"},
             {"chkViewBackup", ""},
             {"btnViewBackupTrackers", "Backup"},
             {"lblViewName", "Name:"},
             {"lblViewComment", "Kommentar:"},
             {"lblViewSHA1", "Hash:"},
             {"lblViewCreationDate", "Erstellungsdatum:"},
             {"btnCreationDateReset", "Reset"},
             {"chkPrivate2", "Privater Torrent"},
             {"chkDHTAzu2", "Azureus DHT"},
             {"chkDHTBitcomet2", "Bitcomet DHT"},
             {"grpFiles", "Dateien"},
             {"lblFilesName", "Name:"},
             {"btnChange", "Ändern"},
             {"lblFilesSize", "Größe:"},
             {"btnViewSave", "Speichern"},
             {"btnViewSaveAs", "Speichern als"}});
        QVERIFY(!w.Get<QWidget>("lblTorrent")->isVisibleTo(w.Form.get()));
        for (const char* name : {"txtTorrent", "txtAnnounceURL", "txtViewName", "txtFilesName"})
            QVERIFY2(w.Get<QLineEdit>(name)->text().isEmpty(), name);
        QVERIFY(w.Get<QPlainTextEdit>("mmoViewComment")->toPlainText().isEmpty());
        QCOMPARE(w.Get<QPlainTextEdit>("mmoViewComment")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(w.Get<QListWidget>("lstFiles")->count(), 0);
        QCOMPARE(w.Get<QListWidget>("lstFiles")->selectionMode(), QAbstractItemView::SingleSelection);
        for (const char* name : {"btnViewBackupTrackers", "btnViewSave", "btnViewSaveAs"})
            QVERIFY2(!w.Get<QWidget>(name)->isEnabled(), name);
        QVERIFY(w.ViewFileName().isEmpty());
    }

    void settingsPageAsDesigned()
    {
        TWindow w;
        VerifyCaptions(
            w,
            {{"radStartupMode", "Startmodus"},
             {"radSimple", "Einfach"},
             {"radClassic", "Klassisch"},
             {"chkRememberFolder", "Zuletzt benutzten Ordner merken"},
             {"chkRememberTracker", "Tracker merken, welcher zuletzt benutzt wurde"},
             {"chkNoUpdate", "KEIN Update der Tracker beim Starten"},
             {"chkAutoSave", "Automatisches speichern der Einstellungen beim beenden"},
             {"chkSkipThumbs", "Datei thumbs.db immer ignorieren"},
             {"chkZINdefault", "ZIN Einstellungen als Standard"},
             {"btnSaveSettings", "Einstellungen speichern"},
             {"grpPrivateTrackers", "Eigene Tracker "},
             {"lblPrivateName", "Name:"},
             {"lblPrivateAnnounce", "Announce URL:"},
             {"lblPrivateWebsite", "Website URL:"},
             {"btnPrivateAddModify", "Hinzufügen"},
             {"btnPrivateDelete", "Löschen"}});
        // The start-mode buttons belong to the page, beside the frame.
        const QWidget* page = w.Get<QWidget>("tabSettings");
        QCOMPARE(w.Get<QWidget>("radSimple")->parentWidget(), page);
        QCOMPARE(w.Get<QWidget>("radClassic")->parentWidget(), page);
        QVERIFY(!w.Get<QWidget>("btnPrivateDelete")->isEnabled());
        QVERIFY(w.Get<QWidget>("grpPrivateTrackers")->isAncestorOf(w.Get<QWidget>("lstPrivateTrackers")));
    }

    void aboutPageAsDesigned()
    {
        TWindow w;
        VerifyCaptions(
            w,
            {{"btnHomepage", "Homepage"},
             {"btnAboutOrl", "Über Orl"},
             {"btnOrlForum", "Forum"},
             {"btnOrlTracker", "Tracker"}});
        const auto* history = w.Get<QPlainTextEdit>("mmoAbout");
        QVERIFY(history->isReadOnly());
        QCOMPARE(history->toolTip(), QStringLiteral("Versionsgeschichte zu Brisolt"));
    }

    void privateOnTheCreatePageLocksDhtAndBackup()
    {
        Box->WriteIni("[settings]\ndefaultzin=0\n");
        TWindow w;
        auto* backup = w.Get<QCheckBox>("chkBackup");
        auto* azureus = w.Get<QCheckBox>("chkDHTAzu1");
        auto* bitcomet = w.Get<QCheckBox>("chkDHTBitcomet1");
        auto* button = w.Get<QPushButton>("btnBackup");
        backup->click();
        QVERIFY(button->isEnabled());
        azureus->click();
        w.Get<QCheckBox>("chkPrivate1")->click();
        for (QCheckBox* box : {azureus, bitcomet, backup})
            QVERIFY2(!box->isChecked() && !box->isEnabled(), qPrintable(box->objectName()));
        QVERIFY2(!button->isEnabled(), "clearing the backup box disables its button");
        w.Get<QCheckBox>("chkPrivate1")->click();
        for (QCheckBox* box : {azureus, bitcomet, backup})
            QVERIFY2(!box->isChecked() && box->isEnabled(), qPrintable(box->objectName()));
        QVERIFY(!button->isEnabled());
        backup->click();
        QVERIFY(button->isEnabled());
    }

    void privateOnTheEditPageLocksDhtAndBackup()
    {
        Box->WriteIni("[settings]\ndefaultzin=0\n");
        TWindow w;
        auto* backup = w.Get<QCheckBox>("chkViewBackup");
        auto* azureus = w.Get<QCheckBox>("chkDHTAzu2");
        auto* bitcomet = w.Get<QCheckBox>("chkDHTBitcomet2");
        backup->click();
        bitcomet->click();
        QVERIFY2(!w.Get<QWidget>("btnViewBackupTrackers")->isEnabled(), "no torrent is loaded");
        w.Get<QCheckBox>("chkPrivate2")->click();
        for (QCheckBox* box : {azureus, bitcomet, backup})
            QVERIFY2(!box->isChecked() && !box->isEnabled(), qPrintable(box->objectName()));
        w.Get<QCheckBox>("chkPrivate2")->click();
        for (QCheckBox* box : {azureus, bitcomet, backup})
            QVERIFY2(!box->isChecked() && box->isEnabled(), qPrintable(box->objectName()));
        QVERIFY(w.Get<QCheckBox>("chkPrivate1")->isEnabled() && !w.Get<QCheckBox>("chkPrivate1")->isChecked());
    }

    void tabReachesEveryControlInReadingOrder()
    {
        Box->WriteIni("[settings]\ndefaultzin=0\n");
        TWindow w;
        QVERIFY(w.Show());
        w.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
        auto* pages = w.Get<QTabWidget>("pgeMain");
        const QList<QStringList> expected = {
            Strings(
                {"pageMode",
                 "DriveComboBox1",
                 "DirectoryListBox1",
                 "FileListBox1",
                 "btnAll",
                 "btnNone",
                 "btnInverse",
                 "cmbAnnounceURL",
                 "radAuto",
                 "chkPrivate1",
                 "chkDHTAzu1",
                 "chkDHTBitcomet1",
                 "chkBackup",
                 "mmoComment",
                 "btnCreateTorrent"}),
            Strings(
                {"btnTorrentBrowse",
                 "txtTorrent",
                 "txtAnnounceURL",
                 "chkViewBackup",
                 "txtViewName",
                 "mmoViewComment",
                 "btnCreationDateReset",
                 "chkPrivate2",
                 "chkDHTAzu2",
                 "chkDHTBitcomet2",
                 "lstFiles",
                 "txtFilesName",
                 "btnChange"}),
            Strings(
                {"radSimple",
                 "chkRememberFolder",
                 "chkRememberTracker",
                 "chkNoUpdate",
                 "chkAutoSave",
                 "chkSkipThumbs",
                 "lstPrivateTrackers",
                 "txtPrivateName",
                 "txtPrivateAnnounce",
                 "txtPrivateWebsite",
                 "btnPrivateAddModify",
                 "btnSaveSettings"}),
            Strings({"mmoAbout", "btnHomepage", "btnAboutOrl", "btnOrlForum", "btnOrlTracker"})};
        for (int page = 0; page < expected.size(); ++page)
        {
            pages->setCurrentIndex(page);
            QCOMPARE(TabWalk(w), expected[page]);
        }
        pages->setCurrentIndex(0);
        w.Get<QTabWidget>("pageMode")->setCurrentIndex(1);
        QCOMPARE(
            TabWalk(w).mid(0, 6),
            Strings({"pageMode", "txtClassicPath", "btnClassicFile", "btnClassicDir", "radFolder", "cmbAnnounceURL"}));
    }

    void controlsWithoutCaptionHaveAName()
    {
        TWindow w;
        QList<QWidget*> all = w.Form->findChildren<QWidget*>();
        for (QWidget* control : all)
        {
            const bool unlabelled = qobject_cast<QLineEdit*>(control) || qobject_cast<QPlainTextEdit*>(control)
                                    || qobject_cast<QAbstractItemView*>(control) || qobject_cast<QComboBox*>(control)
                                    || qobject_cast<QProgressBar*>(control)
                                    || (qobject_cast<QAbstractButton*>(control)
                                        && qobject_cast<QAbstractButton*>(control)->text().isEmpty());
            // Parts of composite controls (a combo box's edit field and list) speak for their owner.
            if (!unlabelled || control->objectName().isEmpty()
                || control->objectName().startsWith(QLatin1String("qt_")))
                continue;
            QVERIFY2(HasName(control), qPrintable(control->objectName()));
        }
    }

    void nothingIsCutOffAtTheMinimumSize_data() { AddPageRows(); }

    // Tabs, push buttons and labels of a field carry a mnemonic, no letter twice
    // on what is visible at once; Alt with a label's letter focuses its field,
    // and with a tab's letter shows that page.
    void mnemonicsAreUniquePerPage_data() { AddPageRows(); }

    void mnemonicsAreUniquePerPage()
    {
        QFETCH(int, page);
        QFETCH(int, mode);
        TWindow w;
        w.HoldRefresh();
        ShowPage(w, page, mode);
        QList<QLabel*> labels;
        VerifyMnemonics(w.Form.get(), labels);
        if (QTest::currentTestFailed())
            return;
        for (const QLabel* label : labels)
        {
            QTest::keyClick(w.Form.get(), Mnemonic(label->text()).at(0).toLatin1(), Qt::AltModifier);
            const QWidget* focus = QApplication::focusWidget();
            const bool reached = focus && (focus == label->buddy() || label->buddy()->isAncestorOf(focus));
            QVERIFY2(reached || !label->buddy()->isEnabled(), qPrintable(label->objectName()));
        }
        auto* pages = w.Get<QTabWidget>("pgeMain");
        for (int i = pages->count() - 1; i >= 0; --i)
        {
            if (!pages->isTabVisible(i))
                continue;
            QTest::keyClick(w.Form.get(), Mnemonic(pages->tabText(i)).at(0).toLatin1(), Qt::AltModifier);
            QCOMPARE(pages->currentIndex(), i);
        }
    }

    // The buttons of a group are one stop for Tab: the checked one, however it got checked.
    void tabEntersARadioGroupAtItsCheckedButton_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("other");
        QTest::newRow("piece size") << 0 << 0 << "radCustom"
                                    << "radAuto";
        QTest::newRow("classic source") << 0 << 1 << "radFile"
                                        << "radFolder";
        QTest::newRow("start mode") << 2 << 0 << "radClassic"
                                    << "radSimple";
    }

    void tabEntersARadioGroupAtItsCheckedButton()
    {
        QFETCH(int, page);
        QFETCH(int, mode);
        QFETCH(QString, checked);
        QFETCH(QString, other);
        Box->WriteIni("[settings]\nstartup=1\n"); // the settings check "Klassisch"
        TWindow w;
        w.HoldRefresh();
        w.Get<QRadioButton>("radCustom")->setChecked(true);
        w.Get<QRadioButton>("radFile")->setChecked(true);
        ShowPage(w, page, mode);
        const QStringList walk = TabWalk(w);
        QVERIFY2(walk.contains(checked) && !walk.contains(other), qPrintable(walk.join(QLatin1Char(' '))));
        // Back again the other way, after the user moved the focus by mouse.
        w.Get<QRadioButton>(qPrintable(other))->click();
        QVERIFY(TabWalk(w).contains(other));
    }

    // What a screen reader says for each control that takes the focus is
    // unique on its page.
    void accessibleNamesAreDistinctPerPage_data() { AddPageRows(); }

    void accessibleNamesAreDistinctPerPage()
    {
        QFETCH(int, page);
        QFETCH(int, mode);
        TWindow w;
        w.HoldRefresh();
        ShowPage(w, page, mode);
        QMap<QString, QString> names; // name -> object name
        for (QWidget* control : w.Form->findChildren<QWidget*>())
        {
            // A screen reader names a combo box by the label that is its buddy, shown or not.
            if (qobject_cast<QComboBox*>(control) && control->isVisible())
            {
                const auto labels = w.Form->findChildren<QLabel*>();
                QVERIFY2(
                    std::any_of(
                        labels.begin(), labels.end(), [&](const QLabel* label) { return label->buddy() == control; }),
                    qPrintable(control->objectName()));
            }
            // A combo box's name is its current text; parts of composite controls speak for their owner.
            if (!control->isVisible() || !IsControl(control) || !(control->focusPolicy() & Qt::TabFocus)
                || qobject_cast<QComboBox*>(control) || control->objectName().isEmpty()
                || control->objectName().startsWith(QLatin1String("qt_")))
                continue;
            const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
            QVERIFY2(
                !names.contains(name),
                qPrintable(QStringLiteral("%1: %2 and %3").arg(name, names.value(name), control->objectName())));
            names.insert(name, control->objectName());
        }
        if (page == 1)
        {
            QCOMPARE(names.value(QStringLiteral("Name des Torrents")), QStringLiteral("txtViewName"));
            QCOMPARE(
                names.value(QString::fromUtf8("Pfad und Name der gewählten Datei")), QStringLiteral("txtFilesName"));
        }
    }

    void nothingIsCutOffAtTheMinimumSize()
    {
        QFETCH(int, page);
        QFETCH(int, mode);
        TWindow w;
        QVERIFY(w.Show());
        QCOMPARE(w.Form->size(), QSize(608, 502));
        w.Get<QTabWidget>("pgeMain")->setCurrentIndex(page);
        w.Get<QTabWidget>("pageMode")->setCurrentIndex(mode);
        QApplication::processEvents();
        VerifyNothingCutOff(w.Form.get(), QString::number(page));
    }

    void dialogsShowAllTheirControls()
    {
        TWindow w;
        for (QDialog* dialog :
             {static_cast<QDialog*>(w.Form->frmProgress()), static_cast<QDialog*>(w.Form->frmBackup())})
        {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            VerifyNothingCutOff(dialog, dialog->objectName());
            QList<QLabel*> labels;
            VerifyMnemonics(dialog, labels);
            dialog->hide();
        }
    }
};

QTEST_MAIN(TestControls)
#include "controls_test.moc"
