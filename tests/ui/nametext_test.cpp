// Bytes to shown text and back: names decode whole (UTF-8, else
// Windows-1252), messages byte by byte, and unchanged text keeps its bytes.
#include <QTest>

#include "ui/nametext.h"
#include "uitestsupport.h"

using brisolt::test::U;

class TestNameText : public QObject
{
    Q_OBJECT

private slots:

    void shownTextAndMessage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9") << U("café") << U("café");
        QTest::newRow("windows-1252") << QByteArray("caf\xe9 \x80") << U("café €") << U("café €");
        // A German message around a path that is not UTF-8: the words stay readable.
        QTest::newRow("mixed") << QByteArray("Datei /d\xe9/x kann nicht ge\xc3\xb6\x66\x66net werden.")
                               << U("Datei /dé/x kann nicht geÃ¶ffnet werden.")
                               << U("Datei /dé/x kann nicht geöffnet werden.");
        QTest::newRow("cut sequence") << QByteArray("a\xc3") << U("aÃ") << U("aÃ");
        QTest::newRow("overlong") << QByteArray("\xc0\xaf") << U("À¯") << U("À¯");
        QTest::newRow("empty") << QByteArray() << QString() << QString();
    }

    void shownTextAndMessage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, message);
        const std::string raw = bytes.toStdString();
        QCOMPARE(brisolt::ShownText(raw), name);
        QCOMPARE(brisolt::ShownMessage(raw), message);
        QCOMPARE(brisolt::ShownPath(std::filesystem::path(raw)), message);
    }

    void unchangedTextKeepsItsBytesAndTypedTextIsUtf8()
    {
        const std::string original = "caf\xe9";
        QCOMPARE(brisolt::KeptBytes(U("café"), original), original);
        QCOMPARE(brisolt::KeptBytes(U("cafés"), original), std::string("caf\xc3\xa9s"));
        QCOMPARE(brisolt::TypedPath(U("/tmp/é")).native(), std::string("/tmp/\xc3\xa9"));
        QCOMPARE(brisolt::NameBytes(brisolt::NameBytesData(original)), original);
    }
};

QTEST_MAIN(TestNameText)
#include "nametext_test.moc"
