#include "components/AnsiText.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/CodePage.h"

namespace tervaline::components {

namespace {

constexpr const char* kShiftJis = "Shift_JIS";

bool UsesShiftJis() { return platform::ActiveCodePage() == platform::kCodePage932; }

}  // namespace

QString AnsiToQString(std::string_view text) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    if (UsesShiftJis()) {
        QStringDecoder decoder(kShiftJis);
        if (decoder.isValid()) return decoder.decode(bytes);
    }
    return QString::fromLocal8Bit(bytes);
}

std::string QStringToAnsi(const QString& text) {
    QByteArray bytes;
    if (UsesShiftJis()) {
        QStringEncoder encoder(kShiftJis);
        if (encoder.isValid()) bytes = encoder.encode(text);
    }
    if (bytes.isEmpty()) bytes = text.toLocal8Bit();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace tervaline::components
