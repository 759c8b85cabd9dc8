#include "FormatList.h"

#include "AudioFormats.h"

namespace lectern::audio {

QStringList formatNames() {
    return engine::audioFormatNames();
}

int formatValue(const QString& name) {
    return engine::audioFormatValue(name).value_or(engine::SAFT22kHz16BitMono);
}

QString formatRefusedMessage() {
    return formatLookupFailedMessage() + QStringLiteral("\n建議 SAFT22kHz16BitMono 模式");
}

QString formatLookupFailedMessage() {
    return QStringLiteral("你的音訊輸出串流不支援此模式 !");
}

} // namespace lectern::audio
