// Dialogue files from anywhere: any bytes are either refused with a
// description or read into rows that write back and read again unchanged.

#include "DialogueFile.h"

#include <cstdlib>

using namespace lectern::dialogue;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<DialogueRow> rows;
    try {
        rows = parseDialogue(bytes, QStringLiteral("fuzz.txt"));
    } catch (const DialogueError& e) {
        if (e.description().isEmpty())
            std::abort();
        return 0;
    }
    try {
        if (parseDialogue(serialiseDialogue(rows), QStringLiteral("again.txt")) != rows)
            std::abort();
    } catch (const DialogueError&) {
        std::abort(); // what was read must write back readable
    }
    return 0;
}
