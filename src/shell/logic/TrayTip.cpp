#include "TrayTip.h"

#include "CodePage.h"

namespace lectern::shell {

QString trayTipText(const QString& tip) {
    int bytes = 0;
    qsizetype kept = 0;
    while (kept < tip.size()) {
        const QChar unit = tip.at(kept);
        // A surrogate pair is one character the code page cannot encode: two
        // replacement bytes, kept or dropped together.
        const bool pair =
            unit.isHighSurrogate() && kept + 1 < tip.size() && tip.at(kept + 1).isLowSurrogate();
        const int units = pair ? 2 : 1;
        const int cost = pair ? 2 : (speech::isWideInCodePage950(unit.unicode()) ? 2 : 1);
        if (bytes + cost > TrayTipBytes)
            break;
        bytes += cost;
        kept += units;
    }
    return tip.left(kept);
}

int32_t trayCallbackMessage(int32_t msgNo) {
    if (msgNo > LargestMsgNo)
        throw TrayOverflow();
    return msgNo + UserMessageBase;
}

} // namespace lectern::shell
