#include "app/fulltext/word_stemmer.h"

#include <libstemmer.h>

#include <new>

namespace lexidor::fulltext {

TWordStemmer::TWordStemmer() : stemmer_(sb_stemmer_new("english", "UTF_8")) {
  if (!stemmer_) throw std::bad_alloc();
}

TWordStemmer::~TWordStemmer() { sb_stemmer_delete(stemmer_); }

std::string TWordStemmer::Stem(std::string_view word) {
  if (word.size() < 3) return std::string(word);
  for (char c : word) {
    if (c < 'a' || c > 'z') return std::string(word);
  }
  const sb_symbol* stem = sb_stemmer_stem(stemmer_, reinterpret_cast<const sb_symbol*>(word.data()),
                                          static_cast<int>(word.size()));
  if (!stem) throw std::bad_alloc();
  return std::string(reinterpret_cast<const char*>(stem), sb_stemmer_length(stemmer_));
}

}  // namespace lexidor::fulltext
