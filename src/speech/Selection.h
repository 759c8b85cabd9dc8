#pragma once
// Text normalisation shared by the reading commands.

#include <QString>
#include <QStringView>

namespace lectern::speech {

// Trims spaces (U+0020 only), replaces each CR LF by two spaces, lower-cases.
QString NormaliseSelection(QStringView text);
// Replaces each CR LF pair by `replacement`.
QString replaceCrLf(QStringView text, QStringView replacement);
// Text read from the caret: CR LF to two spaces, lower-cased, not trimmed.
QString normaliseCaretText(QStringView text);

// The Yes/No question asked before reading the clipboard:
// question, CR LF x2, "剪貼簿內容 :", CR LF x2, first 100 units of raw, "...".
QString clipboardQuestion(const QString& question, const QString& rawClipboard);
extern const char16_t* const ReadClipboardQuestion; // "您並未選取文字 , 要朗讀剪貼簿的文字嗎 ?"

} // namespace lectern::speech
