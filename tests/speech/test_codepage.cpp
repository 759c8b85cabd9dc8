#include "CodePage.h"

#include <QtTest>

#include <iconv.h>

using namespace lectern::speech;

class CodePageTest : public QObject {
    Q_OBJECT
private slots:
    void tableMatchesIconv() {
        // The committed table must still agree with the converter it was
        // generated from; a mismatch means it is stale or was edited.
        iconv_t cd = iconv_open("CP950", "UTF-16LE");
        if (cd == iconv_t(-1))
            QSKIP("glibc iconv has no CP950 converter here");
        int mismatches = 0;
        QString first;
        for (char32_t u = 0; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            char in[2] = {char(u & 0xff), char(u >> 8)};
            char out[8];
            char* ip = in;
            char* op = out;
            size_t il = 2, ol = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const bool wide = iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && sizeof out - ol == 2;
            if (wide != isWideInCodePage950(char16_t(u)) && mismatches++ == 0)
                first = QString::number(uint(u), 16);
        }
        iconv_close(cd);
        QVERIFY2(
            mismatches == 0,
            qPrintable(QStringLiteral("%1 mismatches, first U+%2").arg(mismatches).arg(first)));
    }

    void classesThatMatter() {
        for (char16_t wide : u"中文、。「」，！　")
            if (wide)
                QVERIFY2(isWideInCodePage950(wide), qPrintable(QString(QChar(wide))));
        for (char16_t narrow = 0; narrow < 0x80; ++narrow)
            QVERIFY(!isWideInCodePage950(narrow));
        QVERIFY(!isWideInCodePage950(0xD840));
        QVERIFY(!isWideInCodePage950(0xDC00));
        QVERIFY(!isWideInCodePage950(u'é'));
        QCOMPARE(codePage950ByteCount(u"a中\U00020000"), 1 + 2 + 2);
    }
};

QTEST_GUILESS_MAIN(CodePageTest)
#include "test_codepage.moc"
