// Byte layouts of the catalog records, timestamps, text fields and category name order.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "storage/catalog_entry_record.h"
#include "storage/catalog_records.h"
#include "storage/catalog_table.h"
#include "storage/catalog_timestamp.h"
#include "storage/category_names.h"
#include "tests/storage/catalog_test_support.h"

namespace veldra {
namespace {

using testing::FakeCatalogEnvironment;
using testing::I32At;
using testing::Utf16Field;

template <class R>
std::string Encode(const R& record) {
  std::string bytes(R::kEncodedLength, '\x55');
  record.EncodeTo(reinterpret_cast<uint8_t*>(bytes.data()));
  return bytes;
}

int16_t I16At(const std::string& bytes, size_t offset) {
  return static_cast<int16_t>(static_cast<uint8_t>(bytes[offset]) |
                              (static_cast<uint8_t>(bytes[offset + 1]) << 8));
}

CatalogTimestamp Stamp(const char* digits) {
  CatalogTimestamp stamp;
  std::memcpy(stamp.bytes.data(), digits, 17);
  return stamp;
}

TEST(CatalogRecordLayout, EntryFieldsLandAtTheirOffsets) {
  FakeCatalogEnvironment env;
  EntryRecord e;
  e.id = 0x01020304;
  e.file_name.SetText("a.pdf");
  e.title.SetText("Title");
  e.file_create_date = Stamp("20010203040506007");
  e.SetCategoryName(1, "c1");
  e.SetCategoryName(2, "c2");
  e.SetCategoryName(3, "c3");
  e.note.SetText("note");
  e.my_rate = 5;
  e.co_id = -7;
  e.create_date = Stamp("20200101000000001");
  e.update_date = Stamp("20200101000000002");
  e.last_view_date = Stamp("20200101000000003");
  e.last_use_date = Stamp("20200101000000004");
  e.window_position = {11, 12, 13, 14};
  e.window_z_index = 15;
  e.focus_item = 16;
  e.detail_toggle = 1;
  e.scroll_position = 17;
  e.caret_position = 18;
  e.selection_start = 19;
  e.selection_end = 20;
  e.author_name.SetText("au");
  e.editor_name.SetText("ed");
  e.supervisor_name.SetText("su");
  e.publisher_name.SetText("pu");
  e.translator_name.SetText("tr");
  e.dlg_focus_tab = 21;
  e.dlg_focus_item = 22;
  e.file_size = 123456;
  e.file_path.SetText("/d/a.pdf");
  e.os.SetText("os");
  e.machine_name.SetText("host");
  e.pdf_window_position = {-1, -2, -3, -4};
  e.entry_window_ordered_index = 23;
  e.pdf_window_ordered_index = 24;
  e.is_select_entrylist = 1;

  const std::string b = Encode(e);
  EXPECT_EQ(I32At(b, 0), 0x01020304);
  EXPECT_EQ(b.substr(4, 256), Utf16Field(u"a.pdf", 256));
  EXPECT_EQ(b.substr(260, 256), Utf16Field(u"Title", 256));
  EXPECT_EQ(b.substr(516, 18), std::string("20010203040506007", 18));
  EXPECT_EQ(b.substr(534, 256), Utf16Field(u"c1", 256));
  EXPECT_EQ(b.substr(790, 256), Utf16Field(u"c2", 256));
  EXPECT_EQ(b.substr(1046, 256), Utf16Field(u"c3", 256));
  EXPECT_EQ(b.substr(1302, 512), Utf16Field(u"note", 512));
  EXPECT_EQ(I16At(b, 1814), 5);
  EXPECT_EQ(I32At(b, 1816), -7);
  EXPECT_EQ(b.substr(1820, 17), "20200101000000001");
  EXPECT_EQ(b.substr(1838, 17), "20200101000000002");
  EXPECT_EQ(b.substr(1856, 17), "20200101000000003");
  EXPECT_EQ(b.substr(1874, 17), "20200101000000004");
  EXPECT_EQ(I16At(b, 1892), 11);
  EXPECT_EQ(I16At(b, 1894), 12);
  EXPECT_EQ(I16At(b, 1896), 13);
  EXPECT_EQ(I16At(b, 1898), 14);
  EXPECT_EQ(I32At(b, 1900), 15);
  EXPECT_EQ(I32At(b, 1904), 16);
  EXPECT_EQ(b[1908], 1);
  EXPECT_EQ(b.substr(1909, 3), std::string(3, '\0'));
  EXPECT_EQ(I32At(b, 1912), 17);
  EXPECT_EQ(I32At(b, 1916), 18);
  EXPECT_EQ(I32At(b, 1920), 19);
  EXPECT_EQ(I32At(b, 1924), 20);
  EXPECT_EQ(b.substr(1928, 256), Utf16Field(u"au", 256));
  EXPECT_EQ(b.substr(2184, 256), Utf16Field(u"ed", 256));
  EXPECT_EQ(b.substr(2440, 256), Utf16Field(u"su", 256));
  EXPECT_EQ(b.substr(2696, 256), Utf16Field(u"pu", 256));
  EXPECT_EQ(b.substr(2952, 256), Utf16Field(u"tr", 256));
  EXPECT_EQ(I32At(b, 3208), 21);
  EXPECT_EQ(I32At(b, 3212), 22);
  EXPECT_EQ(I32At(b, 3216), 123456);
  EXPECT_EQ(b.substr(3220, 1024), Utf16Field(u"/d/a.pdf", 1024));
  EXPECT_EQ(b.substr(4244, 128), Utf16Field(u"os", 128));
  EXPECT_EQ(b.substr(4372, 256), Utf16Field(u"host", 256));
  EXPECT_EQ(I16At(b, 4628), -1);
  EXPECT_EQ(I16At(b, 4634), -4);
  EXPECT_EQ(I16At(b, 4636), 23);
  EXPECT_EQ(I16At(b, 4638), 24);
  EXPECT_EQ(b[4640], 1);
  EXPECT_EQ(b.substr(4641, 3), std::string(3, '\0'));

  EXPECT_EQ(EntryRecord::DecodeFrom(reinterpret_cast<const uint8_t*>(b.data())), e);
}

TEST(CatalogRecordLayout, SmallRecordsLandAtTheirOffsets) {
  IdCounterRow row;
  row.row_id = 2;
  row.serving_tag = MakeTag("CATS");
  row.SetKey("ct_id");
  row.next_value = 9;
  row.created = Stamp("20240101000000000");
  row.updated = Stamp("20240101000000001");
  std::string b = Encode(row);
  EXPECT_EQ(I32At(b, 4), 0x43415453);
  EXPECT_EQ(b.substr(8, 64), std::string("ct_id") + std::string(59, '\0'));
  EXPECT_EQ(I32At(b, 72), 9);
  EXPECT_EQ(b.substr(94, 17), "20240101000000001");
  EXPECT_EQ(b.substr(112), std::string(28, '\0'));

  LabelRecord label;
  label.level = 3;
  label.text.SetText("L");
  label.updated = Stamp("20240101000000002");
  b = Encode(label);
  EXPECT_EQ(I32At(b, 4), 3);
  EXPECT_EQ(b.substr(8, 256), Utf16Field(u"L", 256));
  EXPECT_EQ(b.substr(282, 17), "20240101000000002");
  EXPECT_EQ(b.substr(300), std::string(28, '\0'));

  CategoryRecord category;
  category.names[2].SetText("z");
  category.created = Stamp("20240101000000003");
  b = Encode(category);
  EXPECT_EQ(b.substr(516, 256), Utf16Field(u"z", 256));
  EXPECT_EQ(b.substr(772, 17), "20240101000000003");
  EXPECT_EQ(b.substr(808), std::string(28, '\0'));

  AttachmentRecord attachment;
  attachment.entry_id = 4;
  attachment.ordinal = 5;
  attachment.updated = Stamp("20240101000000004");
  b = Encode(attachment);
  EXPECT_EQ(I32At(b, 4), 4);
  EXPECT_EQ(I32At(b, 8), 5);
  EXPECT_EQ(b.substr(30, 17), "20240101000000004");
  EXPECT_EQ(b.substr(48), std::string(28, '\0'));

  EnvironmentRecord environment;
  environment.key.SetText("k");
  environment.value.SetText("v");
  environment.updated = Stamp("20240101000000005");
  b = Encode(environment);
  EXPECT_EQ(b.substr(4, 128), Utf16Field(u"k", 128));
  EXPECT_EQ(b.substr(132, 256), Utf16Field(u"v", 256));
  EXPECT_EQ(b.substr(406, 17), "20240101000000005");
  EXPECT_EQ(b.substr(424), std::string(28, '\0'));

  SortLevelRecord sort;
  sort.level_index = 1;
  sort.key_code = 7;
  sort.ascending = 1;
  sort.created = Stamp("20240101000000006");
  sort.updated = Stamp("20240101000000007");
  b = Encode(sort);
  EXPECT_EQ(I32At(b, 4), 7);
  EXPECT_EQ(b[8], 1);
  EXPECT_EQ(b.substr(9, 17), "20240101000000006");
  EXPECT_EQ(b.substr(27, 17), "20240101000000007");
  EXPECT_EQ(b.substr(45), std::string(31, '\0'));

  RememberedFolder folder;
  folder.SetPath(std::string(300, 'x'));
  b = Encode(folder);
  EXPECT_EQ(b, std::string(255, 'x') + std::string(1, '\0'));
}

// Whatever a file holds outside the padding comes back byte for byte when a record is
// decoded and encoded again (text fields keep bytes after their NUL, timestamps their raw
// bytes).
template <class R>
void ExpectRawRoundTrip(const std::vector<std::pair<size_t, size_t>>& zero_areas) {
  std::mt19937 random(static_cast<uint32_t>(R::kEncodedLength));
  std::string bytes(R::kEncodedLength, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  for (const auto& [offset, size] : zero_areas) bytes.replace(offset, size, std::string(size, '\0'));
  const R record = R::DecodeFrom(reinterpret_cast<const uint8_t*>(bytes.data()));
  EXPECT_EQ(Encode(record), bytes) << R::kEncodedLength;
}

TEST(CatalogRecordLayout, RawBytesRoundTrip) {
  ExpectRawRoundTrip<IdCounterRow>({{112, 28}});
  ExpectRawRoundTrip<LabelRecord>({{300, 28}});
  ExpectRawRoundTrip<CategoryRecord>({{808, 28}});
  ExpectRawRoundTrip<EntryRecord>({{1909, 3}, {4641, 3}});
  ExpectRawRoundTrip<AttachmentRecord>({{48, 28}});
  ExpectRawRoundTrip<EnvironmentRecord>({{424, 28}});
  ExpectRawRoundTrip<SortLevelRecord>({{45, 31}});
  ExpectRawRoundTrip<RememberedFolder>({});
}

// Decoding the fields one by one, at every offset where one starts, gives the whole decode;
// nothing is decoded at an offset inside a field.
TEST(CatalogRecordLayout, EntryFieldsDecodeOneByOne) {
  using E = EntryRecord;
  std::mt19937 random(4644);
  std::string bytes(E::kEncodedLength, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  const auto* src = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t starts[] = {
      E::kIdOffset, E::kFileNameOffset, E::kTitleOffset, E::kFileCreateDateOffset,
      E::kCategoryNamesOffset, E::kCategoryNamesOffset + 256, E::kCategoryNamesOffset + 512,
      E::kNoteOffset, E::kMyRateOffset, E::kCoIdOffset, E::kCreateDateOffset,
      E::kUpdateDateOffset, E::kLastViewDateOffset, E::kLastUseDateOffset,
      E::kWindowPositionOffset, E::kWindowZIndexOffset, E::kFocusItemOffset,
      E::kDetailToggleOffset, E::kScrollPositionOffset, E::kCaretPositionOffset,
      E::kSelectionStartOffset, E::kSelectionEndOffset, E::kAuthorOffset, E::kEditorOffset,
      E::kSupervisorOffset, E::kPublisherOffset, E::kTranslatorOffset, E::kDlgFocusTabOffset,
      E::kDlgFocusItemOffset, E::kFileSizeOffset, E::kFilePathOffset, E::kOsOffset,
      E::kMachineNameOffset, E::kPdfWindowPositionOffset, E::kEntryWindowOrderedIndexOffset,
      E::kPdfWindowOrderedIndexOffset, E::kIsSelectEntryListOffset};
  E one_by_one;
  for (size_t offset : starts) EXPECT_TRUE(one_by_one.DecodeFieldFrom(src, offset)) << offset;
  EXPECT_EQ(one_by_one, E::DecodeFrom(src));
  for (size_t inside : {size_t{1}, E::kTitleOffset + 2, E::kMyRateOffset + 1,
                        E::kDetailToggleOffset + 1, E::kIsSelectEntryListOffset + 1,
                        E::kEncodedLength}) {
    E untouched;
    EXPECT_FALSE(untouched.DecodeFieldFrom(src, inside)) << inside;
    EXPECT_EQ(untouched, E()) << inside;
  }
}

TEST(CatalogTextField, LongTextIsCutToTheField) {
  FakeCatalogEnvironment env;
  LabelRecord label;
  label.text.SetText(std::string(127, 'a'));
  EXPECT_EQ(label.text.Text(), std::string(126, 'a'));
  // A second, shorter text leaves nothing of the first behind the NUL.
  label.text.SetText("b");
  EXPECT_EQ(Encode(label).substr(8, 256), Utf16Field(u"b", 256));
}

TEST(CatalogTimestampTest, DigitsRunFromYearToMillisecond) {
  FakeCatalogEnvironment env;
  char buffer[18];
  std::memset(buffer, 'x', sizeof buffer);
  MakeTimestamp(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, 18), std::string("20240305070809010") + '\0');
  EXPECT_EQ(CatalogTimestamp::Now().Text(), "20240305070809010");
}

TEST(CatalogTimestampTest, SmallBuffersAreLeftAloneOrCut) {
  FakeCatalogEnvironment env;
  char buffer[18];
  std::memset(buffer, 'x', sizeof buffer);
  MakeTimestamp(buffer, 16);
  EXPECT_EQ(std::string(buffer, 18), std::string(18, 'x'));
  MakeTimestamp(buffer, 17);
  EXPECT_EQ(std::string(buffer, 17), std::string("2024030507080901") + '\0');
}

TEST(CatalogTimestampTest, ComparesInTimeAndEmptyFirst) {
  FakeCatalogEnvironment env;
  const CatalogTimestamp earlier = CatalogTimestamp::Now();
  env.fake().AdvanceMs(1);
  const CatalogTimestamp later = CatalogTimestamp::Now();
  EXPECT_LT(earlier, later);
  EXPECT_LT(CatalogTimestamp{}, earlier);
  EXPECT_TRUE(CatalogTimestamp{}.empty());
  EXPECT_FALSE(earlier.empty());
  EXPECT_EQ(CatalogTimestamp::FromLocalTime({1999, 12, 31, 23, 59, 58, 7}).Text(),
            "19991231235958007");
}

TEST(CategoryNameOrderTest, OtherSortsLastAndBytesAreUnsigned) {
  const std::string other(kOtherCategoryName);
  EXPECT_GT(CategoryNameOrder(other, "Z"), 0);
  EXPECT_LT(CategoryNameOrder("Z", other), 0);
  EXPECT_EQ(CategoryNameOrder(other, other), 0);
  // "\x82\xa0" (a kana) sorts after ASCII; "\x95\xaa" after "\x82".
  EXPECT_LT(CategoryNameOrder("z", "\x82\xa0"), 0);
  EXPECT_GT(CategoryNameOrder("\x95\xaa", "\x82\xa0"), 0);
  EXPECT_LT(CategoryNameOrder("ab", "abc"), 0);
  EXPECT_LT(CategoryNameOrder("B", "a"), 0);
  EXPECT_EQ(CategoryNameOrder("ab", "ab"), 0);
  EXPECT_TRUE(NameMatchesSelection("x", kAllCategoriesName));
  EXPECT_FALSE(NameMatchesSelection("x", "X"));
}

TEST(CatalogTableAccess, ArraysOfAnotherRecordSizeAreNeverReadAsTheType) {
  RecordArray wrong(100);
  std::string junk(100, '\x7f');
  wrong.Append(junk.data());
  EXPECT_EQ(EntryAt(wrong, 0), EntryRecord{});
  EXPECT_EQ(AppendRecord(wrong, EntryRecord{}), -1);
  SetRecordAt(wrong, 0, EntryRecord{});
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(wrong.At(0)), 100), junk);

  RecordArray entries = MakeTable<EntryRecord>();
  EntryRecord e;
  e.id = 42;
  ASSERT_EQ(AppendRecord(entries, e), 0);
  EXPECT_EQ(EntryAt(entries, 0).id, 42);
  EXPECT_EQ(EntryAt(entries, 1), EntryRecord{});
}

}  // namespace
}  // namespace veldra
