#pragma once
// The dialogue grid as speech markup: every row read whole by its own voice
// and prosody, followed by its pause.

#include "DialogueGrid.h"

#include <QCoreApplication>
#include <QString>

namespace lectern::dialogue {

struct DialogueMarkup {
    QString markup;
    // A row without a voice ended the markup; the rows before it are in it.
    bool stoppedEarly = false;
};

inline QString noVoiceMessage() {
    return QStringLiteral("請選擇語音 !");
}
// The message above goes out under the application's own title.
inline QString noVoiceTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Lectern") : name;
}

// The pause cell as milliseconds of silence (value x 500); throws a
// DialogueError naming the row when the cell is not a decimal number.
double pauseMilliseconds(const QString& pause, int row);

// One row's fragment, with the silence already worked out.
void appendRowMarkup(QString& out, const DialogueRow& row, const QString& silenceMs);

// Stops at the first row without a voice; the caller tells the user.
// `rowEnd` follows every row's fragment.
DialogueMarkup BuildDialogueMarkup(const DialogueGrid& grid, QStringView rowEnd = {});

} // namespace lectern::dialogue
