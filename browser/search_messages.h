// What the search window tells the user, in CP932: the state of the results, why a query
// cannot be searched, and why the index cannot be used. (veldra-cli words the same
// problems in English: search/search_query.h, search/index_store.h.)
#pragma once

#include <string>
#include <string_view>

#include "platform/pdf_text_worker.h"
#include "search/index_store.h"
#include "search/search_indexer.h"
#include "search/search_query.h"

namespace veldra {

// "12件見つかりました" / "見つかりませんでした".
std::string MessageSearchFound(size_t entries);
// A query that cannot be searched, e.g. "引用符（"）が閉じられていません。".
std::string MessageQueryError(const search::SearchQuery& query);
// The index cannot be opened or failed: "索引を使えないため検索できません（…）。".
std::string MessageIndexProblem(search::StoreProblem problem);
// A broken index file was moved to set_aside (CP932) and a new one made.
std::string MessageIndexSetAside(std::string_view set_aside);
// Results while some PDFs are not indexed yet: "本文の索引がまだないPDFが3件あり、…".
std::string MessageSearchPartial(int not_indexed);
// "索引を作成しています 120 / 3,000".
std::string MessageIndexing(int done, int total);
// Why an indexer's run ended early ("" when it finished or was cancelled).
std::string MessageIndexerStopped(const search::IndexerReport& report);
// Why a PDF's text could not be read, e.g. "パスワードで保護されています".
std::string MessagePdfFailure(platform::PdfTextFailure failure);

}  // namespace veldra
