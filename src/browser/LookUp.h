#pragma once
// The dictionary look-up: which word is looked up, and where.

#include "BrowserSelection.h"
#include "Prompter.h"

#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

namespace lectern::browser {

// Where the word may come from. Texts give every line break as CR LF.
class LookUpSources {
public:
    virtual ~LookUpSources() = default;
    // 0 browser page, 1 document page, anything else has no selection.
    virtual int currentTab() const = 0;
    // Throws when the page cannot be asked.
    virtual BrowserSelection browserSelection() = 0;
    virtual QString documentSelection() const = 0;
    virtual QString clipboardText() const = 0;
};

inline constexpr int LongestLookUpWord = 50;
extern const char16_t* const LookUpNothingSelected; // "請在此頁籤反白選擇您要查詢的單字!"
extern const char16_t* const LookUpTooLong;         // "您所選取的單字過長 !"
extern const char16_t* const LookUpClipboardAsk; // "您並未選取文字 , 要查詢剪貼簿的文字嗎 ?"

// A selection as a look-up word: spaces trimmed, CR LF to one space,
// lower-cased.
QString normaliseLookUpText(QStringView text);

// The word to look up, or nothing when the look-up ends here (after its
// message, a No, or a word of spaces only). Asks and tells through `prompter`.
std::optional<QString> gatherLookUpWord(LookUpSources& sources, speech::Prompter& prompter);

// `site` with the path and query "/search?q=define+" and the word, encoded so
// that every character of it reaches the search as selected.
QUrl lookUpUrl(const QUrl& site, const QString& word);

} // namespace lectern::browser
