#include "WindowLayout.h"

#include <algorithm>

namespace lectern::shell {

ControlRects designPositions() {
    // Heights leave room for the screen font of a CJK desktop: combo boxes
    // and one-line edits 390 twips, labels 285.
    return {
        {QStringLiteral("SSTab1"), {120, 660, 14640, 6600}},
        {QStringLiteral("SSTab2"), {120, 7360, 9045, 2000}},
        // Page 0, the browser page.
        {QStringLiteral("txtUrl"), {120, 420, 12640, 390}},
        {QStringLiteral("cmdLink"), {12960, 420, 900, 390}},
        {QStringLiteral("WebBrowser1"), {120, 900, 13840, 5500}},
        {QStringLiteral("List1"), {11460, 900, 2600, 5500}},
        // Page 1, the document page.
        {QStringLiteral("Text1"), {120, 420, 11340, 6000}},
        {QStringLiteral("Drive1"), {11510, 420, 2500, 390}},
        {QStringLiteral("Dir1"), {11510, 870, 2500, 1350}},
        {QStringLiteral("File1"), {11510, 2280, 2500, 2700}},
        {QStringLiteral("Label4"), {11540, 5160, 480, 285}},
        {QStringLiteral("Combo6"), {12070, 5160, 1940, 390}},
        {QStringLiteral("Label12"), {11540, 5650, 960, 285}},
        {QStringLiteral("Combo7"), {12500, 5600, 900, 390}},
        {QStringLiteral("Label13"), {11540, 6110, 2460, 285}},
        // Page 2, the dialogue page.
        {QStringLiteral("mshlist"), {120, 420, 13940, 5200}},
        {QStringLiteral("cmdadd"), {13060, 5720, 900, 390}},
        {QStringLiteral("cmdinsert"), {12060, 5720, 900, 390}},
        {QStringLiteral("cmddelete"), {11060, 5720, 900, 390}},
        {QStringLiteral("cmddeleteall"), {10060, 5720, 900, 390}},
    };
}

LayoutResult computeWindowLayout(const LayoutInput& input) {
    LayoutResult out;
    out.controls = designPositions();
    for (auto it = input.controls.cbegin(); it != input.controls.cend(); ++it)
        out.controls[it.key()] = it.value();
    ControlRects& c = out.controls;
    auto at = [&](const char* name) -> TwipRect& { return c[QLatin1String(name)]; };

    // 1. The window springs back to its minimum size.
    const int w = std::max(input.windowWidth, MinimumWindowWidth);
    const int h = std::max(input.windowHeight, MinimumWindowHeight);
    out.windowWidth = w;
    out.windowHeight = h;

    // 2. Page strip and settings strip.
    TwipRect& pages = at("SSTab1");
    pages.width = w - 450;
    if (input.settingsHidden) {
        pages.height = h - 1700;
        out.settingsStripVisible = false;
    } else {
        pages.height = h - 3200;
        at("SSTab2").top = pages.top + pages.height + 100;
        out.settingsStripVisible = true;
    }

    // 3. Browser page.
    TwipRect& browser = at("WebBrowser1");
    browser.width = w - 800;
    browser.height = pages.height - 1100;

    // 4. Dialogue page: the grid, and its row buttons right to left from the
    // grid's right edge.
    TwipRect& grid = at("mshlist");
    grid.width = w - 700;
    grid.height = pages.height - 1400;
    const int buttonsTop = grid.height + pages.top - 100;
    const char* const buttons[] = {"cmdadd", "cmdinsert", "cmddelete", "cmddeleteall"};
    for (int i = 0; i < 4; ++i) {
        TwipRect& button = at(buttons[i]);
        button.top = buttonsTop;
        button.left = grid.left + grid.width - 1000 * (i + 1);
    }

    // 5. Favourites list to the browser's right.
    if (input.favouritesVisible) {
        browser.width = w - 3400;
        TwipRect& list = at("List1");
        list.left = browser.left + browser.width + 100;
        list.top = browser.top;
        list.height = browser.height;
    } else {
        browser.width = w - 800;
    }

    // 6. Document page: the file browser and font lists follow the pane's
    // right edge.
    TwipRect& text = at("Text1");
    text.width = w - 3300;
    text.height = pages.height - 600;
    const int r = text.right();
    TwipRect& files = at("File1");
    at("Drive1").left = r + 50;
    at("Dir1").left = r + 50;
    files.left = r + 50;
    files.height = pages.height - 3900;
    TwipRect& fontLabel = at("Label4");
    fontLabel.left = r + 80;
    fontLabel.top = files.bottom() + 180;
    TwipRect& fontList = at("Combo6");
    fontList.left = fontLabel.right() + 50;
    fontList.top = files.bottom() + 180;
    TwipRect& sizeLabel = at("Label12");
    sizeLabel.left = r + 80;
    sizeLabel.top = fontList.bottom() + 100;
    TwipRect& sizeList = at("Combo7");
    sizeList.left = sizeLabel.right();
    sizeList.top = fontList.bottom() + 50;
    TwipRect& hint = at("Label13");
    hint.left = r + 80;
    hint.top = sizeList.bottom() + 120;

    // 7. Address row.
    TwipRect& address = at("txtUrl");
    address.width = w - 2000;
    at("cmdLink").left = address.right() + 200;

    return out;
}

} // namespace lectern::shell
