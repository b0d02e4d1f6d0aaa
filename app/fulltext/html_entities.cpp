#include "app/fulltext/html_entities.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

namespace lexidor::fulltext {

namespace {

// U+00A0..U+00FF in order.
constexpr const char* kLatin1Names[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

constexpr std::pair<const char*, char32_t> kOtherNames[] = {
    {"amp", 38},      {"lt", 60},       {"gt", 62},       {"quot", 34},     {"apos", 39},
    {"OElig", 338},   {"oelig", 339},   {"Scaron", 352},  {"scaron", 353},  {"Yuml", 376},
    {"fnof", 402},    {"circ", 710},    {"tilde", 732},   {"ensp", 8194},   {"emsp", 8195},
    {"thinsp", 8201}, {"zwnj", 8204},   {"zwj", 8205},    {"ndash", 8211},  {"mdash", 8212},
    {"lsquo", 8216},  {"rsquo", 8217},  {"sbquo", 8218},  {"ldquo", 8220},  {"rdquo", 8221},
    {"bdquo", 8222},  {"dagger", 8224}, {"Dagger", 8225}, {"bull", 8226},   {"hellip", 8230},
    {"permil", 8240}, {"prime", 8242},  {"lsaquo", 8249}, {"rsaquo", 8250}, {"euro", 8364},
    {"trade", 8482},  {"larr", 8592},   {"uarr", 8593},   {"rarr", 8594},   {"darr", 8595},
    {"harr", 8596},   {"minus", 8722},  {"infin", 8734},  {"ne", 8800},     {"le", 8804},
    {"ge", 8805},     {"alpha", 945},   {"beta", 946},    {"gamma", 947},   {"delta", 948},
    {"pi", 960},      {"mu", 956},      {"lambda", 955},  {"sigma", 963},   {"omega", 969}};

using Table = std::vector<std::pair<std::string, char32_t>>;

const Table& SortedNames() {
  static const Table table = [] {
    Table t;
    for (int i = 0; i < 96; ++i) t.emplace_back(kLatin1Names[i], 0xA0 + i);
    for (const auto& [name, c] : kOtherNames) t.emplace_back(name, c);
    std::sort(t.begin(), t.end());
    return t;
  }();
  return table;
}

}  // namespace

char32_t NamedEntity(std::string_view name) {
  const Table& t = SortedNames();
  auto it = std::lower_bound(t.begin(), t.end(), name,
                             [](const auto& entry, std::string_view n) { return entry.first < n; });
  return it != t.end() && it->first == name ? it->second : 0;
}

}  // namespace lexidor::fulltext
