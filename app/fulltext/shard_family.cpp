#include "app/fulltext/shard_family.h"

namespace lexidor::fulltext {

void AppendRanges(std::string& out, const char* name,
                  std::initializer_list<const ShardFamily*> families) {
  out += '"';
  out += name;
  out += "\":[";
  bool first = true;
  for (const ShardFamily* family : families) {
    for (const auto& [from, to] : family->Ranges()) {
      if (!first) out += ',';
      first = false;
      AppendScriptLiteral(out, from);
      out += ',';
      AppendScriptLiteral(out, to);
    }
  }
  out += "]";
}

void AppendSectionCounts(std::string& out, const ShardFamily& family) {
  out += "\"s\":[";
  bool first = true;
  for (const auto& [from, to] : family.Ranges()) {
    if (!first) out += ',';
    first = false;
    out += std::to_string(std::stoull(to) - std::stoull(from) + 1);
  }
  out += "]";
}

}  // namespace lexidor::fulltext
