// The dictionary look-up's word: where it comes from, how it is cleaned, what
// is said when there is none, and the address it is sent to.

#include "LookUp.h"
#include "Address.h"

#include <QtTest>

#include <optional>
#include <stdexcept>

using namespace lectern;
using namespace lectern::browser;
using speech::PromptAnswer;
using speech::PromptButtons;
using speech::PromptIcon;

namespace {

class Sources : public LookUpSources {
public:
    int tab = 0;
    BrowserSelection browser;
    bool browserFails = false;
    QString document;
    QString clipboard;

    int currentTab() const override { return tab; }
    BrowserSelection browserSelection() override {
        if (browserFails)
            throw std::runtime_error("no answer");
        return browser;
    }
    QString documentSelection() const override { return document; }
    QString clipboardText() const override { return clipboard; }
};

class Answering : public speech::Prompter {
public:
    PromptAnswer answer = PromptAnswer::Yes;
    QStringList seen; // "title|icon|text"
    PromptAnswer prompt(const QString& title, const QString& text, PromptIcon icon,
                        PromptButtons buttons) override {
        seen << QStringLiteral("%1|%2|%3").arg(title).arg(int(icon)).arg(text);
        return buttons == PromptButtons::Ok ? PromptAnswer::Ok : answer;
    }
};

QString message(PromptIcon icon, const char16_t* text) {
    return QStringLiteral("訊息|%1|%2").arg(int(icon)).arg(QString::fromUtf16(text));
}

QString question(const QString& raw) {
    return QStringLiteral("提示|%1|").arg(int(PromptIcon::None)) +
           QString::fromUtf16(LookUpClipboardAsk) + QStringLiteral("\r\n\r\n剪貼簿內容 :\r\n\r\n") +
           raw.left(100);
}

} // namespace

Q_DECLARE_METATYPE(std::optional<QString>)

class LookUpTest : public QObject {
    Q_OBJECT

private slots:
    void gathersTheWord_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("frame"); // "-" for no frame with a selection
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<std::optional<QString>>("word");
        QTest::addColumn<QStringList>("prompts");

