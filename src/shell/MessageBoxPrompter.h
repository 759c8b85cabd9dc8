#pragma once
#include "Prompter.h"

class QWidget;

namespace lectern::shell {

// Asks with a modal message box over the main window.
class MessageBoxPrompter : public speech::Prompter {
public:
    explicit MessageBoxPrompter(QWidget* owner = nullptr) : m_owner(owner) {}
    speech::PromptAnswer prompt(const QString& title, const QString& text, speech::PromptIcon icon,
                                speech::PromptButtons buttons) override;

private:
    QWidget* m_owner;
};

} // namespace lectern::shell
