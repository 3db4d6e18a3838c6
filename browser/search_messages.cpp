#include "browser/search_messages.h"

#include "browser/ui_text.h"
#include "platform/codepage.h"

namespace veldra {
namespace {

// format (UTF-8) with its one "%s" replaced by text (CP932).
std::string Fill(std::string_view utf8_format, std::string_view text) {
  const std::string format = UiText(utf8_format);
  const size_t at = format.find("%s");
  return format.substr(0, at) + std::string(text) + format.substr(at + 2);
}

// 3000 as "3,000".
std::string Grouped(int number) {
  std::string digits = std::to_string(number);
  for (int at = static_cast<int>(digits.size()) - 3; at > (number < 0 ? 1 : 0); at -= 3) {
    digits.insert(static_cast<size_t>(at), ",");
  }
  return digits;
}

const char* ProblemCause(search::StoreProblem problem) {
  using search::StoreProblem;
  switch (problem) {
    case StoreProblem::kNoCacheFolder:
      return "キャッシュのフォルダがわかりません。XDG_CACHE_HOMEもHOMEも設定されていません";
    case StoreProblem::kFolderIsFile: return "索引のフォルダの場所にファイルがあります";
    case StoreProblem::kFolderReadOnly: return "索引のフォルダに書き込めません";
    case StoreProblem::kIndexIsLink: return "索引のファイルがシンボリックリンクです";
    case StoreProblem::kIndexNotFile: return "索引のファイルの名前を、ファイルではないものが使っています";
    case StoreProblem::kDiskFull: return "索引のあるディスクに空きがありません";
    case StoreProblem::kDamaged: return "索引が壊れています";
    case StoreProblem::kBusy: return "別のプログラムが索引を使用中です";
    case StoreProblem::kNone:
    case StoreProblem::kFailed: break;
  }
  return "索引を読み書きできませんでした";
}

}  // namespace

std::string MessageSearchFound(size_t entries) {
  if (entries == 0) return UiText("見つかりませんでした");
  return std::to_string(entries) + UiText("件見つかりました");
}

std::string MessageQueryError(const search::SearchQuery& query) {
  using search::QueryError;
  switch (query.error) {
    case QueryError::kNone: return std::string();
    case QueryError::kNoTerm: return UiText("検索する語を入力してください。");
    case QueryError::kUnbalancedQuote: return UiText("引用符（\"）が閉じられていません。");
    case QueryError::kEmptyTerm: {
      std::string term;
      platform::Utf8ToCp932(query.error_term, &term);
      return Fill("「%s」には検索できる文字がありません。", term);
    }
    case QueryError::kNotUtf8: break;
  }
  return UiText("検索する語に読み取れない文字があります。");
}

std::string MessageIndexProblem(search::StoreProblem problem) {
  return Fill("索引を使えないため検索できません（%s）。", UiText(ProblemCause(problem)));
}

std::string MessageIndexSetAside(std::string_view set_aside) {
  return Fill("索引のファイルが壊れていたため「%s」に移し、新しく作り直しました。", set_aside);
}

std::string MessageSearchPartial(int not_indexed) {
  return Fill("本文の索引がまだないPDFが%s件あり、その本文は検索していません。",
              Grouped(not_indexed));
}

std::string MessageIndexing(int done, int total) {
  return UiText("索引を作成しています ") + Grouped(done) + " / " + Grouped(total);
}

std::string MessageIndexerStopped(const search::IndexerReport& report) {
  switch (report.stop) {
    case search::IndexerStop::kFinished:
    case search::IndexerStop::kCancelled: return std::string();
    case search::IndexerStop::kWorkerNotStarted:
      return UiText("PDFの本文を読み取るプログラム（veldra-pdftext）を起動できないため、"
                    "索引を作成できません。");
    case search::IndexerStop::kCatalogChanged:
      return UiText("索引の作成中にカタログのファイルが置き換えられたため、作成を中止しました。");
    case search::IndexerStop::kStoreFailed: break;
  }
  return Fill("索引を作成できません（%s）。", UiText(ProblemCause(report.store_problem)));
}

std::string MessagePdfFailure(platform::PdfTextFailure failure) {
  using platform::PdfTextFailure;
  switch (failure) {
    case PdfTextFailure::kCrashed: return UiText("読み取り中に異常終了しました");
    case PdfTextFailure::kTimedOut: return UiText("時間内に読み取れませんでした");
    case PdfTextFailure::kTooMuchMemory: return UiText("メモリが足りませんでした");
    case PdfTextFailure::kNotPdf: return UiText("PDFとして読み取れません");
    case PdfTextFailure::kEncrypted: return UiText("パスワードで保護されています");
    case PdfTextFailure::kUnreadable: return UiText("カタログから読み出せないか、PDFが壊れています");
    default: break;
  }
  return UiText("本文を読み取れませんでした");
}

}  // namespace veldra
