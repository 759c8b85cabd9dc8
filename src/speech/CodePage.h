#pragma once
#include <QChar>
#include <QStringView>

namespace lectern::speech {

// The legacy double-byte code page test, against code page 950 (Big5): a
// 65,536-entry table generated into data/ from glibc's iconv.
// True when the code page encodes the UTF-16 unit in two bytes.
bool isWideInCodePage950(char16_t unit);

// The test the script runs use: code page 950, plus the CJK ideographs,
// CJK punctuation and full-width forms it cannot encode (Simplified
// characters among them), which a Chinese desktop counts as wide too.
bool isWideUnit(char16_t unit);

// Bytes the legacy code page needs for the units (1 per narrow unit, 2 per
// wide one, by isWideUnit).
int legacyByteCount(QStringView text);

} // namespace lectern::speech
