#include "app/LanguageFile.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringEncoder>

#include <dirent.h>
#include <fnmatch.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace tervaline::app {

namespace {

// ICU's name for code page 932 itself; plain Shift_JIS lacks its
// vendor rows (circled digits, NEC and IBM extensions).
constexpr const char* kCodePage932Names[] = {"windows-31j", "Shift_JIS"};

QStringDecoder CodePage932Decoder() {
    for (const char* name : kCodePage932Names) {
        QStringDecoder decoder(name);
        if (decoder.isValid()) return decoder;
    }
    return QStringDecoder(QStringDecoder::Latin1);
}

QStringEncoder CodePage932Encoder() {
    for (const char* name : kCodePage932Names) {
        QStringEncoder encoder(name);
        if (encoder.isValid()) return encoder;
    }
    return QStringEncoder(QStringEncoder::Latin1);
}

struct TDirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

std::string FindLanguageFile(const std::string& appDir) {
    const std::unique_ptr<DIR, TDirCloser> dir(opendir(appDir.empty() ? "." : appDir.c_str()));
    if (!dir) return {};
    while (const dirent* entry = readdir(dir.get())) {
        // Hidden entries count too, so no FNM_PERIOD.
        if (fnmatch("*.lng", entry->d_name, FNM_CASEFOLD) == 0) return appDir + entry->d_name;
    }
    return {};
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t lowest = 0;
        if ((b & 0xE0) == 0xC0) {
            length = 2, code = b & 0x1F, lowest = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, code = b & 0x0F, lowest = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, code = b & 0x07, lowest = 0x10000;
        } else {
            return false;
        }
        if (i + length > n) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            code = (code << 6) | (c & 0x3F);
        }
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

TLanguageEncoding TLanguageEncoding::OfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return TLanguageEncoding(Utf8);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return TLanguageEncoding(IsValidUtf8(bytes) ? Utf8 : CodePage932);
}

std::string TLanguageEncoding::Encode(const QString& text) const {
    QByteArray bytes;
    if (kind_ == Utf8) {
        bytes = text.toUtf8();
    } else {
        QStringEncoder encoder = CodePage932Encoder();
        bytes = encoder.encode(text);
    }
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString TLanguageEncoding::Decode(std::string_view bytes) const {
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (kind_ == Utf8) return QString::fromUtf8(data);
    QStringDecoder decoder = CodePage932Decoder();
    return decoder.decode(data);
}

}  // namespace tervaline::app
