#include "MainToolBar.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QToolButton>

// The icons live in a static library: their resources are registered here.
static void initToolbarIcons() {
    Q_INIT_RESOURCE(toolbar_icons);
}

namespace lectern::shell {

namespace {

struct ToolButtonInfo {
    const char* tooltip;
    const char* icon; // in the toolbar resources, so no icon theme is needed
};

const std::array<ToolButtonInfo, MainToolBar::ButtonCount> Buttons{{
    {"Open File", "open-file"},
    {"Read Text Selected", "read"},
    {"Pause Reading", "pause"},
    {"Text  to WAV or  MP3", "export"},
    {"Consult Dictionary from Yahoo", "dictionary"},
    {"Translation from Yahoo ", "translation"},
    {"Show/Hide  Setting", "settings"},
    {"Show/Hide  IE - My Favorite", "favourites"},
    {"Information", "information"},
    {"Stop loading Page", "stop"},
    {"Reload Page", "reload"},
    {"Previous Page", "previous"},
    {"Next Page", "next"},
}};

const char* const ReadMenuItems[] = {"剪貼簿朗讀",   "一般選取朗讀", "循環選取朗讀", "跟讀選取朗讀",
                                     "游標開始朗讀", "朗讀轉出XML",  "朗讀轉出文字"};

// The items' tags; the last three have none.
const char* const ReadMenuTags[] = {"Read Clipboard", "Read Text Selected",
                                    "Read Text Selected 100 times", "follow Reading"};

const char* const TranslationItems[] = {
    "英文至繁體中文", "英文至簡體中文", "英文至俄文",         "英文至希臘文",   "英文至德文",
    "英文至日文",     "英文至法文",     "英文至義大利文",     "英文至荷蘭文",   "英文至葡萄牙文",
    "英文至西班牙文", "英文至韓文",     "簡體中文至繁體中文", "簡體中文至英文", "繁體中文至英文",
    "希臘文至法文",   "希臘文至英文",   "德文至法文",         "德文至英文",     "日文至英文",
    "法文至希臘文",   "法文至德文",     "法文至義大利文",     "法文至英文",     "法文至荷蘭文",
    "法文至葡萄牙文", "法文至西班牙文", "義大利文至法文",     "義大利文至英文", "荷蘭文至法文",
    "荷蘭文至英文",   "葡萄牙文至法文", "葡萄牙文至英文",     "西班牙文至法文", "西班牙文至英文",
    "韓文至英文"};

} // namespace

MainToolBar::MainToolBar(QWidget* parent) : QToolBar(parent) {
    initToolbarIcons();
    setObjectName(QStringLiteral("Toolbar1"));
    setWindowTitle(QStringLiteral("Toolbar1"));
    setMovable(false);
    setIconSize(QSize(24, 24));

    m_readMenu = new QMenu(this);
    for (int i = 0; i < static_cast<int>(std::size(ReadMenuItems)); ++i) {
        QAction* item = m_readMenu->addAction(QString::fromUtf8(ReadMenuItems[i]));
        if (i < static_cast<int>(std::size(ReadMenuTags)))
            item->setData(QString::fromLatin1(ReadMenuTags[i]));
        connect(item, &QAction::triggered, this, [this, i] { emit readMenuChosen(i + 1); });
    }
    // Shown only: choosing a language runs nothing.
    m_translationMenu = new QMenu(this);
    for (const char* item : TranslationItems)
        m_translationMenu->addAction(QString::fromUtf8(item));

    for (int i = 0; i < ButtonCount; ++i) {
        const ToolButtonInfo& info = Buttons[i];
        const QIcon icon(QStringLiteral(":/toolbar/%1.svg").arg(QLatin1String(info.icon)));
        QAction* act = addAction(icon, QString::fromLatin1(info.tooltip));
        act->setToolTip(QString::fromLatin1(info.tooltip));
        act->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        m_actions[i] = act;
        const int index = i + 1;
        connect(act, &QAction::triggered, this, [this, index] { emit buttonClicked(index); });
        QToolButton* tool = button(index);
        if (index == ReadButton || index == TranslationButton) {
            act->setMenu(index == ReadButton ? m_readMenu : m_translationMenu);
            if (tool)
                tool->setPopupMode(QToolButton::MenuButtonPopup);
        }
        // The buttons show only an image; the tooltip is what they are
        // called, also when it changes (pause and resume).
        if (tool) {
            tool->setAccessibleName(act->toolTip());
            connect(act, &QAction::changed, tool,
                    [tool, act] { tool->setAccessibleName(act->toolTip()); });
        }
    }
}

QToolButton* MainToolBar::button(int index) const {
    return qobject_cast<QToolButton*>(widgetForAction(action(index)));
}

} // namespace lectern::shell
