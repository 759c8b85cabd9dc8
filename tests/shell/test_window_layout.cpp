// The window's geometry for given sizes and show/hide states, in twips.

#include "WindowLayout.h"

#include <QtTest>

using namespace lectern::shell;

namespace {

LayoutResult layout(int width, int height, bool settingsHidden = false, bool favourites = false) {
    LayoutInput input;
    input.windowWidth = width;
    input.windowHeight = height;
    input.settingsHidden = settingsHidden;
    input.favouritesVisible = favourites;
    return computeWindowLayout(input);
}

TwipRect rectOf(const LayoutResult& result, const char* name) {
    return result.controls.value(QLatin1String(name));
}

} // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void springsBackToMinimum_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("expectedWidth");
        QTest::addColumn<int>("expectedHeight");
        QTest::newRow("both too small") << 3000 << 2000 << 9495 << 8100;
        QTest::newRow("narrow only") << 9494 << 9000 << 9495 << 9000;
        QTest::newRow("low only") << 12000 << 8099 << 12000 << 8100;
        QTest::newRow("exactly minimum") << 9495 << 8100 << 9495 << 8100;
        QTest::newRow("large") << 20000 << 15000 << 20000 << 15000;
    }
    void springsBackToMinimum() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, expectedWidth);
        QFETCH(int, expectedHeight);
        const LayoutResult result = layout(width, height);
        QCOMPARE(result.windowWidth, expectedWidth);
        QCOMPARE(result.windowHeight, expectedHeight);
        // The rest of the pass works on the corrected size.
        QCOMPARE(rectOf(result, "SSTab1").width, expectedWidth - 450);
        QCOMPARE(rectOf(result, "SSTab1").height, expectedHeight - 3200);
    }

    void settingsStripHiddenAndShown() {
        const LayoutResult hidden = layout(12000, 10000, true);
        QVERIFY(!hidden.settingsStripVisible);
        QCOMPARE(rectOf(hidden, "SSTab1").height, 10000 - 1700);

        const LayoutResult shown = layout(12000, 10000, false);
        QVERIFY(shown.settingsStripVisible);
        const TwipRect pages = rectOf(shown, "SSTab1");
        QCOMPARE(pages.height, 10000 - 3200);
        QCOMPARE(rectOf(shown, "SSTab2").top, pages.top + pages.height + 100);
        // Hiding gives the page strip 1500 twips, and the pages' controls
        // grow with it.
        QCOMPARE(rectOf(hidden, "SSTab1").height - pages.height, 1500);
        QCOMPARE(rectOf(hidden, "Text1").height - rectOf(shown, "Text1").height, 1500);
        QCOMPARE(rectOf(hidden, "File1").height - rectOf(shown, "File1").height, 1500);
        QCOMPARE(rectOf(hidden, "mshlist").height - rectOf(shown, "mshlist").height, 1500);
    }

    void favouritesNarrowTheBrowser() {
        const LayoutResult without = layout(14000, 10000, false, false);
        const LayoutResult with = layout(14000, 10000, false, true);
        const TwipRect browser = rectOf(with, "WebBrowser1");
        QCOMPARE(rectOf(without, "WebBrowser1").width, 14000 - 800);
        QCOMPARE(browser.width, 14000 - 3400);
        QCOMPARE(rectOf(without, "WebBrowser1").width - browser.width, 2600);
        const TwipRect list = rectOf(with, "List1");
        QCOMPARE(list.left, browser.right() + 100);
        QCOMPARE(list.top, browser.top);
        QCOMPARE(list.height, browser.height);
        QCOMPARE(browser.height, rectOf(with, "SSTab1").height - 1100);
    }

    void wideningMovesRightHandControls_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"cmdadd", "cmdinsert", "cmddelete", "cmddeleteall", "Drive1", "Dir1", "File1",
              "Label4", "Combo6", "Label12", "Combo7", "Label13", "cmdLink"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void wideningMovesRightHandControls() {
        QFETCH(QString, name);
        const LayoutResult narrow = layout(12000, 9000);
        const LayoutResult wide = layout(13000, 9000);
        const TwipRect before = narrow.controls.value(name);
        const TwipRect after = wide.controls.value(name);
        QCOMPARE(after.left - before.left, 1000);
        QCOMPARE(after.top, before.top);
        QCOMPARE(after.width, before.width);
    }

    void rowButtonsStandRightToLeft() {
        LayoutInput input;
        input.windowWidth = 15000;
        input.windowHeight = 11000;
        TwipRect strip = designPositions().value(QStringLiteral("SSTab1"));
        strip.top = 700;
        input.controls.insert(QStringLiteral("SSTab1"), strip);
        const LayoutResult result = computeWindowLayout(input);
        const TwipRect grid = rectOf(result, "mshlist");
        QCOMPARE(grid.width, 15000 - 700);
        QCOMPARE(grid.height, 11000 - 3200 - 1400);
        int step = 1000;
        for (const char* name : {"cmdadd", "cmdinsert", "cmddelete", "cmddeleteall"}) {
            const TwipRect button = rectOf(result, name);
            QCOMPARE(button.left, grid.right() - step);
            QCOMPARE(button.top, grid.height + 700 - 100);
            step += 1000;
        }
    }

    void documentColumnFollowsThePane() {
        const LayoutResult result = layout(11000, 9000);
        const TwipRect text = rectOf(result, "Text1");
        QCOMPARE(text.width, 11000 - 3300);
        QCOMPARE(text.height, rectOf(result, "SSTab1").height - 600);
        const int r = text.right();
        const TwipRect files = rectOf(result, "File1");
        QCOMPARE(rectOf(result, "Drive1").left, r + 50);
        QCOMPARE(files.left, r + 50);
        QCOMPARE(files.height, rectOf(result, "SSTab1").height - 3900);
        const TwipRect fontLabel = rectOf(result, "Label4");
        const TwipRect fontList = rectOf(result, "Combo6");
        QCOMPARE(fontLabel.top, files.bottom() + 180);
        QCOMPARE(fontList.top, files.bottom() + 180);
        QCOMPARE(fontList.left, fontLabel.right() + 50);
        const TwipRect sizeLabel = rectOf(result, "Label12");
        const TwipRect sizeList = rectOf(result, "Combo7");
        QCOMPARE(sizeLabel.top, fontList.bottom() + 100);
        QCOMPARE(sizeList.top, fontList.bottom() + 50);
        QCOMPARE(sizeList.left, sizeLabel.right());
        QCOMPARE(rectOf(result, "Label13").top, sizeList.bottom() + 120);
    }

    // At the smallest window every control of a page stays inside the page
    // strip, below its tab row, and inside the window.
    void minimumWindowKeepsControlsInside_data() {
        QTest::addColumn<bool>("settingsHidden");
        QTest::addColumn<bool>("favourites");
        QTest::newRow("settings shown") << false << false;
        QTest::newRow("settings hidden") << true << false;
        QTest::newRow("favourites shown") << false << true;
    }
    void minimumWindowKeepsControlsInside() {
        QFETCH(bool, settingsHidden);
        QFETCH(bool, favourites);
        const LayoutResult result = layout(0, 0, settingsHidden, favourites);
        const TwipRect strip = rectOf(result, "SSTab1");
        QVERIFY(strip.right() <= result.windowWidth);
        for (auto it = result.controls.cbegin(); it != result.controls.cend(); ++it) {
            if (it.key() == QLatin1String("SSTab1") || it.key() == QLatin1String("SSTab2"))
                continue;
            if (it.key() == QLatin1String("List1") && !favourites)
                continue;
            const TwipRect& c = it.value();
            QVERIFY2(c.left >= 0 && c.right() <= strip.width, qPrintable(it.key()));
            QVERIFY2(c.top >= PageHeaderTwips && c.bottom() <= strip.height, qPrintable(it.key()));
            QVERIFY2(c.width > 0 && c.height > 0, qPrintable(it.key()));
        }
        if (!settingsHidden) {
            const TwipRect settings = rectOf(result, "SSTab2");
            QVERIFY(settings.right() <= result.windowWidth);
        }
    }

    void givenPositionsAreKept() {
        LayoutInput input;
        input.windowWidth = 12000;
        input.windowHeight = 9000;
        input.controls.insert(QStringLiteral("Text1"), {300, 500, 1, 1});
        const LayoutResult result = computeWindowLayout(input);
        const TwipRect text = rectOf(result, "Text1");
        QCOMPARE(text.left, 300);
        QCOMPARE(text.top, 500);
        QCOMPARE(rectOf(result, "Drive1").left, 300 + 12000 - 3300 + 50);
    }
};

QTEST_APPLESS_MAIN(WindowLayoutTest)
#include "test_window_layout.moc"
