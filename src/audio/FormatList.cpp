#include "FormatList.h"

#include "AudioFormats.h"

namespace lectern::audio {

QStringList formatNames() {
    return audio::audioFormatNames();
}

int formatValue(const QString& name) {
    return audio::audioFormatValue(name).value_or(audio::SAFT22kHz16BitMono);
}

QString formatRefusedMessage() {
    return formatLookupFailedMessage() + QStringLiteral("\n建議 SAFT22kHz16BitMono 模式");
}

QString formatLookupFailedMessage() {
    return QStringLiteral("你的音訊輸出串流不支援此模式 !");
}

} // namespace lectern::audio
