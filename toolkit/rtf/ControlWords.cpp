#include "toolkit/rtf/ControlWords.h"

#include <unordered_map>

namespace toolkit::rtf {

namespace {

using Table = std::unordered_map<std::string_view, Kw>;

// Destinations whose content is never shown: document properties, tables the view does not
// use, page furniture, notes, field codes and the binary data of objects.
constexpr std::string_view kSkipped[] = {
    "stylesheet",
    "info",
    "listtable",
    "listoverridetable",
    "revtbl",
    "rsidtbl",
    "filetbl",
    "pgdsctbl",
    "xmlnstbl",
    "themedata",
    "colorschememapping",
    "latentstyles",
    "datastore",
    "mmathPr",
    "generator",
    "userprops",
    "docvar",
    "template",
    "header",
    "headerl",
    "headerr",
    "headerf",
    "footer",
    "footerl",
    "footerr",
    "footerf",
    "footnote",
    "annotation",
    "atnid",
    "atnauthor",
    "atndate",
    "atnicn",
    "atnref",
    "atntime",
    "atrfstart",
    "atrfend",
    "fldinst",
    "datafield",
    "formfield",
    "objdata",
    "objclass",
    "objname",
    "objalias",
    "objsect",
    "objtime",
    "objitem",
    "objtopic",
    "nonshppict",
    "nonesttables",
    "shpinst",
    "bkmkstart",
    "bkmkend",
    "xe",
    "tc",
    "txe",
    "rxe",
    "pn",
    "pntxta",
    "pntxtb",
    "pnseclvl",
    "fchars",
    "lchars",
    "keycode",
    "ftnsep",
    "ftnsepc",
    "ftncn",
    "aftnsep",
    "aftnsepc",
    "aftncn",
    "private",
    "htmltag",
    "mhtmltag",
    "fontemb",
    "fontfile",
    "panose",
    "falt",
    "leveltext",
    "levelnumbers",
    "listname",
    "listpicture",
    "do",
    "blipuid",
    "picprop",
    "sp",
    "sn",
    "sv",
    "background",
    "title",
    "subject",
    "author",
    "operator",
    "keywords",
    "comment",
    "doccomm",
    "company",
    "category",
    "manager",
    "hlinkbase",
    "buptim",
    "creatim",
    "printim",
    "revtim",
    "passwordhash",
    "protusertbl",
    "wgrffmtfilter",
    "pgptbl",
    "nesttableprops",
    "bookmark",
    "ffname",
    "ffdeftext",
    "ffformat",
    "ffhelptext",
    "ffstattext",
    "ffentrymcr",
    "ffexitmcr",
    "ffl",
    "factoidname",
    "oldcprops",
    "oldpprops",
    "oldsprops",
    "oldtprops",
    "tcn",
    "ebcstart",
    "ebcend",
    "ebcstart",
    "shpgrp",
    "dptxbxtext",
    "ioctl",
    "gridtbl",
    "protend",
    "protstart",
    "mergefield",
    "listlevel",
    "list",
    "listoverride",
};

void add(Table& t, std::initializer_list<std::string_view> words, Kw kw) {
    for (auto w : words) {
        t.emplace(w, kw);
    }
}

Table buildTable() {
    Table t;
    for (auto w : kSkipped) {
        t.emplace(w, Kw::SkipDestination);
    }
    add(t, {"fonttbl"}, Kw::FontTable);
    add(t, {"colortbl"}, Kw::ColorTable);
    add(t, {"pict"}, Kw::Picture);
    add(t, {"fldrslt", "result", "shprslt"}, Kw::FieldResult);
    add(t, {"pntext", "listtext"}, Kw::ListText);
    add(t, {"upr"}, Kw::Upr);
    add(t, {"ud"}, Kw::Ud);
    add(t, {"shppict", "field", "object", "shp", "shptxt"}, Kw::Container);
    add(t, {"ansi"}, Kw::Ansi);
    add(t, {"mac"}, Kw::Mac);
    add(t, {"pc"}, Kw::Pc);
    add(t, {"pca"}, Kw::Pca);
    add(t, {"ansicpg"}, Kw::AnsiCodePage);
    add(t, {"deff"}, Kw::DefaultFont);
    add(t, {"f"}, Kw::Font);
    add(t, {"fcharset"}, Kw::FontCharset);
    add(t, {"cpg"}, Kw::CodePage);
    add(t, {"red"}, Kw::Red);
    add(t, {"green"}, Kw::Green);
    add(t, {"blue"}, Kw::Blue);
    add(t, {"plain"}, Kw::Plain);
    add(t, {"b"}, Kw::Bold);
    add(t, {"i"}, Kw::Italic);
    add(t,
        {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
         "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
         "ulwave"},
        Kw::Underline);
    add(t, {"ulnone"}, Kw::UnderlineNone);
    add(t, {"strike", "striked"}, Kw::Strike);
    add(t, {"scaps"}, Kw::SmallCaps);
    add(t, {"caps"}, Kw::AllCaps);
    add(t, {"super"}, Kw::Super);
    add(t, {"sub"}, Kw::Sub);
    add(t, {"nosupersub"}, Kw::NoSuperSub);
    add(t, {"up"}, Kw::Up);
    add(t, {"dn"}, Kw::Down);
    add(t, {"v"}, Kw::Hidden);
    add(t, {"fs"}, Kw::FontSize);
    add(t, {"cf"}, Kw::Foreground);
    add(t, {"cb", "chcbpat"}, Kw::Background);
    add(t, {"highlight"}, Kw::Highlight);
    add(t, {"pard"}, Kw::Pard);
    add(t, {"ql"}, Kw::AlignLeft);
    add(t, {"qc"}, Kw::AlignCenter);
    add(t, {"qr"}, Kw::AlignRight);
    add(t, {"qj", "qd"}, Kw::AlignJustify);
    add(t, {"li", "lin"}, Kw::LeftIndent);
    add(t, {"ri", "rin"}, Kw::RightIndent);
    add(t, {"fi"}, Kw::FirstIndent);
    add(t, {"sb"}, Kw::SpaceBefore);
    add(t, {"sa"}, Kw::SpaceAfter);
    add(t, {"intbl"}, Kw::InTable);
    add(t, {"tx", "tb"}, Kw::TabStop);
    add(t, {"clcbpat"}, Kw::CellShade);
    add(t, {"par"}, Kw::Par);
    add(t, {"line"}, Kw::Line);
    add(t, {"tab"}, Kw::Tab);
    add(t, {"sect"}, Kw::Sect);
    add(t, {"page"}, Kw::Page);
    add(t, {"cell"}, Kw::Cell);
    add(t, {"row"}, Kw::Row);
    add(t, {"nestcell"}, Kw::NestCell);
    add(t, {"nestrow"}, Kw::NestRow);
    add(t, {"trowd"}, Kw::RowDefaults);
    add(t, {"cellx"}, Kw::CellX);
    add(t, {"trleft"}, Kw::RowLeft);
    add(t, {"u"}, Kw::Unicode);
    add(t, {"uc"}, Kw::UnicodeSkip);
    add(t, {"emdash"}, Kw::EmDash);
    add(t, {"endash"}, Kw::EnDash);
    add(t, {"bullet"}, Kw::Bullet);
    add(t, {"lquote"}, Kw::LeftQuote);
    add(t, {"rquote"}, Kw::RightQuote);
    add(t, {"ldblquote"}, Kw::LeftDoubleQuote);
    add(t, {"rdblquote"}, Kw::RightDoubleQuote);
    add(t, {"emspace"}, Kw::EmSpace);
    add(t, {"enspace"}, Kw::EnSpace);
    add(t, {"qmspace"}, Kw::QuarterEmSpace);
    add(t, {"zwj"}, Kw::ZeroWidthJoiner);
    add(t, {"zwnj"}, Kw::ZeroWidthNonJoiner);
    add(t, {"pngblip"}, Kw::PngBlip);
    add(t, {"jpegblip"}, Kw::JpegBlip);
    add(t, {"emfblip", "wmetafile", "dibitmap", "wbitmap", "pmmetafile", "macpict"}, Kw::OtherBlip);
    add(t, {"picw"}, Kw::PicWidth);
    add(t, {"pich"}, Kw::PicHeight);
    add(t, {"picwgoal"}, Kw::PicGoalWidth);
    add(t, {"pichgoal"}, Kw::PicGoalHeight);
    add(t, {"picscalex"}, Kw::PicScaleX);
    add(t, {"picscaley"}, Kw::PicScaleY);
    add(t, {"bin"}, Kw::Bin);
    return t;
}

} // namespace

Kw lookupControlWord(std::string_view word) {
    static const Table table = buildTable();
    auto it = table.find(word);
    return it == table.end() ? Kw::Unknown : it->second;
}

} // namespace toolkit::rtf
