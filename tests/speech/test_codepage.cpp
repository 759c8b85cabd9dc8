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

    void wideUnits_data() {
        QTest::addColumn<int>("unit");
        QTest::addColumn<bool>("wide");
        auto row = [](const char* name, char16_t unit, bool wide) {
            QTest::newRow(name) << int(unit) << wide;
        };
        // Simplified ideographs code page 950 cannot encode.
        row("men", u'们', true);
        row("zhe", u'这', true);
        row("shuo", u'说', true);
        row("guo", u'国', true);
        row("yu", u'语', true);
        row("wei", u'为', true);
        row("first unified ideograph", 0x4E00, true);
        row("last unified ideograph", 0x9FFF, true);
        row("extension A start", 0x3400, true);
        row("extension A end", 0x4DBF, true);
        row("compatibility ideograph", 0xFA6D, true);
        row("ideographic space", 0x3000, true);
        row("last CJK punctuation", 0x303F, true);
        row("full-width quotation mark", 0xFF02, true);
        row("full-width apostrophe", 0xFF07, true);
        row("full-width brackets", 0xFF3B, true);
        row("full-width grave", 0xFF40, true);
        row("full-width white parenthesis", 0xFF60, true);
        row("full-width won sign", 0xFFE6, true);
        // Just outside the ranges, and scripts the code page leaves narrow.
        row("after CJK punctuation", 0x3040, false);
        row("after extension A", 0x4DC0, false);
        row("half-width full stop", 0xFF61, false);
        row("after full-width signs", 0xFFE7, false);
        row("katakana small ke", u'ヶ', false);
        row("cyrillic zhe", u'Ж', false);
        row("latin a", u'a', false);
        row("high surrogate", 0xD840, false);
    }
    void wideUnits() {
        QFETCH(int, unit);
        QFETCH(bool, wide);
        QCOMPARE(isWideUnit(char16_t(unit)), wide);
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
        QCOMPARE(legacyByteCount(u"a中\U00020000"), 1 + 2 + 2);
    }
};

QTEST_GUILESS_MAIN(CodePageTest)
#include "test_codepage.moc"
