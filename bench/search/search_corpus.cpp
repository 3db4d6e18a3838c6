#include "bench/search/search_corpus.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string_view>

namespace veldra::bench {
namespace {

// Common kanji, the more frequent first (the Zipf draw over them follows this order).
constexpr std::string_view kKanji =
    "日一人年大十二本中長出三時行見月分後前生五間上東四今金九入学高円子外八六下来気小七山"
    "話女北午百書先名川千水半男西電校語土木聞食車何南万毎白天母火右読友左休父雨理論解析形"
    "態素情報処理計算機械習言文章単検索引実装設計開発研究方法結果問題関係場合必要構造能性評"
    "価特徴表現対象条件状動作定義変数関値記号力記憶管制御通信接続利用使成更追加削除示画面操"
    "確認保存込登録環境規則基応全体部意味内容目的原因影響効以最初回次同新旧業社会経済政治法"
    "律歴史化教育科技術工産品質量市場価格販売購買資料調査報告分類整列集合要約翻訳編集著者出"
    "版図館蔵書籍論稿誌刊行物語詩歌音楽映像写真絵美術芸能運転自動走路交差点駅港空航船舶鉄道"
    "医療健康病院薬治療診断症患者看護福祉介保険年金税財務会計監査予算決算収支費用投資株式債"
    "券銀行融貸借契約取引商店舗営流通物配送倉庫在庫製造工場設備部材料原油電力熱源炭素環"
    "気候温暖海洋森林農漁牧畜食糧生態系地震津波火災害防災避難救援";

constexpr std::string_view kKatakana =
    "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"
    "ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポ";

constexpr std::string_view kParticles[] = {"の", "は", "が", "を", "に", "で", "と",
                                           "も", "から", "まで", "へ", "や", "より"};
constexpr std::string_view kEndings[] = {"する", "した", "して", "される", "です", "ます",
                                         "である", "となる", "られる", "している", "できる"};
constexpr std::string_view kFunctionWords[] = {
    "the", "of", "and", "to", "in", "is", "that", "for", "it", "as", "with", "was", "on",
    "be", "by", "this", "are", "from", "at", "or", "an", "which", "not", "can", "we"};
constexpr std::string_view kOnsets[] = {"b",  "c",  "d",  "f",  "g",  "h",  "j",  "k",  "l",
                                        "m",  "n",  "p",  "r",  "s",  "t",  "v",  "w",  "y",
                                        "z",  "bl", "br", "ch", "cl", "cr", "dr", "fl", "fr",
                                        "gr", "pl", "pr", "sh", "sp", "st", "th", "tr", ""};
constexpr std::string_view kVowels[] = {"a", "e", "i", "o", "u", "ea", "ee", "ai", "ou", "io", "e",
                                        "a"};
constexpr std::string_view kCodas[] = {"",   "n",  "r",  "s",  "t",  "l",  "nd", "st",
                                       "ng", "ck", "m",  "nt", "rs", "tion", "", ""};
constexpr std::string_view kFamilyNames[] = {"田中", "佐藤", "鈴木", "高橋", "伊藤",
                                             "渡辺", "山本", "中村", "小林", "加藤"};
constexpr std::string_view kGivenNames[] = {"太郎", "花子", "一郎", "健", "裕子", "直樹"};
constexpr std::string_view kEnglishNames[] = {"Smith", "Jones", "Brown", "Taylor", "Wilson",
                                              "Evans", "Clarke", "Wright"};

// The UTF-8 characters of text.
std::vector<std::string> Characters(std::string_view text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size();) {
    size_t n = (static_cast<unsigned char>(text[i]) >= 0xE0) ? 3 : 1;
    out.emplace_back(text.substr(i, n));
    i += n;
  }
  return out;
}

// A draw from 1/rank over n ranks.
class Zipf {
 public:
  explicit Zipf(size_t n) {
    double total = 0;
    for (size_t r = 0; r < n; ++r) cumulative_.push_back(total += 1.0 / static_cast<double>(r + 1));
  }
  size_t operator()(std::mt19937_64& rng) const {
    std::uniform_real_distribution<double> u(0, cumulative_.back());
    return static_cast<size_t>(
        std::lower_bound(cumulative_.begin(), cumulative_.end(), u(rng)) - cumulative_.begin());
  }

 private:
  std::vector<double> cumulative_;
};

template <class T, size_t N>
const T& Pick(const T (&items)[N], std::mt19937_64& rng) {
  return items[rng() % N];
}

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

const Zipf& JapaneseDraw() { static const Zipf z(20000); return z; }
const Zipf& KatakanaDraw() { static const Zipf z(4000); return z; }
const Zipf& EnglishDraw() { static const Zipf z(30000); return z; }

}  // namespace

SearchCorpus::SearchCorpus(const CorpusShape& shape) : shape_(shape) {
  std::mt19937_64 rng(shape.seed);
  const std::vector<std::string> kanji = Characters(kKanji);
  const std::vector<std::string> kana = Characters(kKatakana);
  const Zipf kanji_draw(kanji.size());
  for (size_t i = 0; i < 20000; ++i) {
    std::string word;
    const int length = rng() % 10 < 7 ? 2 : (rng() % 2 == 0 ? 1 : 3);
    for (int k = 0; k < length; ++k) word += kanji[kanji_draw(rng)];
    japanese_.push_back(word);
  }
  for (size_t i = 0; i < 4000; ++i) {
    std::string word;
    const int length = 2 + static_cast<int>(rng() % 4);
    for (int k = 0; k < length; ++k) {
      word += kana[rng() % kana.size()];
      if (rng() % 6 == 0) word += "ー";
    }
    katakana_.push_back(word);
  }
  for (size_t i = 0; i < 30000; ++i) {
    std::string word;
    const int syllables = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < syllables; ++k) {
      word += std::string(Pick(kOnsets, rng)) + std::string(Pick(kVowels, rng)) +
              std::string(Pick(kCodas, rng));
    }
    english_.push_back(word);
  }
}

