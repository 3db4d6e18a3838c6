#include "commands/import_messages.h"

#include "platform/codepage.h"
#include "storage/catalog_files.h"

namespace veldra::commands {
namespace {

using platform::Failure;

// The source holds the texts in UTF-8; they are handed out in CP932.
std::string Cp932(std::string_view utf8) {
  std::string out;
  platform::Utf8ToCp932(utf8, &out);
  return out;
}

// "（cause）" after a sentence, or nothing when the cause is not known.
std::string InParentheses(Failure cause) {
  const std::string text = FailureCauseText(cause);
  return text.empty() ? text : Cp932("（") + text + Cp932("）");
}

std::string ReasonText(const ImportedPdf& pdf) {
  switch (pdf.failure) {
    case ImportFailure::kNone: break;
    case ImportFailure::kNotRegularFile:
      return Cp932("通常のファイルではないため、取り込みませんでした。");
    case ImportFailure::kUnnamable:
      return Cp932("名前にカタログで扱えない文字（?の部分）が含まれているため、取り込みませんでした。");
    case ImportFailure::kUnreadable:
      return Cp932("読み込めませんでした") + InParentheses(pdf.cause) + Cp932("。");
    case ImportFailure::kEmpty:
      return Cp932("空のファイルです。");
    case ImportFailure::kTooLarge:
      return Cp932("大きすぎてカタログに入りません（PDFは1件2147483647バイトまで、カタログは全体で"
                   "4GiB未満）。");
    case ImportFailure::kNoSpace:
      return Cp932("ディスクの空き容量が足りません。");
    case ImportFailure::kWriteFailed:
      return Cp932("カタログファイルに書き込めませんでした") + InParentheses(pdf.cause) +
             Cp932("。");
  }
  return std::string();
}

// Lines of paths, at most kMessageMaxListedFiles, then how many more there are.
std::string PathLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < kMessageMaxListedFiles; ++i) text += lines[i];
  if (lines.size() > kMessageMaxListedFiles) {
    text += Cp932("ほか") + std::to_string(lines.size() - kMessageMaxListedFiles) +
            Cp932("件") + "\n";
  }
  return text;
}

}  // namespace

std::string FailureCauseText(Failure cause) {
  switch (cause) {
    case Failure::kNone: break;
    case Failure::kNotFound: return Cp932("ファイルが見つかりません");
    case Failure::kDenied: return Cp932("アクセスが許可されていません");
    case Failure::kNoSpace: return Cp932("ディスクの空き容量が足りません");
    case Failure::kTooLarge: return Cp932("ファイルが大きすぎます");
    case Failure::kNotRegularFile: return Cp932("通常のファイルではありません");
    case Failure::kIoError: return Cp932("装置の入出力エラーです");
    case Failure::kOther: return Cp932("原因不明のエラーです");
  }
  return std::string();
}

std::string MessageImportFailures(const ImportReport& report) {
  std::vector<std::string> lines;
  std::vector<std::string> companions;
  for (const ImportedPdf& pdf : report.imported) {
    if (pdf.companion_cause != Failure::kNone) {
      companions.push_back(CompanionPath(pdf.path) + "\n" + Cp932("　") +
                           Cp932("読み込みませんでした") + InParentheses(pdf.companion_cause) +
                           Cp932("。PDFは付属ファイルなしで取り込みました。") + "\n");
    }
    if (pdf.failure == ImportFailure::kNone) continue;
    lines.push_back(pdf.path + "\n" + Cp932("　") + ReasonText(pdf) + "\n");
  }
  std::string text;
  if (!lines.empty()) {
    text = Cp932("次のファイルのPDFは取り込めませんでした。") + "\n\n" + PathLines(lines);
  }
  if (!companions.empty()) {
    if (!text.empty()) text += "\n";
    text += Cp932("次の付属ファイルは読み込めませんでした。") + "\n\n" + PathLines(companions);
  }
  return text;
}

std::string MessageUnnamableNames(const std::vector<std::string>& paths) {
  std::vector<std::string> lines;
  for (const std::string& path : paths) lines.push_back(path + "\n");
  return Cp932("次の名前には、カタログで扱えない文字（?の部分）が含まれています。"
               "何も取り込みませんでした。") +
         "\n\n" + PathLines(lines);
}

std::string MessageCannotSearchFolder(const std::string& folder, Failure cause) {
  return Cp932("フォルダ「") + folder + Cp932("」を検索できません") + InParentheses(cause) +
         Cp932("。何も取り込みませんでした。");
}

std::string MessageCatalogReadOnly() {
  return Cp932("このカタログは読み取り専用で開かれているため、取り込めません。");
}

std::string MessageImportIdsExhausted() {
  return Cp932("このカタログはID番号が上限（2147483647）に近づいたため、これだけのPDFを取り込めません。"
               "何も取り込みませんでした。");
}

std::string MessageCatalogNotWritable(const std::string& path, Failure cause) {
  return Cp932("カタログファイル「") + path + Cp932("」に書き込めません") +
         InParentheses(cause) + Cp932("。何も取り込みませんでした。");
}

std::string MessageSaveFailed(const std::string& path, Failure cause) {
  return Cp932("カタログファイル「") + path + Cp932("」に保存できませんでした") +
         InParentheses(cause) + Cp932("。変更は一部しかファイルに書き込まれていない可能性があります。");
}

std::string MessageSortOrderNotSaved(const std::string& path, Failure cause) {
  return Cp932("カタログファイル「") + path + Cp932("」に並べ替えの設定を保存できませんでした") +
         InParentheses(cause) + Cp932("。ほかの変更はファイルに書き込まれています。");
}

std::string MessageDropRefused(const std::vector<RefusedDrop>& refused) {
  std::vector<std::string> lines;
  for (const RefusedDrop& item : refused) {
    std::string why;
    switch (item.why) {
      case DropRefusal::kNotLocal: why = "このコンピュータのファイルではありません。"; break;
      case DropRefusal::kNotFound: why = "見つかりません。"; break;
      case DropRefusal::kNotRegularFile: why = "通常のファイルではありません。"; break;
      case DropRefusal::kNotImportable:
        why = "PDFファイルでもフォルダでもカタログ（*.vdc）でもありません。";
        break;
      case DropRefusal::kNoCatalogWindow:
        why = "PDFとフォルダは、取り込み先のカタログのウィンドウにドロップしてください。";
        break;
    }
    lines.push_back(item.text + "\n" + Cp932("　") + Cp932(why) + "\n");
  }
  return Cp932("ドロップされた次のものは扱えないため、何も取り込まず、何も開きませんでした。") +
         "\n\n" + PathLines(lines);
}

}  // namespace veldra::commands
