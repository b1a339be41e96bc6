#include "platform/codepages/ByteFaces.h"

#include "platform/codepages/CodePage.h"

namespace zv {

namespace {

constexpr ByteFace kTextFace{u"Verdana", kAnsiCharset};
constexpr ByteFace kSymbolFaces[] = {
    {u"Symbol", kSymbolCharset},
    {u"Wingdings 2", kSymbolCharset},
    {u"Wingdings 3", kSymbolCharset},
};

const CodePage &pageOf(const ByteFace &face)
{
    return CodePage::forFont(face.name, face.charset);
}

} // namespace

const ByteFace *byteFaceFor(char16_t ch)
{
    if (pageOf(kTextFace).fromUnicode(ch) >= 0)
        return &kTextFace;
    for (const ByteFace &face : kSymbolFaces)
        if (pageOf(face).fromUnicode(ch) >= 0)
            return &face;
    return nullptr;
}

QByteArray bytesInByteFace(char16_t ch)
{
    if (ch == u'⊤')
        return QByteArrayLiteral("T");
    const ByteFace *face = byteFaceFor(ch);
    if (!face)
        return {};
    const CodePage &page = pageOf(*face);
    // A turnstile from outside is its sign alone; the page shows it with the mark of its
    // second byte.
    const QChar one(ch);
    return page.encode(page.shownFromUnicode(QStringView(&one, 1)));
}

} // namespace zv
