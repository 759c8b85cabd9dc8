#pragma once
// Turns a fuzzer's bytes into the text a selection could hold. The first byte
// picks how: UTF-8 (what the clipboard gives) or raw UTF-16 units, which also
// reach lone surrogates, NULs and every private-use or unassigned unit.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lectern::fuzz {

inline QString textFromBytes(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    if (data[0] & 1) {
        QString s(qsizetype((size - 1) / 2), Qt::Uninitialized);
        std::memcpy(s.data(), data + 1, size_t(s.size()) * 2);
        return s;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
}

// Consumes one byte of options from the front; 0 when there is none.
inline uint8_t takeByte(const uint8_t*& data, size_t& size) {
    if (size == 0)
        return 0;
    --size;
    return *data++;
}

} // namespace lectern::fuzz
