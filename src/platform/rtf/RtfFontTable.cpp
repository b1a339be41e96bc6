#include "platform/rtf/RtfFontTable.h"

#include "platform/codepages/CodePage.h"
#include "platform/format/TextFormat.h"
#include "platform/rtf/RtfLimits.h"

namespace zv::rtf {

namespace {

const char *multiByteName(int number)
{
    switch (number) {
    case 932:
    case 10001: return "Shift_JIS";
    case 936:
    case 10008: return "GBK";
    case 949:
    case 10003: return "windows-949";
    case 950:
    case 10002: return "Big5";
    default: return nullptr;
    }
}

} // namespace

void RtfFontTable::begin(int number)
{
    m_pending = true;
    m_number = number;
    m_charset = -1;
    m_codePage = 0;
    m_name.clear();
}

void RtfFontTable::addNameByte(char byte)
{
    if (m_pending && m_name.size() < limits::kMaxFaceNameBytes)
        m_name.append(byte);
}

void RtfFontTable::pageFor(
    int number, const CodePage *&page, std::unique_ptr<QStringDecoder> &decoder)
{
    page = CodePage::forNumber(number);
    decoder.reset();
    if (page)
        return;
    if (const char *name = multiByteName(number)) {
        auto candidate = std::make_unique<QStringDecoder>(name, QStringConverter::Flag::Stateless);
        if (candidate->isValid())
            decoder = std::move(candidate);
    }
}

QByteArray RtfFontTable::encodeFaceName(const QString &face, int charset)
{
    const int number = charset == kDefaultCharset ? 1252 : CodePage::numberForCharset(charset);
    if (const CodePage *page = CodePage::forNumber(number))
        return page->encode(face);
    if (const char *name = multiByteName(number)) {
        QStringEncoder encoder(name, QStringConverter::Flag::Stateless);
        if (encoder.isValid()) {
            QByteArray bytes = encoder.encode(face);
            if (!encoder.hasError())
                return bytes;
        }
    }
    return CodePage::windows1252().encode(face);
}

int RtfFontTable::charsetForCodePage(int number)
{
    static constexpr int kCharsets[] = {0, 77, 78, 79, 80, 81, 128, 129, 130, 134, 136, 161, 162,
        163, 177, 178, 186, 204, 222, 238, 254, 255};
    for (int charset : kCharsets)
        if (CodePage::numberForCharset(charset) == number)
            return charset;
    return 0;
}

void RtfFontTable::commit(int ansiCodePage)
{
    if (!m_pending)
        return;
    m_pending = false;
    if (m_byNumber.contains(m_number) || int(m_fonts.size()) >= limits::kMaxFonts)
        return;

    RtfFont font;
    int number = ansiCodePage;
    if (m_codePage > 0)
        number = m_codePage;
    else if (m_charset >= 0 && m_charset != kDefaultCharset)
        number = CodePage::numberForCharset(m_charset);

    // The face name is written in the font's own code page.
    const CodePage *namePage = nullptr;
    pageFor(number, namePage, font.multiByte);
    QString face = font.multiByte ? font.multiByte->decode(m_name)
                                  : (namePage ? *namePage : CodePage::windows1252()).decode(m_name);
    face = face.trimmed();
    font.face = face.left(fmt::kMaxFaceName);

    // The character set stays as written, so that a saved document reloads with the same one;
    // without \fcharset it is the one of the code page that the bytes are read in.
    if (m_charset >= 0)
        font.charset = m_charset;
    else
        font.charset = charsetForCodePage(font.multiByte ? number
                : namePage                               ? namePage->number()
                                                         : 1252);

    // Bytes are read as the editor will draw and save them (CodePage::forFont).
    const CodePage &drawn = CodePage::forFont(font.face, font.charset);
    if (drawn.isSymbol()) {
        font.page = &drawn;
        font.multiByte.reset();
    } else if (!font.multiByte) {
        font.page = namePage ? namePage : &CodePage::windows1252();
    }
    m_byNumber.insert(m_number, int(m_fonts.size()));
    m_fonts.push_back(std::move(font));
}

} // namespace zv::rtf
