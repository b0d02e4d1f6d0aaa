// English word stems (Snowball, libstemmer): "loads", "loaded" and
// "loading" all give "load", so a search for one finds the others.
#pragma once

#include <string>
#include <string_view>

struct sb_stemmer;

namespace lexidor::fulltext {

class TWordStemmer {
 public:
  TWordStemmer();
  ~TWordStemmer();
  TWordStemmer(const TWordStemmer&) = delete;
  TWordStemmer& operator=(const TWordStemmer&) = delete;

  // The stem of a folded word (UTF-8).  Words holding digits or characters
  // outside a-z are their own stem: the English rules know nothing of them.
  std::string Stem(std::string_view word);

 private:
  sb_stemmer* stemmer_;
};

}  // namespace lexidor::fulltext
