#include "Selection.h"

#include <QtTest>

using namespace lectern::speech;

class SelectionTest : public QObject {
    Q_OBJECT
private slots:
    void normaliseSelection_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("document example") << u"  Hello World\r\n"_qs << u"hello world  "_qs;
        QTest::newRow("only spaces") << u"    "_qs << QString();
        QTest::newRow("only U+0020 is trimmed") << u"\tAB\u3000 "_qs << u"\tab\u3000"_qs;
        QTest::newRow("lone breaks stay") << u"A\nB\rC"_qs << u"a\nb\rc"_qs;
        QTest::newRow("CR before CR LF") << u"x\r\r\ny"_qs << u"x\r  y"_qs;
    }
    void normaliseSelection() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(NormaliseSelection(text), expected);
    }

    void lowerCasingKeepsOffsets() {
        // Full lower-casing would turn U+0130 into two units and shift every
        // offset after it; highlighting relies on those offsets.
        const QString text = u"\u0130X\U00010400Y"_qs; // dotted I, Deseret capital
        const QString lowered = normaliseCaretText(text);
        QCOMPARE(lowered.size(), text.size());
        QCOMPARE(lowered.at(0), QChar(u'i')); // its simple lower case
        QCOMPARE(lowered.at(1), QChar(u'x'));
        QCOMPARE(lowered.mid(2, 2), u"\U00010428"_qs);
        QCOMPARE(lowered.at(4), QChar(u'y'));
    }

    void lowerCasesEveryBmpUnitOneToOne() {
        // Every unit outside the surrogate range, with no CR LF pair among
        // them: each must become QChar's lower case when that is one unit,
        // and stay as it is otherwise.
        QString text;
        QString expected;
        for (char32_t u = 0; u < 0x10000; ++u) {
            if (QChar::isSurrogate(u))
                continue;
            // QChar leaves U+0130 as it is; its simple lower case is "i".
            const char32_t lower = u == 0x130 ? U'i' : QChar::toLower(u);
            text += QChar(char16_t(u));
            expected += QChar(char16_t(QChar::requiresSurrogates(lower) ? u : lower));
        }
        QCOMPARE(normaliseCaretText(text), expected);
        // A lone surrogate is left alone rather than paired with its neighbour.
        const QChar high(char16_t(0xD801)), low(char16_t(0xDC00));
        QCOMPARE(normaliseCaretText(QString(u'A') + high + u'Z' + low),
                 QString(u'a') + high + u'z' + low);
    }

    void caretTextIsNotTrimmed() {
        QCOMPARE(normaliseCaretText(u" Ab\r\nC "_qs), u" ab  c "_qs);
        QCOMPARE(replaceCrLf(u"A\r\nB\r\n"_qs, u"  "), u"A  B  "_qs);
    }

    void clipboardQuestion() {
        const QString head =
            QString::fromUtf16(ReadClipboardQuestion) + u"\r\n\r\n剪貼簿內容 :\r\n\r\n"_qs;
        QCOMPARE(QString::fromUtf16(ReadClipboardQuestion),
                 u"您並未選取文字 , 要朗讀剪貼簿的文字嗎 ?"_qs);

        QString longText;
        for (int i = 0; i < 250; ++i)
            longText += QChar(u'A' + i % 26);
        QCOMPARE(
            lectern::speech::clipboardQuestion(QString::fromUtf16(ReadClipboardQuestion), longText),
            head + longText.left(100) + u"..."_qs);
        QCOMPARE(lectern::speech::clipboardQuestion(QString::fromUtf16(ReadClipboardQuestion),
                                                    u"A\r\nb"_qs),
                 head + u"A\r\nb..."_qs);

        // The excerpt never ends on half a character.
        const QString pairAtEnd = QString(99, u'x') + u"\U00020000tail"_qs;
        const QString q = lectern::speech::clipboardQuestion(QString(), pairAtEnd);
        QVERIFY(q.endsWith(QString(99, u'x') + u"..."_qs));
    }
};

QTEST_GUILESS_MAIN(SelectionTest)
#include "test_selection.moc"
