// The text worker against the viewer's engine: what the worker extracts from page k, the
// viewer's search (QPdfSearchModel) finds on page k and on no page whose text lacks it, so
// that a hit the index finds is one the viewer can show.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QPdfDocument>
#include <QPdfSearchModel>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/codepage.h"
#include "platform/pdf_text_worker.h"
#include "tests/platform/viewer_test_pdf.h"

namespace veldra::platform {
namespace {

using ::testing::HasSubstr;

QString Nfkc(const QString& text) { return text.normalized(QString::NormalizationForm_KC); }

// The texts the worker extracts from the PDF at path (UTF-8).
PdfTextResult Extract(const QString& path) {
  std::string cp932;
  EXPECT_TRUE(Utf8ToCp932(path.toStdString(), &cp932));
  PdfTextWorker worker(FindPdfTextWorker(), {});
  return worker.Extract(cp932, 0, QFileInfo(path).size());
}

QStringList Words(const QString& text) {
  return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

TEST(PdfTextAgreementTest, WordsOfPageKAreFoundByTheViewerOnPageKAndNowhereElse) {
  struct Row {
    const char* name;
    QString font_file;  // empty: IPAex Gothic
    QStringList pages;
    // A Japanese word broken across a line of the first page: the index joins it (white
    // space between two CJK characters does not count), and the viewer finds it whole too.
    QString joined = {};
  };
  // Japanese and English as real documents mix them: kanji, kana of both widths, full-width
  // Latin and digits, punctuation; and a Latin font that draws "fi", "ff", "fl" as ligatures.
  const Row rows[] = {
      {"Japanese and English",
       {},
       {QStringLiteral("形態素解析の基礎\nFull-text search of PDF files\n東京都千代田区一丁目"),
        QStringLiteral("全文検索エンジンとｶﾀｶﾅ\nThe office workflow, finely tuned\n"
                       "２０２４年１２月８日　ＰＤＦ"),
        QStringLiteral("要確認：田中太郎（編）\n「索引」は、検索を速くする。\n"
                       "indexing, ranking & snippets")}},
      {"ligatures",
       QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"),
       {QStringLiteral("office affluent\nfinely flow"), QStringLiteral("plain words only")}},
      {"a word broken across lines", {}, {QStringLiteral("形態素\n解析の本")},
       QStringLiteral("形態素解析")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("known.pdf"));
    ASSERT_TRUE(testing::WriteTextPdf(path, row.pages, row.font_file));
    const PdfTextResult result = Extract(path);
    ASSERT_EQ(result.failure, PdfTextFailure::kNone);
    ASSERT_EQ(result.pages.size(), static_cast<size_t>(row.pages.size()));
    QStringList texts;
    for (const std::string& page : result.pages) texts << QString::fromStdString(page);

    QPdfDocument document;
    ASSERT_EQ(document.load(path), QPdfDocument::Error::None);
    QPdfSearchModel search;
    search.setDocument(&document);
    for (int page = 0; page < texts.size(); ++page) {
      SCOPED_TRACE(page + 1);
      // Every line as it was written, up to compatibility forms: the text layer Qt writes
      // names some kanji by their Kangxi radical twins (田 as U+2F65), and the ideographic
      // space comes out as a plain one.
      for (const QString& line : row.pages[page].split(QLatin1Char('\n'))) {
        EXPECT_THAT(Nfkc(texts[page]).toStdString(), HasSubstr(Nfkc(line).toStdString()));
      }
      // The viewer's search ignores case.
      for (const QString& word : Words(texts[page])) {
        search.setSearchString(word);
        for (int other = 0; other < texts.size(); ++other) {
          EXPECT_EQ(search.resultsOnPage(other).isEmpty(), !texts[other].contains(word, Qt::CaseInsensitive))
              << word.toStdString() << " on page " << other + 1;
        }
      }
    }
    if (row.joined.isEmpty()) continue;
    EXPECT_EQ(result.pages[0], row.pages[0].toStdString());
    search.setSearchString(row.joined);
    EXPECT_EQ(search.resultsOnPage(0).size(), 1);
  }
}

}  // namespace
}  // namespace veldra::platform
