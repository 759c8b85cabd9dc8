// A settings file as a user or a crash could leave it: the INI store is read
// as start-up reads it, and every value the refusal rules let through is one
// the controls can take.

#include "FuzzInput.h"
#include "StoredSettings.h"

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdlib>

using namespace lectern::speech;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Lectern.conf"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QSettings store(path, QSettings::IniFormat);
    store.beginGroup(QStringLiteral("ini"));
    const QStringList voices{QStringLiteral("English (America)"),
                             QStringLiteral("Chinese (Mandarin)")};
    for (const char* key : StoredSettingKeys) {
        const QString stored = store.value(QLatin1String(key)).toString();
        if (const auto v = storedSliderValue(stored, -100, 100); v && (*v < -100 || *v > 100))
            std::abort();
        if (const auto i = storedVoiceIndex(stored, voices); i && (*i < 0 || *i >= voices.size()))
            std::abort();
    }
    return 0;
}
