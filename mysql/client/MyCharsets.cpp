#include "mysql/client/MyCharsets.h"

#include <algorithm>
#include <iterator>

namespace brevant {

namespace {

struct CodePageCharset {
    unsigned codePage;
    const char16_t* charset;
};

// Sorted by code page.
constexpr CodePageCharset kCodePageCharsets[] = {
    {437, u"cp850"},      {850, u"cp850"},      {852, u"cp852"},      {858, u"cp850"},     {866, u"cp866"},
    {874, u"tis620"},     {932, u"cp932"},      {936, u"gbk"},        {949, u"euckr"},     {950, u"big5"},
    {1250, u"latin2"},    {1251, u"cp1251"},    {1252, u"latin1"},    {1253, u"greek"},    {1254, u"latin5"},
    {1255, u"hebrew"},    {1256, u"cp1256"},    {1257, u"cp1257"},    {10000, u"macroman"}, {10001, u"sjis"},
    {10002, u"big5"},     {10008, u"gb2312"},   {10021, u"tis620"},   {10029, u"macce"},   {20107, u"swe7"},
    {20127, u"ascii"},    {20866, u"koi8r"},    {20932, u"ujis"},     {20936, u"gb2312"},  {20949, u"euckr"},
    {21866, u"koi8u"},    {28591, u"latin1"},   {28592, u"latin2"},   {28597, u"greek"},   {28598, u"hebrew"},
    {28599, u"latin5"},   {28603, u"latin7"},   {38598, u"hebrew"},   {51932, u"ujis"},    {51936, u"gb2312"},
    {51949, u"euckr"},    {51950, u"big5"},     {65001, u"utf8"},
};

struct CharsetLength {
    const char16_t* charset;
    int length;
};

constexpr CharsetLength kCharsetLengths[] = {
    {u"utf32", 4},   {u"utf16le", 4}, {u"utf16", 4}, {u"utf8mb4", 4}, {u"eucjpms", 3}, {u"utf8", 3}, {u"utf8mb3", 3},
    {u"ujis", 3},    {u"cp932", 2},   {u"ucs2", 2},  {u"gbk", 2},     {u"gb2312", 2},  {u"euckr", 2},
    {u"sjis", 2},    {u"big5", 2},
};

}  // namespace

UString CharsetForCodePage(unsigned codePage) {
    auto it = std::lower_bound(std::begin(kCodePageCharsets), std::end(kCodePageCharsets), codePage,
                               [](const CodePageCharset& e, unsigned cp) { return e.codePage < cp; });
    if (it == std::end(kCodePageCharsets) || it->codePage != codePage) return {};
    return it->charset;
}

int CharsetMaxLength(UStringView charset) {
    for (const auto& e : kCharsetLengths)
        if (charset == e.charset) return e.length;
    return 1;
}

bool IsUtf8Charset(UStringView charset) {
    return SameTextAscii(charset, u"utf8") || SameTextAscii(charset, u"utf8mb3") || SameTextAscii(charset, u"utf8mb4");
}

bool IsPlainCharsetName(UStringView charset) {
    if (charset.empty()) return false;
    return std::all_of(charset.begin(), charset.end(), [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
    });
}

}  // namespace brevant
