#include "MessageBoxPrompter.h"

#include "DialogCursor.h"

#include <QApplication>
#include <QMessageBox>

namespace lectern::shell {

speech::PromptAnswer MessageBoxPrompter::prompt(const QString& title, const QString& text,
                                                speech::PromptIcon icon,
                                                speech::PromptButtons buttons) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case speech::PromptIcon::None:
        break;
    case speech::PromptIcon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case speech::PromptIcon::Exclamation:
        boxIcon = QMessageBox::Warning;
        break;
    case speech::PromptIcon::Error:
        boxIcon = QMessageBox::Critical;
        break;
    }
    const bool yesNo = buttons == speech::PromptButtons::YesNo;
    QMessageBox box(boxIcon, title, text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, m_owner);
    const int answer = [&box] {
        const NormalCursorWhileOpen normal;
        return box.exec();
    }();
    if (!yesNo)
        return speech::PromptAnswer::Ok;
    return answer == QMessageBox::Yes ? speech::PromptAnswer::Yes : speech::PromptAnswer::No;
}

} // namespace lectern::shell
