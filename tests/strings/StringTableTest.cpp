#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "strings/Cp932.h"
#include "strings/StringTable.h"

using kanvo::cp932ToUtf8;
using kanvo::StringTable;
using kanvo::TextId;
using kanvo::utf8ToCp932;

namespace {

constexpr std::uint32_t kCount = StringTable::kTextCount;

StringTable japanese() {
  return StringTable(kanvo::kUiLanguageJapanese);
}
StringTable english() {
  return StringTable(kanvo::kUiLanguageEnglish);
}

}  // namespace

TEST(StringTable, DefaultsToJapaneseAndFollowsTheLanguageSetting) {
  StringTable table;
  EXPECT_EQ(table.language(), kanvo::kUiLanguageJapanese);
  EXPECT_STREQ(table.GetString(TextId::Layer), "\x83\x8c\x83\x43\x83\x84\x81\x5b");  // レイヤー
  table.setLanguage(kanvo::kUiLanguageEnglish);
  EXPECT_STREQ(table.GetString(TextId::Layer), "Layer");
  EXPECT_STREQ(table.getString(TextId::Layer), "Layer");
  table.setLanguage(kanvo::kUiLanguageJapanese);
  EXPECT_STREQ(table.GetString(TextId::Layer), "\x83\x8c\x83\x43\x83\x84\x81\x5b");
}

TEST(StringTable, FallsBackToTheEmptyString) {
  for (StringTable table : {japanese(), english()}) {
    for (std::uint32_t id : {kCount, kCount + 1, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      ASSERT_NE(table.GetString(id), nullptr);
      EXPECT_STREQ(table.GetString(id), "") << id;
    }
  }
  for (kanvo::UiLanguage language : {2, -1, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000u)}) {
    StringTable table(language);
    for (std::uint32_t id = 0; id <= kCount; ++id) {
      ASSERT_NE(table.GetString(id), nullptr);
      EXPECT_STREQ(table.GetString(id), "") << "language " << language << " id " << id;
    }
  }
  // Id 81 has no English text; the Japanese one is there.
  EXPECT_STREQ(english().GetString(81), "");
  EXPECT_EQ(cp932ToUtf8(japanese().GetString(81)), "画像解像度と違うプリンタには出力できません");
}

TEST(StringTable, EveryIdHasTextWhereItMust) {
  const StringTable ja = japanese();
  const StringTable en = english();
  for (std::uint32_t id = 0; id < kCount; ++id) {
    EXPECT_GT(std::strlen(ja.GetString(id)), 0u) << "Japanese id " << id;
    if (id != 81) {
      EXPECT_GT(std::strlen(en.GetString(id)), 0u) << "English id " << id;
    }
    // Every text is well-formed CP932 and survives a trip through UTF-8 unchanged.
    for (const char* text : {ja.GetString(id), en.GetString(id)}) {
      const std::string utf8 = cp932ToUtf8(text);
      EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << "id " << id;
      EXPECT_EQ(utf8ToCp932(utf8), text) << "id " << id;
    }
  }
}

TEST(StringTable, EnglishIsPlainAsciiExceptTheKnownRows) {
  const std::vector<std::uint32_t> nonAscii = {5, 12, 116, 117, 118, 119, 120, 121, 122, 127, 128};
  const StringTable en = english();
  for (std::uint32_t id = 0; id < kCount; ++id) {
    const std::string text = en.GetString(id);
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    const bool expectAscii = std::find(nonAscii.begin(), nonAscii.end(), id) == nonAscii.end();
    EXPECT_EQ(ascii, expectAscii) << "id " << id;
  }
}

