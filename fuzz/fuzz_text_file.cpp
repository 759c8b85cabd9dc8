// Any bytes opened as a text file are decoded or refused with a description;
// a decoding always names its encoding.

#include "TextFile.h"

#include <cstdlib>

using namespace lectern::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const DecodedText decoded = decodeText(bytes, QStringLiteral("fuzz.txt"));
        if (decoded.encoding.isEmpty())
            std::abort();
    } catch (const TextFileError& e) {
        if (e.description().isEmpty())
            std::abort();
    }
    return 0;
}
