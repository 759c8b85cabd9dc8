// The favourites folder: reading shortcut files, the order of the walk, and
// writing new shortcuts.

#include "Favourites.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace lectern::browser;

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray shortcut(const QString& url) {
    return "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n";
}

QStringList names(const std::vector<Favourite>& list) {
    QStringList out;
    for (const Favourite& f : list)
        out << f.name;
    return out;
}

} // namespace

class FavouritesTest : public QObject {
    Q_OBJECT

private slots:
    void readsTheAddress_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("url");
        QTest::newRow("windows file") << QByteArray("[DEFAULT]\r\nBASEURL=http://a/\r\n"
                                                    "[InternetShortcut]\r\nURL=http://b/\r\n"
                                                    "IconIndex=0\r\n")
                                      << "http://b/";
        QTest::newRow("unix line ends")
            << QByteArray("[InternetShortcut]\nURL=http://c/\n") << "http://c/";
        QTest::newRow("names in any case")
            << QByteArray("[internetshortcut]\nurl = http://d/ \n") << "http://d/";
        QTest::newRow("quoted") << QByteArray("[InternetShortcut]\nURL=\"http://e/\"\n")
                                << "http://e/";
        QTest::newRow("key in another section only")
            << QByteArray("[Other]\nURL=http://f/\n[InternetShortcut]\nIconFile=x\n") << "";
        QTest::newRow("no key") << QByteArray("[InternetShortcut]\nIconIndex=1\n") << "";
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("first key wins")
            << QByteArray("[InternetShortcut]\nURL=http://g/\nURL=http://h/\n") << "http://g/";
        static const char notText[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\xff=\xfe";
        QTest::newRow("not text") << QByteArray(notText, sizeof notText - 1) << "";
        QTest::newRow("non-ASCII address")
            << QByteArray("[InternetShortcut]\nURL=http://例子.測試/頁\n")
            << QStringLiteral("http://例子.測試/頁");
        const QString longUrl = QStringLiteral("http://long/") + QString(400, u'x');
        QTest::newRow("longer than 255") << shortcut(longUrl) << longUrl.left(255);
    }
    void readsTheAddress() {
        QFETCH(QByteArray, content);
        QFETCH(QString, url);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.url"));
        writeFile(path, content);
        QCOMPARE(readShortcutUrl(path), url);
    }