TEST(StringTable, SharedTextsAreOneStorage) {
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> japanesePairs = {
      {19, 150}, {30, 140}, {31, 141}, {32, 143}, {39, 152}, {40, 153}, {45, 160},
      {46, 164}, {47, 165}, {48, 161}, {50, 151}, {55, 108}, {57, 111}};
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> englishPairs = {
      {25, 150}, {30, 140}, {31, 141}, {32, 143}, {39, 152}, {45, 160}, {46, 164},
      {47, 165}, {48, 161}, {50, 151}, {55, 108}, {57, 111}, {60, 149}};
  const StringTable ja = japanese();
  const StringTable en = english();
  for (auto [a, b] : japanesePairs) EXPECT_EQ(ja.GetString(a), ja.GetString(b)) << a << "/" << b;
  for (auto [a, b] : englishPairs) EXPECT_EQ(en.GetString(a), en.GetString(b)) << a << "/" << b;

  // Id 150 follows id 19 in Japanese but id 25 in English.
  EXPECT_EQ(cp932ToUtf8(ja.GetString(150)), "塗りつぶし");
  EXPECT_STREQ(en.GetString(150), "Bucket");
  EXPECT_NE(ja.GetString(150), ja.GetString(25));
  EXPECT_NE(en.GetString(150), en.GetString(19));
  // Pairs of one column only.
  EXPECT_STREQ(en.GetString(40), "Rotate");
  EXPECT_STREQ(en.GetString(153), "Rotation");
  EXPECT_EQ(cp932ToUtf8(ja.GetString(60)), "オブジェクト");
  EXPECT_EQ(cp932ToUtf8(ja.GetString(149)), "オブジェクト操作");
}

TEST(StringTable, ExactBytes) {
  const StringTable ja = japanese();
  const StringTable en = english();
  EXPECT_STREQ(ja.GetString(TextId::Rect), "\x8b\xe9\x8c\x60");                            // 矩形
  EXPECT_STREQ(ja.GetString(TextId::Stroke), "\x83\x58\x83\x67\x83\x8d\x81\x5b\x83\x4e");  // ストローク
  EXPECT_STREQ(ja.GetString(TextId::Fill), "\x93\x68\x82\xe8\x82\xc2\x82\xd4\x82\xb5");    // 塗りつぶし
  EXPECT_STREQ(ja.GetString(TextId::ReadoutDegrees), "\x93\x78");                          // 度
  EXPECT_STREQ(ja.GetString(TextId::CombinedRgb), "\x93\x9d\x8d\x87\x90\x46RGB");          // 統合色RGB
  EXPECT_STREQ(ja.GetString(TextId::Layer32Rgba), "32bpp\x83\x8c\x83\x43\x83\x84\x81\x5b RGB/A");
  EXPECT_STREQ(ja.GetString(TextId::HintSelectionAddDelete),
               "+Shift\x82\xc5\x92\xc7\x89\xc1\x81\x41+Ctrl\x82\xc5\x8d\xed\x8f\x9c");
  EXPECT_STREQ(en.GetString(TextId::KeepTransparency), "Keep tranceparency\x81\x48");
  EXPECT_STREQ(en.GetString(TextId::HintSelectionAddDelete), "+Shift is Add\x81\x41+Ctrl is Delete");
  EXPECT_STREQ(
      en.GetString(TextId::HintDragVertexForWidth),
      "\x92\xb8\x93\x5f\x82\xc5\x8d\xb6\x89\x45\x83\x68\x83\x89\x83\x62\x83\x4f");  // 頂点で左右ドラッグ
  EXPECT_STREQ(en.GetString(TextId::HideWindowsMenu), "Hide windows temporary(&T)\tTab");
  EXPECT_STREQ(en.GetString(TextId::RevertHiddenWindowsMenu), "Revert hidden windows(&T)\tTab");
  EXPECT_STREQ(en.GetString(TextId::AlreadyOpen), " is already opend, OK?");
  EXPECT_STREQ(en.GetString(0), "Import from TWAIN32");
  EXPECT_STREQ(en.GetString(167), "Stretch (Fixed Position)");
  EXPECT_STREQ(en.GetString(157), "Select ???");
  EXPECT_STREQ(en.GetString(124), "+Shift is Add, +Ctrl is Remove, +Ctrl+Alt is ControlStrokeWidth");
}

