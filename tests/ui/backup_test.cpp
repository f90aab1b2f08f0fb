// The backup tracker dialog: the working list and its buttons, the combo
// filled from the directory at each opening, and the create page's box.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/brisolt_backup.h"
#include "uitestsupport.h"

using brisolt::TfrmBackup;
using brisolt::test::Child;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;

namespace
{

QStringList Shown(const TfrmBackup& backup)
{
    QStringList rows;
    for (int i = 0; i < Child<QListWidget>(backup, "lstBackup")->count(); ++i)
        rows << Child<QListWidget>(backup, "lstBackup")->item(i)->text();
    return rows;
}

} // namespace

class TestBackup : public TWindowTest
{
    Q_OBJECT

public:
    TestBackup()
        : TWindowTest(true)
    {
    }

private:
    void SetUp() override
    {
        W->Trackers() = {
            {"Alpha", "http://a/", "", false}, {"beta", "http://b/", "", false}, {"Gamma", "http://g/", "", true}};
    }

    TfrmBackup& Backup() { return *W->Form->frmBackup(); }

    void Open()
    {
        W->Get<QCheckBox>("chkBackup")->setChecked(true);
        W->Get<QPushButton>("btnBackup")->click();
    }

private slots:

    void theBoxEnablesTheButtonAndKeepsTheList()
    {
        auto* box = W->Get<QCheckBox>("chkBackup");
        auto* button = W->Get<QPushButton>("btnBackup");
        // A fresh start checks and locks the private box (partner profile).
        W->Get<QCheckBox>("chkPrivate1")->setChecked(false);
        QVERIFY(box->isEnabled());
        QVERIFY(!button->isEnabled());
        box->setChecked(true);
        QVERIFY(button->isEnabled());
        Backup().SetRows({"Alpha"});
        box->setChecked(false);
        QVERIFY(!button->isEnabled());
        box->setChecked(true);
        QCOMPARE(Backup().Rows(), std::vector<std::string>{"Alpha"});
        // Private unchecks the box, whose handler disables the button.
        W->Get<QCheckBox>("chkPrivate1")->setChecked(true);
        QVERIFY(!box->isChecked());
        QVERIFY(!box->isEnabled());
        QVERIFY(!button->isEnabled());
        W->Get<QCheckBox>("chkPrivate1")->setChecked(false);
        QVERIFY(box->isEnabled());
        QVERIFY(!box->isChecked());
        QCOMPARE(Backup().Rows(), std::vector<std::string>{"Alpha"});
    }

    void openingFillsTheComboFromTheDirectoryEachTime()
    {
        Backup().SetRows({"http://kept/"});
        Open();
        QVERIFY(Backup().isVisible());
        QVERIFY(!Backup().isModal());
        QCOMPARE(Child<QComboBox>(Backup(), "cmbTrackers")->count(), 3);
        QCOMPARE(Child<QComboBox>(Backup(), "cmbTrackers")->currentIndex(), 0);
        QCOMPARE(Child<QComboBox>(Backup(), "cmbTrackers")->itemText(2), QStringLiteral("Gamma"));
        QCOMPARE(Shown(Backup()), QStringList{QStringLiteral("http://kept/")});

        W->Trackers().pop_back();
        Child<QPushButton>(Backup(), "btnOk")->click();
        QVERIFY(!Backup().isVisible());
        Open();
        QCOMPARE(Child<QComboBox>(Backup(), "cmbTrackers")->count(), 2);

        W->Trackers().clear();
        Open();
        QCOMPARE(Child<QComboBox>(Backup(), "cmbTrackers")->count(), 0);
        QCOMPARE(Child<QComboBox>(Backup(), "cmbTrackers")->currentIndex(), -1);
        Child<QPushButton>(Backup(), "btnAdd")->click(); // nothing to add
        QCOMPARE(Shown(Backup()), QStringList{QStringLiteral("http://kept/")});
    }

    void addingRefusesANameAlreadyThereInAnyCase()
    {
        Open();
        Child<QPushButton>(Backup(), "btnAdd")->click();
        Child<QComboBox>(Backup(), "cmbTrackers")->setCurrentIndex(1);
        Child<QPushButton>(Backup(), "btnAdd")->click();
        QCOMPARE(Shown(Backup()), (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta")}));
        Backup().SetRows({"ALPHA", "http://x/"});
        Child<QComboBox>(Backup(), "cmbTrackers")->setCurrentIndex(0);
        Child<QPushButton>(Backup(), "btnAdd")->click();
        QCOMPARE(Shown(Backup()), (QStringList{QStringLiteral("ALPHA"), QStringLiteral("http://x/")}));
        Child<QComboBox>(Backup(), "cmbTrackers")->setCurrentIndex(2);
        Child<QPushButton>(Backup(), "btnAdd")->click();
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"ALPHA", "http://x/", "Gamma"}));
    }

    void upAndDownKeepTheHighlightInPlace()
    {
        Open();
        Backup().SetRows({"a", "b", "c"});
        auto* list = Child<QListWidget>(Backup(), "lstBackup");
        Child<QPushButton>(Backup(), "btnUp")->click(); // no selection
        Child<QPushButton>(Backup(), "btnDown")->click();
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"a", "b", "c"}));
        list->setCurrentRow(0);
        Child<QPushButton>(Backup(), "btnUp")->click(); // first row
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"a", "b", "c"}));
        list->setCurrentRow(1);
        Child<QPushButton>(Backup(), "btnUp")->click();
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"b", "a", "c"}));
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->row(list->selectedItems().front()), 1); // now marks "a", the row that was above
        Child<QPushButton>(Backup(), "btnUp")->click();
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"a", "b", "c"}));
        Child<QPushButton>(Backup(), "btnDown")->click();
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"a", "c", "b"}));
        QCOMPARE(list->row(list->selectedItems().front()), 1);
        list->setCurrentRow(2);
        Child<QPushButton>(Backup(), "btnDown")->click(); // last row
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"a", "c", "b"}));
    }

    void removingLeavesNoSelection()
    {
        Open();
        Backup().SetRows({"a", "b", "c"});
        auto* list = Child<QListWidget>(Backup(), "lstBackup");
        Child<QPushButton>(Backup(), "btnRemove")->click(); // no selection
        QCOMPARE(list->count(), 3);
        list->setCurrentRow(1);
        Child<QPushButton>(Backup(), "btnRemove")->click();
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"a", "c"}));
        QVERIFY(list->selectedItems().isEmpty());
        Child<QPushButton>(Backup(), "btnRemove")->click();
        QCOMPARE(list->count(), 2);
    }

    void rowsKeepTheirBytes()
    {
        // A loaded torrent's tracker in Windows-1252 is shown readably and given back unchanged.
        Backup().SetRows({"http://m\xfcller/", "Alpha"});
        QCOMPARE(Shown(Backup()).front(), QString::fromUtf8("http://müller/"));
        QCOMPARE(Backup().Rows(), (std::vector<std::string>{"http://m\xfcller/", "Alpha"}));
    }

    void theNoteExplainsTheFeature()
    {
        QCOMPARE(
            Child<QLabel>(Backup(), "lblNote")->text(),
            QStringLiteral("This is a preliminary implementation of multi-tracker support.  Only burst! RC5 and "
                           "Kestor's S-5.5 clients currently support them.  Trackers from above will be tried in the "
                           "order they are listed if the main tracker fails."));
    }
};

QTEST_MAIN(TestBackup)
#include "backup_test.moc"
