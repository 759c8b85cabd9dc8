#pragma once
// The "Output Format" list: its 70 names and the two lookups.

#include <QString>
#include <QStringList>

namespace lectern::audio {

// The names in list order (value = position - 1).
QStringList formatNames();
constexpr const char* FallbackFormatName = "SAFT22kHz16BitMono";
// Exact, case-sensitive lookup; any unknown name gives 22.
int formatValue(const QString& name);

// Two-line message shown when the live stream refuses a format.
QString formatRefusedMessage();
// Single line shown when the lookup itself fails.
QString formatLookupFailedMessage();

} // namespace lectern::audio
