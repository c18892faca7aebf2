#include "platform/com/charset_labels.h"

#include <string>

#include "platform/com/dispatch.h"

namespace {

struct CharsetLabel {
  std::u16string_view label;
  const char* iconv_name;
};

// Labels follow what browsers accept: the Chinese labels decode as GB18030 (a superset of
// GBK and GB2312), Shift_JIS as Windows-31J, EUC-KR as Windows-949, and ISO-8859-1 and
// ASCII as Windows-1252. "unicode" is the stream's own name for UTF-16LE.
constexpr CharsetLabel labels[] = {
    {u"utf-8", "UTF-8"},
    {u"utf8", "UTF-8"},
    {u"unicode-1-1-utf-8", "UTF-8"},
    {u"gbk", "GB18030"},
    {u"gb2312", "GB18030"},
    {u"gb_2312", "GB18030"},
    {u"gb_2312-80", "GB18030"},
    {u"csgb2312", "GB18030"},
    {u"cp936", "GB18030"},
    {u"windows-936", "GB18030"},
    {u"x-gbk", "GB18030"},
    {u"chinese", "GB18030"},
    {u"iso-ir-58", "GB18030"},
    {u"gb18030", "GB18030"},
    {u"big5", "BIG5-HKSCS"},
    {u"big5-hkscs", "BIG5-HKSCS"},
    {u"cn-big5", "BIG5-HKSCS"},
    {u"csbig5", "BIG5-HKSCS"},
    {u"x-x-big5", "BIG5-HKSCS"},
    {u"shift_jis", "CP932"},
    {u"shift-jis", "CP932"},
    {u"sjis", "CP932"},
    {u"x-sjis", "CP932"},
    {u"ms_kanji", "CP932"},
    {u"csshiftjis", "CP932"},
    {u"windows-31j", "CP932"},
    {u"euc-jp", "EUC-JP"},
    {u"x-euc-jp", "EUC-JP"},
    {u"cseucpkdfmtjapanese", "EUC-JP"},
    {u"iso-2022-jp", "ISO-2022-JP"},
    {u"csiso2022jp", "ISO-2022-JP"},
    {u"euc-kr", "CP949"},
    {u"cseuckr", "CP949"},
    {u"korean", "CP949"},
    {u"windows-949", "CP949"},
    {u"ks_c_5601-1987", "CP949"},
    {u"ks_c_5601-1989", "CP949"},
    {u"ksc5601", "CP949"},
    {u"ksc_5601", "CP949"},
    {u"iso-ir-149", "CP949"},
    {u"iso-8859-1", "CP1252"},
    {u"iso8859-1", "CP1252"},
    {u"iso_8859-1", "CP1252"},
    {u"latin1", "CP1252"},
    {u"l1", "CP1252"},
    {u"ascii", "CP1252"},
    {u"us-ascii", "CP1252"},
    {u"cp819", "CP1252"},
    {u"ibm819", "CP1252"},
    {u"csisolatin1", "CP1252"},
    {u"windows-1252", "CP1252"},
    {u"cp1252", "CP1252"},
    {u"x-cp1252", "CP1252"},
    {u"iso-8859-2", "ISO-8859-2"},
    {u"latin2", "ISO-8859-2"},
    {u"iso-8859-3", "ISO-8859-3"},
    {u"iso-8859-4", "ISO-8859-4"},
    {u"iso-8859-5", "ISO-8859-5"},
    {u"iso-8859-6", "ISO-8859-6"},
    {u"iso-8859-7", "ISO-8859-7"},
    {u"iso-8859-8", "ISO-8859-8"},
    {u"iso-8859-10", "ISO-8859-10"},
    {u"iso-8859-13", "ISO-8859-13"},
    {u"iso-8859-14", "ISO-8859-14"},
    {u"iso-8859-15", "ISO-8859-15"},
    {u"latin9", "ISO-8859-15"},
    {u"iso-8859-16", "ISO-8859-16"},
    {u"windows-874", "CP874"},
    {u"tis-620", "CP874"},
    {u"windows-1250", "CP1250"},
    {u"windows-1251", "CP1251"},
    {u"windows-1253", "CP1253"},
    {u"windows-1254", "CP1254"},
    {u"windows-1255", "CP1255"},
    {u"windows-1256", "CP1256"},
    {u"windows-1257", "CP1257"},
    {u"windows-1258", "CP1258"},
    {u"cp1250", "CP1250"},
    {u"cp1251", "CP1251"},
    {u"koi8-r", "KOI8-R"},
    {u"koi8-u", "KOI8-U"},
    {u"ibm866", "CP866"},
    {u"macintosh", "MACINTOSH"},
    {u"utf-16", "UTF-16LE"},
    {u"utf-16le", "UTF-16LE"},
    {u"unicode", "UTF-16LE"},
    {u"utf-16be", "UTF-16BE"},
    {u"unicodefffe", "UTF-16BE"},
};

bool is_blank(char16_t unit) {
  return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n' || unit == u'\f';
}

}  // namespace

const char* iconv_name_for_charset(std::u16string_view label) {
  while (!label.empty() && is_blank(label.front())) label.remove_prefix(1);
  while (!label.empty() && is_blank(label.back())) label.remove_suffix(1);
  for (const CharsetLabel& entry : labels) {
    if (names_equal(entry.label, label)) return entry.iconv_name;
  }
  return nullptr;
}
