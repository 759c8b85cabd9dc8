#pragma once
// Every message box goes through one Prompter, so tests can answer them.

#include <QString>

namespace lectern::speech {

enum class PromptIcon { None, Information, Exclamation, Error };
enum class PromptButtons { Ok, YesNo };
enum class PromptAnswer { Ok, Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual PromptAnswer prompt(const QString& title, const QString& text, PromptIcon icon,
                                PromptButtons buttons) = 0;
};

// Titles used throughout.
inline QString messageTitle() {
    return QStringLiteral("訊息");
}
inline QString questionTitle() {
    return QStringLiteral("提示");
}

} // namespace lectern::speech
