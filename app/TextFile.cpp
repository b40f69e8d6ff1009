#include "app/TextFile.h"

#include <QFile>

#include "core/Errors.h"
#include "core/Format.h"

namespace brevant {

namespace {

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

/// UTF-16 code units from pairs of bytes; an odd last byte is dropped.
UString Utf16Units(std::string_view bytes, bool bigEndian) {
    UString text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    return text;
}

}  // namespace

UString DecodeTextFile(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return Utf8ToUtf16(bytes.substr(3));
    if (StartsWith(bytes, "\xFF\xFE")) return Utf16Units(bytes.substr(2), false);
    if (StartsWith(bytes, "\xFE\xFF")) return Utf16Units(bytes.substr(2), true);
    return AnsiToUtf16(bytes);
}

UString ReadTextFile(const QString& fileName) {
    QFile file(fileName);
    auto fail = [&] {
        return Exception(Format(u"Cannot open file \"%s\". %s",
                                {fileName.toStdU16String(), file.errorString().toStdU16String()}));
    };
    if (!file.open(QIODevice::ReadOnly)) throw fail();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw fail();
    return DecodeTextFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace brevant
