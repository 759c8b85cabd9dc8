#pragma once
// The dialogue page: the grid `mshlist`, its two floating cell editors and
// the four row buttons. The rules live in DialogueGrid and CellNavigation;
// this class forwards keys and places the editors.

#include "CellNavigation.h"
#include "DialogueGrid.h"
#include "DialogueMarkup.h"

#include <QWidget>

#include <functional>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;

namespace lectern::speech {
class Prompter;
}

namespace lectern::dialogue {

class DialogueTableModel;

class DialoguePage : public QWidget {
    Q_OBJECT
public:
    explicit DialoguePage(QWidget* parent = nullptr);
    ~DialoguePage() override;

    QTableView* mshlist = nullptr;
    QComboBox* cboTemp = nullptr;
    QLineEdit* txtTemp = nullptr;
    QPushButton* cmdadd = nullptr;
    QPushButton* cmdinsert = nullptr;
    QPushButton* cmddelete = nullptr;
    QPushButton* cmddeleteall = nullptr;
    QAction* saveAction = nullptr;
    QAction* openAction = nullptr;

    DialogueGrid& grid() { return m_grid; }
    const DialogueGrid& grid() const { return m_grid; }
    DialogueMarkup dialogueMarkup() const { return BuildDialogueMarkup(m_grid); }

    // Failures of the file commands are shown through it.
    void setPrompter(speech::Prompter& prompter) { m_prompter = &prompter; }
    // The voice descriptions the voice column offers, in the engine's order.
    void setVoiceSource(std::function<QStringList()> voices) { m_voices = std::move(voices); }

    void ResetDialogueGrid();
    void ParkEditors();
    // Where the editor in use should stand: over the current cell, in the
    // grid's viewport.
    QRect currentCellRect() const;
    bool editorsParked() const;

    void cmdadd_Click();
    void cmdinsert_Click();
    void cmddelete_Click();
    void cmddeleteall_Click();

    // The file commands without their file dialogs; failures are shown.
    void saveDialogueTo(const QString& path);
    void openDialogueFrom(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mshlist_GotFocus();
    // Loads the current cell into the text editor and gives it the focus.
    void loadCell();
    // loadCell, then the editor for the current cell.
    void enterCell();
    void mshlist_Click();
    void applyOpen(const OpenOutcome& open);
    void applyKey(const KeyOutcome& outcome);
    bool txtTemp_KeyDown(int key);
    bool cboTemp_KeyDown(int key);
    void fillChoices();
    void showCurrentCell();
    // True when the focus moved to something other than the grid and its
    // editors, so they are to be parked.
    bool focusLeftTheGrid(QEvent* event) const;
    void applyHeaderWidths();
    void showFailure(const QString& description);
    void saveDialogue();
    void openDialogue();
    int parkedTop() const;

    DialogueGrid m_grid;
    DialogueTableModel* m_model = nullptr;
    EditorState m_editor;
    speech::Prompter* m_prompter = nullptr;
    std::function<QStringList()> m_voices;
    // Set while the editors are moved on purpose, so the focus changes that
    // causes do not park them again.
    int m_placing = 0;
    bool m_filling = false;
};

} // namespace lectern::dialogue
