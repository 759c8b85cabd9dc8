// Selection normalisation keeps one unit per unit (so word offsets hold),
// never grows the text and leaves no CR LF behind.

#include "FuzzInput.h"
#include "Selection.h"

#include <cstdlib>

using namespace lectern::speech;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = lectern::fuzz::textFromBytes(data, size);

    const QString normalised = NormaliseSelection(text);
    if (normalised.size() > text.size() || normalised.contains(u"\r\n"))
        std::abort();

    const QString caret = normaliseCaretText(text);
    if (caret.size() != text.size() || caret.contains(u"\r\n"))
        std::abort();

    // The excerpt never grows with the clipboard.
    const QString question = clipboardQuestion(QStringLiteral("?"), text);
    if (question.size() > 120)
        std::abort();
    return 0;
}
