#include "rprtf_controlwords.h"

namespace rtfreport {
namespace {

struct TRpControlWord {
    std::string_view word;
    TRpKwKind kind;
};

using enum TRpKwKind;

// Sorted by word, each word once (the assertion below checks both); looked
// up through a hash index.
constexpr auto ControlWords = std::to_array<TRpControlWord>({
    {"absh", Copied}, {"abslock", Copied}, {"absnoovrlp", Copied}, {"absw", Copied},
    {"adjustright", Copied}, {"aenddoc", Dropped}, {"aendnotes", Dropped}, {"aftncn", SkipGroup},
    {"aftnsep", SkipGroup}, {"aftnsepc", SkipGroup}, {"ansi", Dropped}, {"ansicpg", Dropped},
    {"aspalpha", Copied}, {"aspnum", Copied}, {"atnauthor", SkipGroup}, {"atnparent", SkipGroup},
    {"b", Copied}, {"bin", ParOrBin}, {"bkmkcolf", Copied}, {"bkmkcoll", Copied}, {"bkmkend", Copied},
    {"bkmkpub", Copied}, {"bkmkstart", Copied}, {"bliptag", Copied}, {"blipuid", Copied},
    {"blipupi", Copied}, {"brdrcf", Renumbered}, {"brdrs", Copied}, {"brdrw", Copied},
    {"bullet", Copied}, {"cb", Renumbered}, {"cbpat", Renumbered}, {"cchs", Copied},
    {"cell", TableWord}, {"cellx", TableWord}, {"cf", Renumbered}, {"cfpat", Renumbered},
    {"cgrid", Copied}, {"charrsid", Dropped}, {"charscalex", Copied}, {"chatn", Copied},
    {"chbgbdiag", Copied}, {"chbgcross", Copied}, {"chbgdcross", Copied}, {"chbgdkbdiag", Copied},
    {"chbgdkcross", Copied}, {"chbgdkdcross", Copied}, {"chbgdkfdiag", Copied},
    {"chbgdkhoriz", Copied}, {"chbgdkvert", Copied}, {"chbgfdiag", Copied}, {"chbghoriz", Copied},
    {"chbgvert", Copied}, {"chbrdr", Copied}, {"chcbpat", Renumbered}, {"chcfpat", Renumbered},
    {"chdate", Copied}, {"chdpa", Copied}, {"chdpl", Copied}, {"chftn", Copied}, {"chftnsep", Copied},
    {"chftnsepc", Copied}, {"chpgn", Copied}, {"chshdng", Copied}, {"chtime", Copied},
    {"clbgbdiag", TableWord}, {"clbgcross", TableWord}, {"clbgdcross", TableWord},
    {"clbgdkbdiag", TableWord}, {"clbgdkcross", TableWord}, {"clbgdkdcross", TableWord},
    {"clbgdkfdiag", TableWord}, {"clbgdkhor", TableWord}, {"clbgdkvert", TableWord},
    {"clbgfdiag", TableWord}, {"clbghoriz", TableWord}, {"clbgvert", TableWord},
    {"clbrdrb", TableWord}, {"clbrdrl", TableWord}, {"clbrdrr", TableWord}, {"clbrdrt", TableWord},
    {"clcbpat", Renumbered}, {"clcfpat", Renumbered}, {"clftswidth", TableWord}, {"clmgf", TableWord},
    {"clmrg", TableWord}, {"clshdng", TableWord}, {"cltxlrtb", TableWord}, {"cltxtbrl", TableWord},
    {"clvertalb", TableWord}, {"clvertalc", TableWord}, {"clvertalt", TableWord},
    {"clwwidth", TableWord}, {"colorschememapping", SkipGroup}, {"colortbl", MergeTable},
    {"column", Copied}, {"cpg", Copied}, {"cs", Renumbered}, {"datafield", Copied},
    {"datastore", SkipGroup}, {"date", Copied}, {"defchp", SkipGroup}, {"deff", DefaultFont},
    {"deflang", Dropped}, {"deflangfe", Dropped}, {"defpap", SkipGroup}, {"deftab", Dropped},
    {"delrsid", Dropped}, {"dfrmtxtx", Copied}, {"dfrmtxty", Copied}, {"doccomm", SkipGroup},
    {"docvar", SkipGroup}, {"dropcapli", Copied}, {"dropcapt", Copied}, {"ds", Renumbered},
    {"dxfrtext", Copied}, {"ebcend", SkipGroup}, {"ebcstart", SkipGroup}, {"emdash", Copied},
    {"emspace", Copied}, {"endash", Copied}, {"enddoc", Dropped}, {"endnotes", Dropped},
    {"enspace", Copied}, {"f", Renumbered}, {"faauto", Copied}, {"factoidname", SkipGroup},
    {"fet", Dropped}, {"ffdefres", Copied}, {"ffdeftext", Copied}, {"ffentrymcr", Copied},
    {"ffexitmcr", Copied}, {"ffformat", Copied}, {"ffhaslistbox", Copied}, {"ffhelptext", Copied},
    {"ffhps", Copied}, {"ffl", Copied}, {"ffmaxlen", Copied}, {"ffname", Copied},
    {"ffownhelp", Copied}, {"ffownstat", Copied}, {"ffprot", Copied}, {"ffrecalc", Copied},
    {"ffres", Copied}, {"ffsize", Copied}, {"ffstattext", Copied}, {"fftype", Copied},
    {"fftypetxt", Copied}, {"fi", Copied}, {"field", Copied}, {"fldalt", Copied}, {"flddirty", Copied},
    {"fldedit", Copied}, {"fldinst", Copied}, {"fldlock", Copied}, {"fldpriv", Copied},
    {"fldrslt", Copied}, {"fldtype", Copied}, {"fonttbl", MergeTable}, {"footer", SkipGroup},
    {"footerf", SkipGroup}, {"footerl", SkipGroup}, {"footerr", SkipGroup}, {"formdisp", Dropped},
    {"formshade", Dropped}, {"frmtxbtlr", Copied}, {"frmtxlrtb", Copied}, {"frmtxlrtbv", Copied},
    {"frmtxtbrl", Copied}, {"frmtxtbrlv", Copied}, {"fs", Copied}, {"ftnbj", Dropped},
    {"ftncn", SkipGroup}, {"ftnsep", SkipGroup}, {"ftnsepc", SkipGroup}, {"generator", SkipGroup},
    {"header", SkipGroup}, {"headerf", SkipGroup}, {"headerl", SkipGroup}, {"headerr", SkipGroup},
    {"highlight", Renumbered}, {"hsv", CopyGroup}, {"hyphcaps", Dropped}, {"hyphpar", Copied},
    {"i", Copied}, {"ilvl", Renumbered}, {"info", SkipGroup}, {"insrsid", Dropped},
    {"intbl", TableWord}, {"itap", TableWord}, {"keep", Copied}, {"keepn", Copied}, {"lang", Copied},
    {"langfe", Copied}, {"langfenp", Copied}, {"langnp", Copied}, {"latentstyles", SkipGroup},
    {"lbr", Copied}, {"ldblquote", Copied}, {"level", Copied}, {"li", Copied}, {"lin", Copied},
    {"line", Copied}, {"listoverridetable", ListOverrideTable}, {"listtable", ListTable},
    {"listtext", Renumbered}, {"lquote", Copied}, {"ls", Renumbered}, {"lsdlockedexcept", SkipGroup},
    {"ltrmark", Copied}, {"ltrpar", Copied}, {"ltrrow", TableWord}, {"macc", Copied},
    {"maccpr", Copied}, {"mailmerge", SkipGroup}, {"maln", Copied}, {"malnscr", Copied},
    {"margb", Dropped}, {"margl", Dropped}, {"margpr", Copied}, {"margr", Dropped}, {"margsz", Copied},
    {"margt", Dropped}, {"mbar", Copied}, {"mbarpr", Copied}, {"mbasejc", Copied}, {"mbegchr", Copied},
    {"mborderbox", Copied}, {"mborderboxpr", Copied}, {"mbox", Copied}, {"mboxpr", Copied},
    {"mbrk", Copied}, {"mbrkbin", Copied}, {"mbrkbinsub", Copied}, {"mcgp", Copied},
    {"mcgprule", Copied}, {"mchr", Copied}, {"mcount", Copied}, {"mcsp", Copied}, {"mctrlpr", Copied},
    {"md", Copied}, {"mdefjc", Copied}, {"mdeg", Copied}, {"mdeghide", Copied}, {"mden", Copied},
    {"mdiff", Copied}, {"mdispdef", Copied}, {"mdpr", Copied}, {"me", Copied}, {"mendchr", Copied},
    {"meqarr", Copied}, {"meqarrpr", Copied}, {"mf", Copied}, {"mfname", Copied}, {"mfpr", Copied},
    {"mfunc", Copied}, {"mfuncpr", Copied}, {"mgroupchr", Copied}, {"mgroupchrpr", Copied},
    {"mgrow", Copied}, {"mhidebot", Copied}, {"mhideleft", Copied}, {"mhideright", Copied},
    {"mhidetop", Copied}, {"mintersp", Copied}, {"mintlim", Copied}, {"mintrasp", Copied},
    {"mjc", Copied}, {"mlim", Copied}, {"mlimloc", Copied}, {"mlimlow", Copied}, {"mlimlowpr", Copied},
    {"mlimupp", Copied}, {"mlimupppr", Copied}, {"mlit", Copied}, {"mlmargin", Copied}, {"mm", Copied},
    {"mmaddfieldname", SkipGroup}, {"mmath", Copied}, {"mmathfont", Copied}, {"mmathpara", Copied},
    {"mmathpict", Copied}, {"mmathpr", Copied}, {"mmaxdist", Copied}, {"mmc", Copied},
    {"mmcjc", Copied}, {"mmconnectstrdata", SkipGroup}, {"mmcpr", Copied}, {"mmcs", Copied},
    {"mmdatasource", SkipGroup}, {"mmheadersource", SkipGroup}, {"mmmailsubject", SkipGroup},
    {"mmodso", SkipGroup}, {"mmodsofilter", SkipGroup}, {"mmodsofldmpdata", SkipGroup},
    {"mmodsomappedname", SkipGroup}, {"mmodsoname", SkipGroup}, {"mmodsorecipdata", SkipGroup},
    {"mmodsosort", SkipGroup}, {"mmodsosrc", SkipGroup}, {"mmodsotable", SkipGroup},
    {"mmodsoudldata", SkipGroup}, {"mmodsouniquetag", SkipGroup}, {"mmpr", Copied},
    {"mmquery", SkipGroup}, {"mmr", Copied}, {"mnary", Copied}, {"mnarylim", Copied},
    {"mnarypr", Copied}, {"mnobreak", Copied}, {"mnor", Copied}, {"mnum", Copied},
    {"mobjdist", Copied}, {"momath", Copied}, {"momathpara", Copied}, {"momathparapr", Copied},
    {"mopemu", Copied}, {"mphant", Copied}, {"mphantpr", Copied}, {"mplchide", Copied},
    {"mpos", Copied}, {"mpostsp", Copied}, {"mpresp", Copied}, {"mr", Copied}, {"mrad", Copied},
    {"mradpr", Copied}, {"mrmargin", Copied}, {"mrpr", Copied}, {"mrsp", Copied}, {"mrsprule", Copied},
    {"mscr", Copied}, {"msepchr", Copied}, {"mshow", Copied}, {"mshp", Copied}, {"msize", Copied},
    {"msmallfrac", Copied}, {"mspre", Copied}, {"msprepr", Copied}, {"mssub", Copied},
    {"mssubpr", Copied}, {"mssubsup", Copied}, {"mssubsuppr", Copied}, {"mssup", Copied},
    {"mssuppr", Copied}, {"mstrikebltr", Copied}, {"mstrikeh", Copied}, {"mstriketlbr", Copied},
    {"mstrikev", Copied}, {"msty", Copied}, {"msub", Copied}, {"msubhide", Copied}, {"msup", Copied},
    {"msuphide", Copied}, {"mtext", Copied}, {"mtransp", Copied}, {"mtype", Copied},
    {"mvertjc", Copied}, {"mvfmf", SkipGroup}, {"mvfml", SkipGroup}, {"mvtof", SkipGroup},
    {"mvtol", SkipGroup}, {"mwrapindent", Copied}, {"mwrapright", Copied}, {"mzeroasc", Copied},
    {"mzerodesc", Copied}, {"mzerowid", Copied}, {"nestcell", TableWord}, {"nestrow", TableWord},
    {"nesttableprops", Copied}, {"noline", Copied}, {"nonesttables", TableWord},
    {"nonshppict", CopyGroup}, {"nosupersub", Copied}, {"nowidctlpar", Copied}, {"nowrap", Copied},
    {"noxlattoyen", Dropped}, {"object", CopyGroup}, {"oldcprops", SkipGroup},
    {"oldpprops", SkipGroup}, {"oldsprops", SkipGroup}, {"oldtprops", SkipGroup}, {"outl", Copied},
    {"outlinelevel", Copied}, {"page", TableWord}, {"pagebb", Copied}, {"paperh", Dropped},
    {"paperw", Dropped}, {"par", ParOrBin}, {"pararsid", Dropped}, {"pard", Renumbered},
    {"password", SkipGroup}, {"passwordhash", SkipGroup}, {"pgdsctbl", SkipGroup}, {"phcol", Copied},
    {"phmrg", Copied}, {"phpg", Copied}, {"pict", CopyGroup}, {"plain", Renumbered}, {"pn", Copied},
    {"pnacross", Copied}, {"pnaiu", Copied}, {"pnaiud", Copied}, {"pnaiueo", Copied},
    {"pnaiueod", Copied}, {"pnb", Copied}, {"pnbidia", Copied}, {"pnbidib", Copied},
    {"pncaps", Copied}, {"pncard", Copied}, {"pncf", Renumbered}, {"pnchosung", Copied},
    {"pncnum", Copied}, {"pndbnum", Copied}, {"pndbnumd", Copied}, {"pndbnumk", Copied},
    {"pndbnuml", Copied}, {"pndbnumt", Copied}, {"pndec", Copied}, {"pndecd", Copied},
    {"pnf", Renumbered}, {"pnfs", Copied}, {"pnganada", Copied}, {"pngbnum", Copied},
    {"pngbnumd", Copied}, {"pngbnumk", Copied}, {"pngbnuml", Copied}, {"pnhang", Copied},
    {"pni", Copied}, {"pnindent", Copied}, {"pniroha", Copied}, {"pnirohad", Copied},
    {"pnlcltr", Copied}, {"pnlcrm", Copied}, {"pnlvl", Copied}, {"pnlvlblt", Copied},
    {"pnlvlbody", Copied}, {"pnlvlcont", Copied}, {"pnnumonce", Copied}, {"pnord", Copied},
    {"pnordt", Copied}, {"pnprev", Copied}, {"pnqc", Copied}, {"pnql", Copied}, {"pnqr", Copied},
    {"pnrestart", Copied}, {"pnscaps", Copied}, {"pnseclvl", Copied}, {"pnsp", Copied},
    {"pnstart", Copied}, {"pnstrike", Copied}, {"pntext", Copied}, {"pntxta", Copied},
    {"pntxtb", Copied}, {"pnucltr", Copied}, {"pnucrm", Copied}, {"pnul", Copied}, {"pnuld", Copied},
    {"pnuldash", Copied}, {"pnuldashd", Copied}, {"pnuldashdd", Copied}, {"pnuldb", Copied},
    {"pnulhair", Copied}, {"pnulnone", Copied}, {"pnulth", Copied}, {"pnulw", Copied},
    {"pnulwave", Copied}, {"pnzodiac", Copied}, {"pnzodiacd", Copied}, {"pnzodiacl", Copied},
    {"posnegx", Copied}, {"posnegy", Copied}, {"posx", Copied}, {"posxc", Copied}, {"posxi", Copied},
    {"posxl", Copied}, {"posxo", Copied}, {"posxr", Copied}, {"posy", Copied}, {"posyb", Copied},
    {"posyc", Copied}, {"posyil", Copied}, {"posyt", Copied}, {"protend", SkipGroup},
    {"protstart", SkipGroup}, {"protusertbl", SkipGroup}, {"pvmrg", Copied}, {"pvpara", Copied},
    {"pvpg", Copied}, {"qc", Copied}, {"qj", Copied}, {"ql", Copied}, {"qmspace", Copied},
    {"qr", Copied}, {"rdblquote", Copied}, {"revtbl", SkipGroup}, {"ri", Copied}, {"rin", Copied},
    {"row", Renumbered}, {"rquote", Copied}, {"rsid", Dropped}, {"rsidroot", Dropped},
    {"rsidtbl", SkipGroup}, {"rtf", Dropped}, {"rtlmark", Copied}, {"rtlpar", Copied},
    {"rtlrow", TableWord}, {"s", Renumbered}, {"sa", Copied}, {"sb", Copied}, {"sbys", Copied},
    {"scaps", Copied}, {"sectrsid", Dropped}, {"shad", Copied}, {"shading", Copied}, {"shp", Copied},
    {"shpbottom", Copied}, {"shpbxcolumn", Copied}, {"shpbxignore", Copied}, {"shpbxmargin", Copied},
    {"shpbxpage", Copied}, {"shpbyignore", Copied}, {"shpbymargin", Copied}, {"shpbypage", Copied},
    {"shpbypara", Copied}, {"shpfblwtxt", Copied}, {"shpfhdr", Copied}, {"shpgrp", Copied},
    {"shpinst", Copied}, {"shpleft", Copied}, {"shplid", Copied}, {"shplockanchor", Copied},
    {"shppict", CopyGroup}, {"shpright", Copied}, {"shprslt", Copied}, {"shptop", Copied},
    {"shptxt", Copied}, {"shpwr", Copied}, {"shpwrk", Copied}, {"shpz", Copied}, {"sl", Copied},
    {"slmult", Copied}, {"sn", Copied}, {"softcol", Copied}, {"softlheight", Copied},
    {"softline", Copied}, {"softpage", Copied}, {"sp", Copied}, {"strike", Copied},
    {"striked", Copied}, {"stylesheet", MergeTable}, {"sub", Copied}, {"subdocument", Dropped},
    {"super", Copied}, {"sv", Copied}, {"svb", Copied}, {"tab", Copied}, {"tb", Copied},
    {"tblrsid", Dropped}, {"tcelld", TableWord}, {"template", SkipGroup}, {"themedata", SkipGroup},
    {"time", Copied}, {"tldot", Copied}, {"tleq", Copied}, {"tlhyph", Copied}, {"tlth", Copied},
    {"tlul", Copied}, {"tqc", Copied}, {"tqdec", Copied}, {"tqr", Copied}, {"trautofit", TableWord},
    {"trbrdrb", TableWord}, {"trbrdrh", TableWord}, {"trbrdrl", TableWord}, {"trbrdrr", TableWord},
    {"trbrdrt", TableWord}, {"trbrdrv", TableWord}, {"trftswidth", TableWord},
    {"trftswidtha", TableWord}, {"trftswidthb", TableWord}, {"trgaph", TableWord},
    {"trhdr", TableWord}, {"trkeep", TableWord}, {"trleft", TableWord}, {"trowd", TableWord},
    {"trpaddfl", TableWord}, {"trpaddfr", TableWord}, {"trpaddl", TableWord}, {"trpaddr", TableWord},
    {"trqc", TableWord}, {"trql", TableWord}, {"trqr", TableWord}, {"trrh", TableWord},
    {"trwwidth", TableWord}, {"trwwidtha", TableWord}, {"trwwidthb", TableWord}, {"ts", Renumbered},
    {"tx", Copied}, {"u", Copied}, {"uc", Copied}, {"ud", Copied}, {"ul", Copied}, {"ulc", Renumbered},
    {"uld", Copied}, {"uldash", Copied}, {"uldashd", Copied}, {"uldashdd", Copied}, {"uldb", Copied},
    {"ulhair", Copied}, {"ulhwave", Copied}, {"ulldash", Copied}, {"ulnone", Copied}, {"ulth", Copied},
    {"ulthd", Copied}, {"ulthdash", Copied}, {"ulthdashd", Copied}, {"ulthdashdd", Copied},
    {"ulthldash", Copied}, {"ululdbwave", Copied}, {"ulw", Copied}, {"ulwave", Copied}, {"up", Copied},
    {"upr", Copied}, {"userprops", SkipGroup}, {"v", Copied}, {"viewkind", Dropped},
    {"viewscale", Dropped}, {"viewzk", Dropped}, {"webhidden", Copied}, {"wgrffmtfilter", SkipGroup},
    {"widctlpar", Copied}, {"widowctrl", Dropped}, {"wpeqn", Copied}, {"writereservhash", SkipGroup},
    {"xform", SkipGroup}, {"xmlattr", Dropped}, {"xmlattrname", SkipGroup}, {"xmlattrns", Dropped},
    {"xmlattrvalue", SkipGroup}, {"xmlclose", SkipGroup}, {"xmlname", SkipGroup}, {"xmlns", Dropped},
    {"xmlnstbl", SkipGroup}, {"xmlopen", SkipGroup}, {"xmlsdttcell", Dropped},
    {"xmlsdttpara", Dropped}, {"xmlsdttregular", Dropped}, {"xmlsdttrow", Dropped},
    {"xmlsdttunknown", Dropped}, {"zwbo", Copied}, {"zwj", Copied}, {"zwnbo", Copied},
    {"zwnj", Copied},
});

static_assert(SortedByWord(ControlWords), "the control-word table must stay sorted, one row per word");

static_assert(ControlWords.size() == ControlWordCount, "ControlWordCount must be the table's row count");

struct TRpRenumberedWord {
    std::string_view word;
    TRpRenumbering how;
};

using enum TRpRenumbering;

// How each word of kind Renumbered is written, sorted by word.
constexpr auto RenumberedWords = std::to_array<TRpRenumberedWord>({
    {"brdrcf", Color},  {"cb", Color},      {"cbpat", Color},     {"cf", Color},
    {"cfpat", Color},   {"chcbpat", Color}, {"chcfpat", Color},   {"clcbpat", CellColor},
    {"clcfpat", CellColor}, {"cs", Style},  {"ds", Style},        {"f", Font},
    {"highlight", Color}, {"ilvl", Ilvl},   {"listtext", ListText}, {"ls", Ls},
    {"pard", Pard},     {"plain", Plain},   {"pncf", Color},      {"pnf", Font},
    {"row", Row},       {"s", Style},       {"ts", Style},        {"ulc", Color},
});
static_assert(SortedByWord(RenumberedWords), "the renumbered words must stay sorted");

constexpr TRpRenumbering RenumberingOf(std::string_view word)
{
    for (const TRpRenumberedWord &row : RenumberedWords)
        if (row.word == word)
            return row.how;
    return None;
}

constexpr bool EachRenumberedWordHasItsRenumbering()
{
    std::size_t renumbered = 0;
    for (const TRpControlWord &row : ControlWords) {
        if ((row.kind == Renumbered) != (RenumberingOf(row.word) != None))
            return false;
        renumbered += row.kind == Renumbered;
    }
    return renumbered == RenumberedWords.size();
}
static_assert(EachRenumberedWordHasItsRenumbering(), "the renumbered words are the table's words of kind Renumbered");

constexpr std::uint32_t UseOf(const TRpControlWord &row)
{
    return std::uint32_t(row.kind) | std::uint32_t(RenumberingOf(row.word)) << 8;
}

} // namespace

constexpr TRpWordIndex<ControlWordCount, 11> ControlWordIndex(ControlWords, UseOf, std::uint32_t(Dropped));

TRpKwKind LookupControlWord(std::string_view word)
{
    return LookupControlWordUse(MakeWordKey(word), word).kind;
}

} // namespace rtfreport