    void hugeFilesCostLittle() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.url"));
        QByteArray content(8 << 20, 'z');
        content += "\n" + shortcut(QStringLiteral("http://late/"));
        writeFile(path, content);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(readShortcutUrl(path), QString());
        // Sharing the disk with others, so only a generous bound.
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));

        writeFile(path, shortcut(QStringLiteral("http://early/")) + QByteArray(8 << 20, '\0'));
        QCOMPARE(readShortcutUrl(path), QStringLiteral("http://early/"));
        QCOMPARE(readShortcutUrl(dir.filePath(QStringLiteral("missing.url"))), QString());
    }

    void walksTheFolder_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("empty folder") << QStringList() << QStringList();
        QTest::newRow("upper-case extension") << QStringList{"Home.URL"} << QStringList{"Home"};
        QTest::newRow(".url inside the name") << QStringList{"a.url.txt"} << QStringList{"a.url"};
        QTest::newRow("other files ignored")
            << QStringList{"desktop.ini", "picture.png", "notes.txt", "b.url"} << QStringList{"b"};
        QTest::newRow("hidden shortcut") << QStringList{".secret.url"} << QStringList{".secret"};
        QTest::newRow("name order, case ignored")
            << QStringList{"c.url", "B.url", "a.url"} << QStringList{"a", "B", "c"};
        // A folder's own shortcuts first, then each subfolder's whole tree.
        QTest::newRow("depth first")
            << QStringList{"z.url", "m/m1.url", "m/deep/d1.url", "m/m2.url", "n/n1.url", "a/a1.url"}
            << QStringList{"z", "a1", "m1", "m2", "d1", "n1"};
        QTest::newRow("folder named like a shortcut")
            << QStringList{"x.url/inner.url"} << QStringList{"inner"};
    }
    void walksTheFolder() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, listed);
        QTemporaryDir dir;
        for (const QString& f : files)
            writeFile(dir.filePath(f), shortcut(QStringLiteral("http://site/") + f));
        const std::vector<Favourite> found = ListFavourites(dir.path());
        QCOMPARE(names(found), listed);
    }

    void everyShortcutKeepsItsOwnAddress() {
        QTemporaryDir dir;
        for (int i = 0; i < 600; ++i)
            writeFile(
                dir.filePath(QStringLiteral("f%1/s%2.url").arg(i % 7).arg(i, 4, 10, QChar(u'0'))),
                shortcut(QStringLiteral("http://site/%1").arg(i)));
        const std::vector<Favourite> found = ListFavourites(dir.path());
        QCOMPARE(int(found.size()), 600);
        for (const Favourite& f : found)
            QCOMPARE(f.url, QStringLiteral("http://site/%1").arg(f.name.mid(1).toInt()));
    }

    void linksPipesAndLoopsAreHarmless() {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("sub/a.url")), shortcut(QStringLiteral("http://a/")));
        QVERIFY(QFile::link(dir.path(), dir.filePath(QStringLiteral("sub/loop"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")),
                            dir.filePath(QStringLiteral("broken.url"))));
        // Nobody writes to this pipe: opening it would wait forever.
        QCOMPARE(
            ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.url"))).constData(), 0600),
            0);
        const std::vector<Favourite> found = ListFavourites(dir.path());
        QCOMPARE(names(found), (QStringList{"broken", "pipe", "a"}));
        QCOMPARE(found[0].url, QString());
        QCOMPARE(found[1].url, QString());
        QCOMPARE(ListFavourites(dir.filePath(QStringLiteral("missing"))).size(), size_t(0));
    }

    void fileNamesFromTitles_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Example Domain"
                               << "Example Domain";
        QTest::newRow("separators") << "a/b\\c:d*e?f\"g<h>i|j"
                                    << "a_b_c_d_e_f_g_h_i_j";
        QTest::newRow("control characters") << "tab\there\nnext"
                                            << "tab_here_next";
        QTest::newRow("would be hidden") << ".profile"
                                         << "_profile";
        QTest::newRow("only blanks") << "   "
                                     << "Favourite";
        QTest::newRow("empty") << ""
                               << "Favourite";
        QTest::newRow("chinese") << QStringLiteral("朗讀網頁") << QStringLiteral("朗讀網頁");
    }
    void fileNamesFromTitles() {
        QFETCH(QString, title);
        QFETCH(QString, name);
        QCOMPARE(shortcutBaseName(title), name);
    }

    void longTitlesFitAFileName() {
        const QString name = shortcutBaseName(QString(300, QChar(0x4e2d)) + QStringLiteral("😀"));
        QVERIFY(name.toUtf8().size() <= 200);
        QVERIFY(!name.back().isHighSurrogate());
        const QString emoji =
            shortcutBaseName(QString(99, u'a') + QStringLiteral("😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀"));
        QVERIFY(emoji.toUtf8().size() <= 200);
        QVERIFY(!emoji.back().isHighSurrogate());
    }

    void addedShortcutsRoundTripAndNeverOverwrite() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("not/yet/there"));
        const QString first = addFavourite(folder, QStringLiteral("My: Page"),
                                           QStringLiteral("http://127.0.0.1/a?b=1&c=%20"));
        const QString second =
            addFavourite(folder, QStringLiteral("My: Page"), QStringLiteral("http://other/"));
        QVERIFY(first != second);
        QCOMPARE(readShortcutUrl(first), QStringLiteral("http://127.0.0.1/a?b=1&c=%20"));
        QCOMPARE(readShortcutUrl(second), QStringLiteral("http://other/"));
        const std::vector<Favourite> found = ListFavourites(folder);
        // Name order: " (" sorts before ".url".
        QCOMPARE(names(found), (QStringList{"My_ Page (2)", "My_ Page"}));

        // A line break in an address must not smuggle in another key.
        const QString odd = addFavourite(folder, QStringLiteral("odd"),
                                         QStringLiteral("\nURL=http://evil/\r\n[x]"));
        QVERIFY(!readShortcutUrl(odd).contains(QStringLiteral("evil/\r")));
        QVERIFY(readShortcutUrl(odd).startsWith(QStringLiteral("%0AURL")));
    }

    void unwritableFolderIsReported() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plain-file"));
        writeFile(file, "x");
        // A folder cannot be made below a file, root or not.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 addFavourite(file + QStringLiteral("/sub"), QStringLiteral("t"),
                                              QStringLiteral("http://a/")));
    }
};

QTEST_GUILESS_MAIN(FavouritesTest)
#include "test_favourites.moc"
