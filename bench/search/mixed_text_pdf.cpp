#include "bench/search/mixed_text_pdf.h"

#include <QStringList>
#include <iterator>

#include "tests/platform/viewer_test_pdf.h"

namespace veldra::bench {

QString MixedTextPage(std::mt19937* random) {
  static const char* const kJapanese[] = {
      "形態素解析", "全文検索", "索引", "文書", "東京都", "研究", "開発", "情報処理",
      "システム",   "データベース", "日本語", "検索エンジン", "の", "は", "を", "に",
      "が",         "と", "で", "、", "。", "要確認", "田中", "ｶﾀｶﾅ", "２０２４年"};
  static const char* const kEnglish[] = {"search", "index", "document", "the", "of",
                                          "and", "retrieval", "token", "query", "ranking",
                                          "page", "office", "workflow", "PDF", "catalog"};
  QString page;
  for (int line = 0; line < 36; ++line) {
    QString text;
    const bool japanese = line % 2 == 0;
    while (text.size() < (japanese ? 30 : 60)) {
      if (japanese) {
        text += QString::fromUtf8(kJapanese[(*random)() % std::size(kJapanese)]);
      } else {
        if (!text.isEmpty()) text += QLatin1Char(' ');
        text += QLatin1String(kEnglish[(*random)() % std::size(kEnglish)]);
      }
    }
    page += text + QLatin1Char('\n');
  }
  return page;
}

bool WriteMixedTextPdf(const std::string& path, int pages, std::mt19937* random) {
  QStringList texts;
  for (int page = 0; page < pages; ++page) texts << MixedTextPage(random);
  return testing::WriteTextPdf(QString::fromStdString(path), texts);
}

}  // namespace veldra::bench
