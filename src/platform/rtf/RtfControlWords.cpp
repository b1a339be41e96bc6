#include "platform/rtf/RtfControlWords.h"

#include <algorithm>
#include <string_view>

namespace zv::rtf {

namespace {

struct Entry
{
    std::string_view name;
    Control control;
    char16_t character = 0;
};

// Destinations that hold no text of the document: skipped with everything nested in them.
// Headers, footers and footnotes are left out as other plain-text readers do.
constexpr Entry kTable[] = {
    {"aftncn", Control::SkipDestination},
    {"aftnsep", Control::SkipDestination},
    {"aftnsepc", Control::SkipDestination},
    {"annotation", Control::SkipDestination},
    {"ansi", Control::Ansi},
    {"ansicpg", Control::AnsiCodePage},
    {"atnauthor", Control::SkipDestination},
    {"atnid", Control::SkipDestination},
    {"b", Control::Bold},
    {"bkmkend", Control::SkipDestination},
    {"bkmkstart", Control::SkipDestination},
    {"blue", Control::Blue},
    {"bullet", Control::Character, 0x2022},
    {"cell", Control::Paragraph},
    {"cf", Control::Color},
    {"chftn", Control::FootnoteNumber},
    {"colorschememapping", Control::SkipDestination},
    {"colortbl", Control::ColorTable},
    {"column", Control::Paragraph},
    {"cpg", Control::FontCodePage},
    {"datafield", Control::SkipDestination},
    {"datastore", Control::SkipDestination},
    {"deff", Control::DefaultFont},
    {"docvar", Control::SkipDestination},
    {"emdash", Control::Character, 0x2014},
    {"emspace", Control::Character, 0x2003},
    {"endash", Control::Character, 0x2013},
    {"enspace", Control::Character, 0x2002},
    {"f", Control::Font},
    {"fcharset", Control::FontCharset},
    {"filetbl", Control::SkipDestination},
    {"fldinst", Control::SkipDestination},
    {"fldtype", Control::SkipDestination},
    {"fonttbl", Control::FontTable},
    {"footer", Control::SkipDestination},
    {"footerf", Control::SkipDestination},
    {"footerl", Control::SkipDestination},
    {"footerr", Control::SkipDestination},
    {"footnote", Control::SkipDestination},
    {"fs", Control::FontSize},
    {"ftncn", Control::SkipDestination},
    {"ftnsep", Control::SkipDestination},
    {"ftnsepc", Control::SkipDestination},
    {"generator", Control::SkipDestination},
    {"green", Control::Green},
    {"header", Control::SkipDestination},
    {"headerf", Control::SkipDestination},
    {"headerl", Control::SkipDestination},
    {"headerr", Control::SkipDestination},
    {"i", Control::Italic},
    {"info", Control::SkipDestination},
    {"latentstyles", Control::SkipDestination},
    {"ldblquote", Control::Character, 0x201C},
    {"line", Control::Line},
    {"list", Control::SkipDestination},
    {"listoverride", Control::SkipDestination},
    {"listoverridetable", Control::SkipDestination},
    {"listpicture", Control::SkipDestination},
    {"listtable", Control::SkipDestination},
    {"lquote", Control::Character, 0x2018},
    {"ltrmark", Control::Character, 0x200E},
    {"mac", Control::Mac},
    {"mmathPr", Control::SkipDestination},
    {"nestcell", Control::Paragraph},
    {"nonesttables", Control::SkipDestination},
    {"nonshppict", Control::SkipDestination},
    {"object", Control::SkipDestination},
    {"page", Control::Paragraph},
    {"par", Control::Paragraph},
    {"pc", Control::Pc},
    {"pca", Control::Pca},
    {"pgdsctbl", Control::SkipDestination},
    {"pict", Control::SkipDestination},
    {"plain", Control::Plain},
    {"pn", Control::SkipDestination},
    {"private", Control::SkipDestination},
    {"qmspace", Control::Character, 0x2005},
    {"rdblquote", Control::Character, 0x201D},
    {"red", Control::Red},
    {"revtbl", Control::SkipDestination},
    {"rquote", Control::Character, 0x2019},
    {"rsidtbl", Control::SkipDestination},
    {"rtlmark", Control::Character, 0x200F},
    {"sect", Control::Paragraph},
    {"strike", Control::Strike},
    {"striked", Control::Strike},
    {"stylesheet", Control::SkipDestination},
    {"tab", Control::Tab},
    {"tc", Control::SkipDestination},
    {"template", Control::SkipDestination},
    {"themedata", Control::SkipDestination},
    {"u", Control::Unicode},
    {"uc", Control::UnicodeSkip},
    {"ul", Control::Underline},
    {"uld", Control::Underline},
    {"uldash", Control::Underline},
    {"uldashd", Control::Underline},
    {"uldashdd", Control::Underline},
    {"uldb", Control::Underline},
    {"ulhwave", Control::Underline},
    {"ulldash", Control::Underline},
    {"ulnone", Control::UnderlineNone},
    {"ulth", Control::Underline},
    {"ulthd", Control::Underline},
    {"ulthdash", Control::Underline},
    {"ulthdashd", Control::Underline},
    {"ulthdashdd", Control::Underline},
    {"ulthldash", Control::Underline},
    {"ululdbwave", Control::Underline},
    {"ulw", Control::Underline},
    {"ulwave", Control::Underline},
    {"userprops", Control::SkipDestination},
    {"xe", Control::SkipDestination},
    {"xmlnstbl", Control::SkipDestination},
    // Our own mark of a font's character set where the written one differs (see RtfWriter.h).
    {"zvcharset", Control::ZarvikCharset},
    {"zwj", Control::Character, 0x200D},
    {"zwnj", Control::Character, 0x200C},
};

constexpr bool isSorted()
{
    for (std::size_t i = 1; i < std::size(kTable); ++i)
        if (!(kTable[i - 1].name < kTable[i].name))
            return false;
    return true;
}

} // namespace

ControlWord lookupControlWord(QByteArrayView name)
{
    static_assert(isSorted(), "the control-word table must stay sorted");
    const std::string_view key(name.data(), std::size_t(name.size()));
    const auto it = std::lower_bound(std::begin(kTable), std::end(kTable), key,
        [](const Entry &e, std::string_view k) { return e.name < k; });
    if (it == std::end(kTable) || it->name != key)
        return {};
    return {it->control, it->character};
}

} // namespace zv::rtf
