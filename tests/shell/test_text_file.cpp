// Reading text files for the document page: encodings and refusals.

#include "TextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace lectern::shell;

namespace {

const QString Chinese = QStringLiteral("中文朗讀 Lectern 測試，第3章。");

QByteArray big5Bytes() {
    // 中文 in Big5, then plain ASCII.
    return QByteArray("\xa4\xa4\xa4\xe5 abc", 8);
}

} // namespace

class TextFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return path;
    }

private slots:
    void decodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("utf-8") << Chinese.toUtf8() << Chinese << "UTF-8";
        QTest::newRow("utf-8 with mark")
            << QByteArray("\xEF\xBB\xBF") + Chinese.toUtf8() << Chinese << "UTF-8";
        QByteArray le("\xFF\xFE", 2);
        le.append(reinterpret_cast<const char*>(Chinese.utf16()), Chinese.size() * 2);
        QTest::newRow("utf-16le with mark") << le << Chinese << "UTF-16LE";
        QByteArray be("\xFE\xFF", 2);
        for (QChar c : Chinese) {
            be.append(char(c.unicode() >> 8));
            be.append(char(c.unicode() & 0xFF));
        }
        QTest::newRow("utf-16be with mark") << be << Chinese << "UTF-16BE";
        const QList<uint> ucs4 = Chinese.toUcs4();
        QByteArray le32("\xFF\xFE\x00\x00", 4);
        le32.append(reinterpret_cast<const char*>(ucs4.constData()), ucs4.size() * 4);
        QTest::newRow("utf-32le with mark") << le32 << Chinese << "UTF-32LE";
        QTest::newRow("big5") << big5Bytes() << QStringLiteral("中文 abc") << "Big5";
        QTest::newRow("ascii") << QByteArray("plain\r\ntext") << QStringLiteral("plain\r\ntext")
                               << "UTF-8";
        QTest::newRow("empty") << QByteArray() << QString() << "UTF-8";
    }
    void decodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, encoding);
        const DecodedText decoded = decodeText(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(decoded.encoding, encoding);
    }

    void cutUtf8IsBig5NotGarbage() {
        // A UTF-8 text whose last character is cut is no longer valid UTF-8.
        QByteArray bytes = Chinese.toUtf8();
        bytes.chop(1);
        QCOMPARE(decodeText(bytes).encoding, QStringLiteral("Big5"));
    }

    void refuses_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nul at start") << QByteArray("\0abc", 4) << "not a text file";
        QByteArray late(8 * 1024 - 1, 'a');
        late.append('\0');
        QTest::newRow("nul at 8 KiB") << late << "not a text file";
        QTest::newRow("utf-16 without mark") << QByteArray("a\0b\0", 4) << "not a text file";
    }
    void refuses() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = write(QStringLiteral("refused.bin"), bytes);
        try {
            readTextFile(path);
            QFAIL("the file was accepted");
        } catch (const TextFileError& e) {
            QVERIFY2(e.description().contains(reason), qPrintable(e.description()));
            QVERIFY(e.description().contains(QStringLiteral("refused.bin")));
        }
    }

    void nulAfterProbeIsText() {
        QByteArray bytes(8 * 1024, 'a');
        bytes.append('\0');
        QCOMPARE(decodeText(bytes).text.size(), 8 * 1024 + 1);
    }

    void readsFile() {
        const QString path = write(QStringLiteral("ok.txt"), Chinese.toUtf8());
        QCOMPARE(readTextFile(path).text, Chinese);
    }

    void refusesMissingFolderAndUnreadable() {
        QVERIFY_THROWS_EXCEPTION(TextFileError, readTextFile(dir.filePath(QStringLiteral("gone"))));
        QVERIFY_THROWS_EXCEPTION(TextFileError, readTextFile(dir.path()));
        const QString locked = write(QStringLiteral("locked.txt"), "x");
        QFile::setPermissions(locked, QFileDevice::Permissions());
        if (QFile(locked).open(QIODevice::ReadOnly))
            QSKIP("running with rights that read any file");
        QVERIFY_THROWS_EXCEPTION(TextFileError, readTextFile(locked));
    }

    void refusesOversized() {
        const QString path = dir.filePath(QStringLiteral("huge.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(MaxTextFileBytes + 1));
        file.close();
        try {
            readTextFile(path);
            QFAIL("the file was accepted");
        } catch (const TextFileError& e) {
            QVERIFY(e.description().contains(QStringLiteral("64 MiB")));
        }
        // Exactly the limit is still read (spaces are text).
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(QByteArray(MaxTextFileBytes, ' ')) == MaxTextFileBytes);
        file.close();
        QCOMPARE(readTextFile(path).text.size(), MaxTextFileBytes);
    }
};

QTEST_APPLESS_MAIN(TextFileTest)
#include "test_text_file.moc"