        const QString none = QStringLiteral("-");
        const QString fifty(50, u'w');
        const QString fiftyOne(51, u'w');
        QTest::newRow("page selection trimmed, lower-cased")
            << 0 << "  Hello " << none << ""
            << "" << true << std::optional<QString>("hello") << QStringList();
        QTest::newRow("page line break is one space")
            << 0 << "Hello\r\nWorld" << none << ""
            << "" << true << std::optional<QString>("hello world") << QStringList();
        QTest::newRow("frame when the page has none")
            << 0 << ""
            << "Frame\r\nWord"
            << ""
            << "" << true << std::optional<QString>("frame word") << QStringList();
        QTest::newRow("frame when the page has blanks only")
            << 0 << "   "
            << " Inner "
            << ""
            << "" << true << std::optional<QString>("inner") << QStringList();
        QTest::newRow("document line break is one space")
            << 1 << "" << none << "Hello\r\nWorld"
            << "" << true << std::optional<QString>("hello world") << QStringList();
        QTest::newRow("tabs and other blanks stay")
            << 1 << "" << none << "\tTab\t"
            << "" << true << std::optional<QString>("\ttab\t") << QStringList();
        QTest::newRow("fifty characters") << 1 << "" << none << fifty << "" << true
                                          << std::optional<QString>(fifty) << QStringList();
        QTest::newRow("fifty-one characters")
            << 1 << "" << none << fiftyOne << "" << true << std::optional<QString>()
            << QStringList{message(PromptIcon::Error, LookUpTooLong)};
        QTest::newRow("nothing anywhere")
            << 0 << "" << none << ""
            << "" << true << std::optional<QString>()
            << QStringList{message(PromptIcon::Exclamation, LookUpNothingSelected)};
        QTest::newRow("clipboard keeps capitals, not trimmed")
            << 1 << "" << none << ""
            << " Big\r\nApple" << true << std::optional<QString>(" Big Apple")
            << QStringList{question(" Big\r\nApple")};
        QTest::newRow("clipboard declined")
            << 1 << "" << none << ""
            << "Word" << false << std::optional<QString>() << QStringList{question("Word")};
        QTest::newRow("dialogue page always asks")
            << 2 << "page" << none << "document"
            << "Clip" << true << std::optional<QString>("Clip") << QStringList{question("Clip")};
        QTest::newRow("clipboard too long")
            << 2 << "" << none << "" << QString(120, u'c') << true << std::optional<QString>()
            << QStringList{question(QString(120, u'c')), message(PromptIcon::Error, LookUpTooLong)};
        QTest::newRow("blank word ends silently")
            << 2 << "" << none << ""
            << "    " << true << std::optional<QString>() << QStringList{question("    ")};
        QTest::newRow("line break only ends silently")
            << 1 << "" << none << "\r\n"
            << "" << true << std::optional<QString>() << QStringList();
    }
    void gathersTheWord() {
        QFETCH(int, tab);
        QFETCH(QString, page);
        QFETCH(QString, frame);
        QFETCH(QString, document);
        QFETCH(QString, clipboard);
        QFETCH(bool, yes);
        QFETCH(std::optional<QString>, word);
        QFETCH(QStringList, prompts);

        Sources sources;
        sources.tab = tab;
        sources.browser.page = page;
        if (frame != QStringLiteral("-"))
            sources.browser.frame = frame;
        sources.document = document;
        sources.clipboard = clipboard;
        Answering prompter;
        prompter.answer = yes ? PromptAnswer::Yes : PromptAnswer::No;
        QCOMPARE(gatherLookUpWord(sources, prompter), word);
        QCOMPARE(prompter.seen, prompts);
    }

    void anUnansweringPageFallsBackToTheClipboard() {
        Sources sources;
        sources.browserFails = true;
        sources.clipboard = QStringLiteral("Clip");
        Answering prompter;
        QCOMPARE(gatherLookUpWord(sources, prompter), std::optional<QString>("Clip"));
        QCOMPARE(prompter.seen.size(), 1);
    }

    void theAddressCarriesTheWordEncoded_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QString>("query");
        QTest::newRow("ampersand") << "AT&T" << QByteArray("define+AT%26T") << "define+AT&T";
        QTest::newRow("hash") << "C#" << QByteArray("define+C%23") << "define+C#";
        QTest::newRow("space") << "hello world" << QByteArray("define+hello%20world")
                               << "define+hello world";
        QTest::newRow("plus and percent")
            << "a+b%" << QByteArray("define+a%2Bb%25") << "define+a+b%";
        QTest::newRow("chinese") << QStringLiteral("中文")
                                 << QByteArray("define+%E4%B8%AD%E6%96%87")
                                 << QStringLiteral("define+中文");
    }
    void theAddressCarriesTheWordEncoded() {
        QFETCH(QString, word);
        QFETCH(QByteArray, encoded);
        QFETCH(QString, query);
        const QUrl url =
            lookUpUrl(QUrl(QStringLiteral("http://127.0.0.1:8123/start?x=1#top")), word);
        QVERIFY(url.isValid());
        QCOMPARE(url.toEncoded(), QByteArray("http://127.0.0.1:8123/search?q=") + encoded);
        QCOMPARE(url.path(), QStringLiteral("/search"));
        QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded), query);
    }

    void addressesAsTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QUrl>("url");
        QTest::newRow("host without scheme") << "example.org" << QUrl("http://example.org");
        QTest::newRow("full address") << "https://a.test/x?y=1" << QUrl("https://a.test/x?y=1");
        QTest::newRow("local path")
            << "/tmp/a page.html" << QUrl::fromLocalFile(QStringLiteral("/tmp/a page.html"));
        QTest::newRow("surrounding blanks") << " https://a.test/ " << QUrl("https://a.test/");
        QTest::newRow("file address") << "file:///tmp/x.html" << QUrl("file:///tmp/x.html");
        QTest::newRow("empty") << "" << QUrl("about:blank");
        QTest::newRow("blanks") << "   " << QUrl("about:blank");
    }
    void addressesAsTyped() {
        QFETCH(QString, typed);
        QFETCH(QUrl, url);
        QCOMPARE(addressFromUserInput(typed), url);
    }

    void noAddressIsReported_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("unclosed bracket") << "http://[::1";
        QTest::newRow("blank in host") << "http://exa mple.org/";
        QTest::newRow("no host") << "https://";
    }
    void noAddressIsReported() {
        QFETCH(QString, typed);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, addressFromUserInput(typed));
    }

    void onlyBlanksAreTrimmed() {
        QCOMPARE(trimBlanks(QStringLiteral("  a b \t ")), QStringLiteral("a b \t"));
        QCOMPARE(trimBlanks(QStringLiteral("   ")), QString());
    }
};

QTEST_GUILESS_MAIN(LookUpTest)
#include "test_look_up.moc"
