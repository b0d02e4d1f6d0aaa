#include "app/fulltext/postings_tiers.h"

#include "app/fulltext/shard_writer.h"

namespace lexidor::fulltext {

void AppendHitRow(std::string& out, const TTextIndex& index, uint32_t id) {
  const SectionRecord& s = index.Sections()[id];
  out += std::to_string(id) + ',';
  AppendScriptLiteral(out, LinkFromPath(index.Pages()[s.page]));
  out += ',';
  const std::string anchor = LinkFromPath(s.anchor);
  if (anchor == s.title && !anchor.empty()) {
    out += '0';
  } else {
    AppendScriptLiteral(out, anchor);
  }
  out += ',';
  AppendScriptLiteral(out, s.title);
  out += ',';
  AppendScriptLiteral(out, s.excerpt);
}

}  // namespace lexidor::fulltext
