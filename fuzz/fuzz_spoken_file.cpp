// A file given to be spoken: any bytes come back as exactly the text UTF-8
// decoding gives, however they are cut into reads, and nothing else fails.

#include "SpeechEngine.h"
#include "SpokenFile.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

using namespace lectern::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("spoken", 0);
    if (fd < 0)
        return 0;
    if (size > 0 && ::write(fd, data, size) != ssize_t(size)) {
        ::close(fd);
        return 0;
    }
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    try {
        const QString text = SpokenFile::open(path)->readText();
        if (text != QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)))
            std::abort();
    } catch (const EngineError&) {
        std::abort(); // a small regular file must always be readable
    }
    ::close(fd);
    return 0;
}
