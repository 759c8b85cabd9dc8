#pragma once
#include <QChar>
#include <QStringView>

namespace lectern::speech {

// The legacy double-byte code page test, against code page 950 (Big5): a
// 65,536-entry table generated into data/ from glibc's iconv.
// True when the code page encodes the UTF-16 unit in two bytes.
bool isWideInCodePage950(char16_t unit);
// Bytes the code page needs for the units (1 per narrow or unencodable unit,
// 2 per wide one).
int codePage950ByteCount(QStringView text);

} // namespace lectern::speech
