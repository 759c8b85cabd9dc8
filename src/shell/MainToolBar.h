#pragma once
// The command bar: thirteen buttons, the reading menu on the read button and
// the translation menu.

#include <QToolBar>

#include <array>

class QAction;
class QMenu;
class QToolButton;

namespace lectern::shell {

class MainToolBar : public QToolBar {
    Q_OBJECT
public:
    static constexpr int ButtonCount = 13;
    static constexpr int ReadButton = 2;
    static constexpr int PauseButton = 3;
    static constexpr int ExportButton = 4;
    static constexpr int TranslationButton = 6;
    static constexpr int SettingsButton = 7;

    explicit MainToolBar(QWidget* parent = nullptr);

    // 1-based, as the buttons are numbered.
    QAction* action(int index) const { return m_actions.at(index - 1); }
    QToolButton* button(int index) const;
    QMenu* readMenu() const { return m_readMenu; }
    QMenu* translationMenu() const { return m_translationMenu; }

signals:
    void buttonClicked(int index);
    void readMenuChosen(int index);

private:
    std::array<QAction*, ButtonCount> m_actions{};
    QMenu* m_readMenu = nullptr;
    QMenu* m_translationMenu = nullptr;
};

} // namespace lectern::shell
