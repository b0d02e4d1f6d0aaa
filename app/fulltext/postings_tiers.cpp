#include "app/fulltext/postings_tiers.h"

#include "app/fulltext/shard_writer.h"

namespace lexidor::fulltext {

void AppendHitRow(std::string& out, const TTextIndex& index, uint32_t id) {
  const SectionRecord& s = index.Sections()[id];
  out += std::to_string(id) + ',';
  AppendScriptLiteral(out, LinkFromPath(index.Pages()[s.page]));
  out += ',';
  AppendSectionFields(out, s);
}

}  // namespace lexidor::fulltext
