// Generated page texts for the search benchmarks, in the proportions of real catalogs: three
// Japanese documents for every two English ones.
//
// Japanese text is made of words drawn from a Zipf distribution over a vocabulary of
// kanji compounds (one to three characters of common kanji), katakana loan words and a few
// English words, joined by hiragana particles and verb endings, with "、" and "。" and a line
// break every 30 to 40 characters, as extracted text has them. English text draws from a
// Zipf vocabulary of words made of English syllables after the common function words.
// Everything follows from the seed: the same corpus in every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "search/digest.h"
#include "search/index_store.h"

namespace veldra::bench {

struct CorpusShape {
  int documents = 10000;
  int pages = 20;
  size_t page_bytes = 2000;  // about; a page ends after the sentence that passes it
  uint64_t seed = 18;
};

class SearchCorpus {
 public:
  explicit SearchCorpus(const CorpusShape& shape);

  // The pages of document i (0-based), UTF-8.
  std::vector<std::string> Pages(int document) const;
  bool Japanese(int document) const { return document % 5 < 3; }

  // Words of the vocabularies by rank (0 the most frequent).
  const std::string& JapaneseWord(size_t rank) const { return japanese_[rank]; }
  const std::string& KatakanaWord(size_t rank) const { return katakana_[rank]; }
  const std::string& EnglishWord(size_t rank) const { return english_[rank]; }
  // The first word of rank >= from in the Japanese vocabulary that has characters kanji.
  const std::string& JapaneseWordFrom(size_t from, size_t characters) const;
  // A title and an author's name for document i.
  std::string Title(int document) const;
  std::string Author(int document) const;

  const CorpusShape& shape() const { return shape_; }

 private:
  std::string JapanesePage(uint64_t seed) const;
  std::string EnglishPage(uint64_t seed) const;

  CorpusShape shape_;
  std::vector<std::string> japanese_;
  std::vector<std::string> katakana_;
  std::vector<std::string> english_;
};

// The digest under which the index holds the text of the corpus's document i.
search::Digest CorpusDigest(int document);

// Opens store on the index of corpus's texts at path (CP932), writing it first through the
// indexer's write path (IndexStore::PutText, one transaction per PDF) and optimizing it
// when the file does not hold them all. Making it takes minutes; the file is kept for the
// next run. false when it cannot be made.
bool OpenCorpusIndex(const SearchCorpus& corpus, const std::string& path, search::IndexStore& store);

}  // namespace veldra::bench
