#pragma once
// The rules a tray icon's tooltip and callback number follow, apart from any
// icon or window.

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace lectern::shell {

// The tooltip field holds 64 bytes in code page 950 with its closing NUL.
inline constexpr int TrayTipBytes = 63;

// The longest beginning of the tip that fits TrayTipBytes in code page 950,
// never cut inside a double-byte character or a surrogate pair.
QString trayTipText(const QString& tip);

// The callback message is the user message base plus a caller's number.
inline constexpr int32_t UserMessageBase = 1024;
inline constexpr int32_t LargestMsgNo = INT32_MAX - UserMessageBase;

class TrayOverflow : public std::overflow_error {
public:
    TrayOverflow()
        : std::overflow_error("Overflow: the tray message number may not exceed 2147482623.") {}
};

// The stored callback message for a message number; throws TrayOverflow
// when it would not fit 32 bits.
int32_t trayCallbackMessage(int32_t msgNo);

} // namespace lectern::shell