std::string SearchCorpus::JapanesePage(uint64_t seed) const {
  std::mt19937_64 rng(seed);
  std::string page;
  size_t line = 0;  // characters since the last line break
  size_t line_length = 30 + rng() % 11;
  const auto put = [&](std::string_view text, size_t characters) {
    page += text;
    line += characters;
    if (line >= line_length) {
      page += '\n';
      line = 0;
      line_length = 30 + rng() % 11;
    }
  };
  while (page.size() < shape_.page_bytes) {
    const int chunks = 3 + static_cast<int>(rng() % 6);
    for (int c = 0; c < chunks; ++c) {
      const unsigned kind = rng() % 100;
      if (kind < 70) {
        const std::string& w = japanese_[JapaneseDraw()(rng)];
        put(w, w.size() / 3);
      } else if (kind < 90) {
        const std::string& w = katakana_[KatakanaDraw()(rng)];
        put(w, w.size() / 3);
      } else if (kind < 94) {
        const std::string& w = english_[EnglishDraw()(rng) % 2000];
        put(w, w.size());
      } else {
        put(std::to_string(rng() % 2000), 3);
      }
      const std::string_view particle = Pick(kParticles, rng);
      put(particle, particle.size() / 3);
      if (rng() % 7 == 0) put("、", 1);
    }
    const std::string& verb = japanese_[JapaneseDraw()(rng)];
    put(verb, verb.size() / 3);
    const std::string_view ending = Pick(kEndings, rng);
    put(ending, ending.size() / 3);
    put("。", 1);
  }
  return page;
}

std::string SearchCorpus::EnglishPage(uint64_t seed) const {
  std::mt19937_64 rng(seed);
  std::string page;
  size_t line = 0;
  while (page.size() < shape_.page_bytes) {
    const int words = 8 + static_cast<int>(rng() % 13);
    for (int w = 0; w < words; ++w) {
      std::string word = rng() % 10 < 4 ? std::string(Pick(kFunctionWords, rng))
                                        : english_[EnglishDraw()(rng)];
      if (w == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
      page += word;
      line += word.size() + 1;
      if (w + 1 == words) page += '.';
      else if (rng() % 12 == 0) page += ',';
      if (line >= 70) {
        page += '\n';
        line = 0;
      } else {
        page += ' ';
      }
    }
  }
  return page;
}

std::vector<std::string> SearchCorpus::Pages(int document) const {
  std::vector<std::string> pages;
  for (int p = 0; p < shape_.pages; ++p) {
    const uint64_t seed = Mix(shape_.seed ^ Mix(static_cast<uint64_t>(document) * 131 + p));
    pages.push_back(Japanese(document) ? JapanesePage(seed) : EnglishPage(seed));
  }
  return pages;
}

std::string SearchCorpus::Title(int document) const {
  std::mt19937_64 rng(Mix(shape_.seed + static_cast<uint64_t>(document)));
  if (Japanese(document)) {
    return japanese_[JapaneseDraw()(rng)] + katakana_[KatakanaDraw()(rng)] + "の" +
           japanese_[JapaneseDraw()(rng)];
  }
  std::string title;
  for (int w = 0; w < 3; ++w) {
    std::string word = english_[EnglishDraw()(rng)];
    word[0] = static_cast<char>(word[0] - 'a' + 'A');
    title += (w > 0 ? " " : "") + word;
  }
  return title;
}

std::string SearchCorpus::Author(int document) const {
  std::mt19937_64 rng(Mix(shape_.seed * 7 + static_cast<uint64_t>(document)));
  if (Japanese(document)) {
    return std::string(Pick(kFamilyNames, rng)) + " " + std::string(Pick(kGivenNames, rng));
  }
  return std::string(Pick(kEnglishNames, rng)) + ", " +
         static_cast<char>('A' + static_cast<int>(rng() % 26)) + ".";
}

const std::string& SearchCorpus::JapaneseWordFrom(size_t from, size_t characters) const {
  for (size_t r = from;; ++r) {
    if (japanese_[r].size() == 3 * characters) return japanese_[r];
  }
}

search::Digest CorpusDigest(int document) {
  return search::Sha256Of("veldra search bench " + std::to_string(document));
}

bool OpenCorpusIndex(const SearchCorpus& corpus, const std::string& path, search::IndexStore& store) {
  using search::StoreProblem;
  const int documents = corpus.shape().documents;
  if (store.Open(path).problem != StoreProblem::kNone) return false;
  if (store.Totals().documents == documents) return true;
  store.Close();
  std::remove(path.c_str());
  if (store.Open(path).problem != StoreProblem::kNone) return false;
  std::fprintf(stderr, "building the index at %s ...\n", path.c_str());
  for (int i = 0; i < documents; ++i) {
    search::PdfText text{corpus.Pages(i), false, "generated"};
    if (store.PutText(CorpusDigest(i), text) != StoreProblem::kNone) return false;
    if (i % 1000 == 999) std::fprintf(stderr, "  %d PDFs\n", i + 1);
  }
  return store.Optimize() == StoreProblem::kNone;
}

}  // namespace veldra::bench