TEST(StringTable, JapaneseTextsAsGiven) {
  const std::vector<std::pair<std::uint32_t, const char*>> given = {
      {12, "ファイル名が重複しているため、追加できません"},
      {16, "タブレットは正常に初期化されました"},
      {19, "塗りつぶし"},
      {21, "矩形"},
      {22, "楕円"},
      {23, "多角形"},
      {24, "ライン"},
      {25, "バケツ"},
      {26, "ストローク"},
      {28, "フレーム"},
      {53, "位置"},
      {55, "範囲"},
      {56, "サイズ"},
      {57, "度"},
      {62, "レイヤー"},
      {64, "[通常]"},
      {65, "[加算]"},
      {66, "[乗算]"},
      {67, "[反転]"},
      {81, "画像解像度と違うプリンタには出力できません"},
      {101, "通常"},
      {102, "加算"},
      {103, "乗算"},
      {104, "反転"},
      {107, "移動量"},
      {108, "範囲"},
      {109, "距離"},
      {110, "角度"},
      {111, "度"},
      {112, "統合色RGB"},
      {113, "32bppレイヤー RGB/A"},
      {114, "8bppレイヤー 濃度"},
      {115, "1bppレイヤー 濃度"},
      {116, "画素をクリックでレイヤー選択"},
      {117, "+Shiftで追加、+Ctrlで削除"},
      {118, "無変換キーで回転表示の解除"},
      {119, "ドラッグしないでボタン離すとブラシサイズをリセット"},
      {120, "選択範囲内なら部分移動、+Shiftでコピー"},
      {121, "Shift＋クリックで直線描画、Ctrl＋Alt＋ドラッグでブラシサイズ変更"},
      {122, "Alt＋クリックで参照元取得"},
      {123, "レイヤーがロックされているので編集できません"},
      {124, "+Shiftで頂点追加、+Ctrlで頂点削除、+Ctrl+Altで太さ調整"},
      {125, "頂点間をクリックで頂点追加"},
      {126, "頂点をクリックで頂点削除"},
      {127, "ドラッグで線の変形"},
      {128, "頂点を左右ドラッグで太さの調整"},
      {149, "オブジェクト操作"},
      {150, "塗りつぶし"},
      {153, "回転"},
  };
  const StringTable ja = japanese();
  const StringTable en = english();
  for (auto [id, text] : given) EXPECT_EQ(cp932ToUtf8(ja.GetString(id)), text) << "id " << id;
  // The English column repeats these Japanese texts (in storage of its own).
  for (std::uint32_t id : {12u, 116u, 118u, 119u, 120u, 121u, 122u, 127u}) {
    EXPECT_STREQ(en.GetString(id), ja.GetString(id)) << "id " << id;
  }
  EXPECT_EQ(cp932ToUtf8(en.GetString(128)), "頂点で左右ドラッグ");
  EXPECT_STREQ(en.GetString(16), "Tablet initialization failed");
}

TEST(StringTable, TheUsedIdsCarryTheirWords) {
  const StringTable en = english();
  const std::vector<std::pair<std::uint32_t, const char*>> used = {
      {TextId::Rect, "Rect"},
      {TextId::Ellipse, "Ellipse"},
      {TextId::Polygon, "Polygon"},
      {TextId::Line, "Line"},
      {TextId::Bucket, "Bucket"},
      {TextId::Stroke, "Stroke"},
      {TextId::Frame, "Frame"},
      {TextId::Position, "Position"},
      {TextId::Range, "Range"},
      {TextId::Size, "Size"},
      {TextId::MovingOffset, "Moving Offset"},
      {TextId::Distance, "Distance"},
      {TextId::Angle, "Angle"},
      {TextId::ReadoutDegrees, "deg"},
      {TextId::Layer8Color, "8bpp Layer Color"},
      {TextId::LayerLocked, "Layer is Locked"},
      {TextId::ToolBrush, "Brush"},
      {TextId::ToolSelectFree, "Select ???"},
      {TextId::ToolStretchFixedPosition, "Stretch (Fixed Position)"},
  };
  for (auto [id, text] : used) EXPECT_STREQ(en.GetString(id), text) << "id " << id;
}
