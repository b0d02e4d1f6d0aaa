// Character references of HTML pages: &eacute; &#233; &#xE9;
#pragma once

#include <string_view>

namespace lexidor::fulltext {

// The character a named reference stands for (case matters: "Eacute" is É,
// "eacute" é); 0 for a name not known.
char32_t NamedEntity(std::string_view name);

}  // namespace lexidor::fulltext
