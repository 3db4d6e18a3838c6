#include "browser/sample_catalog.h"

#include <cstdio>
#include <vector>

#include "browser/ui_text.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"

namespace veldra {
namespace {

const char* const kLevel1[] = {"技術書", "論文", "仕様書", "マニュアル", "雑誌"};
const char* const kLevel2[] = {"ソフトウェア", "ハードウェア", "数学", "経営", "語学"};
const char* const kLevel3[] = {"入門", "中級", "上級", "参考"};
const char* const kTitles[] = {
    "C++ 実践プログラミング", "Qt 6 による GUI 開発", "線形代数の基礎", "組込みシステム設計",
    "データベース設計の原則", "ネットワーク技術入門", "確率と統計", "プロジェクト管理手法",
    "英文技術文書の書き方", "アルゴリズムとデータ構造", "オペレーティングシステム概論",
    "回路設計ハンドブック"};
const char* const kAuthors[] = {"山田 太郎", "佐藤 花子", "鈴木 一郎", "高橋 美咲",
                                "田中 健", "伊藤 由美"};
const char* const kPublishers[] = {"技術評論社", "オーム社", "翔泳社", "共立出版"};

template <size_t N>
const char* Pick(const char* const (&items)[N], int i) {
  return items[i % N];
}

}  // namespace

bool MakeSampleCatalog(const std::string& path, const SampleCatalogShape& shape) {
  if (!CreateDefaultCatalog(path)) return false;
  CVeldraDocument doc;
  doc.OpenCatalog(path);
  std::vector<std::array<std::string, 3>> triples;
  for (int t = 0; t < shape.triples; ++t) {
    std::array<std::string, 3> names;
    if (shape.japanese) {
      names = {UiText(Pick(kLevel1, t)), UiText(Pick(kLevel2, t / 5 + t)),
               UiText(Pick(kLevel3, t / 3))};
    } else {
      char buffer[3][32];
      std::snprintf(buffer[0], sizeof buffer[0], "A%02d", t % 10);
      std::snprintf(buffer[1], sizeof buffer[1], "B%02d", t % 5);
      std::snprintf(buffer[2], sizeof buffer[2], "C%02d", t);
      names = {buffer[0], buffer[1], buffer[2]};
    }
    if (!doc.CategoryExists(names[0], names[1], names[2])) {
      NewCategoryRecord(doc.categories(), doc.counters(), names[0], names[1], names[2]);
    }
    triples.push_back(names);
  }
  for (int i = 0; i < shape.entries; ++i) {
    EntryRecord e;
    e.id = NextId(doc.counters(), kTagEntry, kCounterKeyEntry);
    char name[64];
    std::snprintf(name, sizeof name, "doc%05d.pdf", i);
    e.file_name.SetText(name);
    if (shape.japanese) {
      e.title.SetText(UiText(Pick(kTitles, i)));
      e.author_name.SetText(UiText(Pick(kAuthors, i * 7 + 3)));
      e.publisher_name.SetText(UiText(Pick(kPublishers, i)));
      e.my_rate = static_cast<int16_t>(i % 6);
    } else {
      std::snprintf(name, sizeof name, "Title %05d", (i * 7919) % (shape.entries + 1));
      e.title.SetText(name);
      e.my_rate = static_cast<int16_t>(i % 6);
    }
    if (!triples.empty()) {
      const auto& t = triples[i % triples.size()];
      for (int k = 0; k < 3; ++k) e.category_names[k].SetText(t[k]);
    } else {
      for (int k = 0; k < 3; ++k) e.category_names[k].SetText(UiText("その他"));
    }
    e.file_size = 50000 + (i * 37717) % 9000000;
    char stamp[18];
    std::snprintf(stamp, sizeof stamp, "2024%02d%02d%02d%02d00000", 1 + i % 12, 1 + i % 28,
                  i % 24, i % 60);
    for (int b = 0; b < 17; ++b) {
      e.update_date.bytes[b] = stamp[b];
      e.create_date.bytes[b] = stamp[b];
    }
    e.entry_window_ordered_index = -1;
    e.pdf_window_ordered_index = -1;
    if (AppendRecord(doc.entries(), e) != 0) return false;
  }
  return doc.Save() == kSaveOk;
}

}  // namespace veldra
