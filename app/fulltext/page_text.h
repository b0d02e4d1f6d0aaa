// The text of one page as a reader sees it, cut into sections.
//
// Markup, comments, script and style are dropped, character references
// decoded, the page's charset honoured, words folded (word_fold.h).  A page
// is cut into sections: one per anchor the caller names (the commands that
// link into this page), from the anchor to the next such anchor or heading,
// and one per h1..h3 heading; the text before the first of them is the
// page's lead section, titled by the page's <title>.  Any bytes are
// accepted: an unterminated comment or script ends at the end of the page,
// nesting depth costs nothing, bytes that are no text separate words.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lexidor::fulltext {

// Characters of body text kept per section: the page shows a shorter
// window of them, around the first word a query matched.  Changing it
// changes what the page cache holds (its mark in page_cache.cpp).
constexpr size_t kExcerptChars = 224;
// Characters of a heading or page title kept as a section's title.
constexpr size_t kTitleChars = 120;

struct TextSection {
  std::string anchor;      // the id or name the section starts at; "" = the page itself
  std::string title;       // UTF-8: the command's name, the heading or the page title
  std::string excerpt;     // UTF-8: the start of the body text, blanks collapsed
  std::string titleWords;  // folded words of the title, each followed by one blank
  std::string bodyWords;   // folded words of the body, each followed by one blank
};

struct PageText {
  std::vector<TextSection> sections;  // in page order; sections without words are left out
};

// `anchors` maps an anchor of this page (as written after "#" in the
// command list) to the command's name, which titles its section.
// `fallbackTitle` titles the lead section of a page without <title>.
PageText ExtractPageText(std::string_view page, const std::map<std::string, std::string>& anchors,
                         std::string_view fallbackTitle);

}  // namespace lexidor::fulltext
