#pragma once
// A prompter that answers every message box at once and keeps what it was
// shown.

#include "Prompter.h"

#include <QList>
#include <QString>

#include <functional>

struct Prompt {
    QString title;
    QString text;
    lectern::speech::PromptIcon icon;
    lectern::speech::PromptButtons buttons;
};

class RecordingPrompter : public lectern::speech::Prompter {
public:
    lectern::speech::PromptAnswer answer = lectern::speech::PromptAnswer::Yes;
    QList<Prompt> prompts;
    // Runs while the box would be open, as window events do.
    std::function<void()> whileShown;

    lectern::speech::PromptAnswer prompt(const QString& title, const QString& text,
                                         lectern::speech::PromptIcon icon,
                                         lectern::speech::PromptButtons buttons) override {
        prompts.append({title, text, icon, buttons});
        if (whileShown)
            std::exchange(whileShown, nullptr)();
        return buttons == lectern::speech::PromptButtons::Ok ? lectern::speech::PromptAnswer::Ok
                                                             : answer;
    }
};
