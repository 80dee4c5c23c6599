// The settings dialog's rules and geometry, apart from its windows.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "controls/command_model.h"
#include "dialog/dialog_buttons.h"
#include "dialog/dialog_model.h"
#include "dialog/identity.h"
#include "dialog/layout.h"
#include "support/fake_files.h"
#include "support/settings_text.h"

using namespace dialog;
using testing_support::FakeFiles;

TEST(DialogPlacement, CentredAcrossAndAThirdDownOnTheOuterSize) {
  EXPECT_EQ(PlaceWindow(1024, 768, 502, 271), (Point{261, 165}));
  EXPECT_EQ(PlaceWindow(1920, 1080, 502, 271), (Point{709, 269}));
  // A window larger than the screen: the divisions truncate toward zero (not down).
  EXPECT_EQ(PlaceWindow(400, 200, 601, 205), (Point{-100, -1}));
}

TEST(DialogGradient, DarkNavyAtTheEdgesLavenderInTheMiddle) {
  EXPECT_EQ(GradientColour(0, 246), (Rgb{0, 0, 30}));
  EXPECT_EQ(GradientColour(123, 246), (Rgb{220, 220, 250}));
  EXPECT_EQ(GradientColour(246, 246), (Rgb{0, 0, 30})) << "3.142 is just past pi: |sin| is tiny";
  // A row a sixth of the way down: sin(0.5236) = 0.5 gives 110.
  EXPECT_EQ(GradientColour(41, 246), (Rgb{110, 110, 140}));
  // The last visible row is not quite black, the curve is symmetric about the middle.
  EXPECT_EQ(GradientColour(245, 246), (Rgb{3, 3, 33}));
  EXPECT_EQ(GradientColour(1, 246), (Rgb{3, 3, 33}));
  for (int y = 0; y <= 246; ++y) {
    const Rgb c = GradientColour(y, 246);
    ASSERT_EQ(c.red, c.green);
    ASSERT_EQ(c.blue, c.red + 30);
    ASSERT_LE(c.red, 220);
    ASSERT_GE(c.red, 0);
  }
  // The same curve at another DPI: middle and edges stay.
  EXPECT_EQ(GradientColour(0, 369), (Rgb{0, 0, 30}));
  EXPECT_EQ(GradientColour(184, 369).blue, 250);
  // A window without height draws one dark row instead of dividing by zero.
  EXPECT_EQ(GradientColour(0, 0), (Rgb{0, 0, 30}));
}

TEST(DialogTiling, ColumnByColumnEachColumnOneTilePastTheBottom) {
  const auto tiles = TilePositions(556, 20, 469, 165);
  ASSERT_EQ(tiles.size(), 20u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(tiles[static_cast<size_t>(i)], (Point{0, 20 * i}));
    EXPECT_EQ(tiles[static_cast<size_t>(10 + i)], (Point{556, 20 * i}));
  }
  // A box that is an exact number of tiles high still gets a column past its edge.
  const auto exact = TilePositions(10, 20, 15, 60);
  EXPECT_EQ(exact.size(), 3u * 5u);  // x 0, 10, 20; y 0..80
  EXPECT_EQ(exact.back(), (Point{20, 80}));
  // The whole box is covered by the tiles.
  const auto odd = TilePositions(7, 5, 23, 17);
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 23; ++x) {
      bool covered = false;
      for (const Point& p : odd) covered |= x >= p.x && x < p.x + 7 && y >= p.y && y < p.y + 5;
      ASSERT_TRUE(covered) << x << "," << y;
    }
  }
  // A texture without area would never leave the box: nothing is tiled.
  EXPECT_TRUE(TilePositions(0, 20, 469, 165).empty());
  EXPECT_TRUE(TilePositions(556, 0, 469, 165).empty());
  EXPECT_EQ(TilePositions(556, 20, -1, -1).size(), 1u);
}

TEST(DialogLayout, ScalesEveryEdgeByTheDpi) {
  EXPECT_EQ(Scale(kPanel.rect, 96), kPanel.rect);
  EXPECT_EQ(Scale(kPanel.rect, 144), (Rect{18, 24, 704, 248}));  // edges 12, 16, 481, 181 x 1.5
  EXPECT_EQ(Scale(kClientWidth, 120), 620);
  EXPECT_EQ(Scale(kClientHeight, 120), 308);
  // Edges scale on their own, so a rectangle's right edge is the scaled right edge.
  for (int dpi : {96, 110, 120, 144, 168, 192}) {
    for (const auto& c : {kPanel, kRepeatCombo, kDegreeBar, kSetButton, kCancelButton, kFileButton}) {
      const Rect r = Scale(c.rect, dpi);
      EXPECT_EQ(r.right(), Scale(c.rect.right(), dpi)) << dpi;
      EXPECT_EQ(r.bottom(), Scale(c.rect.bottom(), dpi)) << dpi;
    }
  }
}

TEST(DialogLayout, RowsAreCdNoneFileAndEachMarkSitsBesideItsCaption) {
  EXPECT_LT(kRadioMarks[1].top, kRadioMarks[0].top);
  EXPECT_LT(kRadioMarks[0].top, kRadioMarks[2].top);
  for (size_t kind = 0; kind < 3; ++kind) {
    const LabelSpec& caption = SpecOf(kRowCaptions[kind]);
    EXPECT_EQ(caption.rect.top, kRadioMarks[kind].top);
    EXPECT_EQ(caption.container, Container::Panel);
    EXPECT_GT(caption.rect.left, kRadioMarks[kind].right());
  }
  EXPECT_EQ(SpecOf(Label::MusicCd).text, "音楽CD");
  EXPECT_EQ(SpecOf(Label::MusicNone).text, "なし");
  EXPECT_EQ(SpecOf(Label::MusicFile).text, "MP3、WAV");
  // Every label is found under its own name, and everything stays inside its container.
  const Rect panelClient{0, 0, kPanel.rect.width, kPanel.rect.height};
  for (size_t i = 0; i < Labels().size(); ++i) {
    const LabelSpec& l = Labels()[i];
    EXPECT_EQ(static_cast<size_t>(l.label), i);
    const int w = l.container == Container::Panel ? panelClient.width : kClientWidth;
    const int h = l.container == Container::Panel ? panelClient.height : kClientHeight;
    EXPECT_LE(l.rect.right(), w) << i;
    EXPECT_LE(l.rect.bottom(), h) << i;
  }
  EXPECT_TRUE(SpecOf(Label::WebAddress).underline);
  EXPECT_EQ(SpecOf(Label::WebAddress).colour, TextColour::White);
  EXPECT_TRUE(SpecOf(Label::FileName).border);
}

TEST(DialogButtons, StoreExactlyCaptionAndFontAndSitWhereTheDialogWasDesigned) {
  struct NoPort : controls::CommandPort {
    void PaintSkin(const controls::SkinPaint&) override {}
    void LookChanged() override {}
    void PropertyChanged(std::string_view) override {}
    void Click() override {}
    void HoverTimer(bool, unsigned) override {}
  };
  const char* const names[] = {"Cmd_Set", "Cmd_Can", "Cmd_File"};
  const char* const captions[] = {"設定", "ｷｬﾝｾﾙ", "..."};
  const ControlId ids[] = {kIdSet, kIdCancel, kIdFile};
  // The extents the dialog was designed with, in twips: 15 to a pixel at 96 dpi.
  const Rect twips[] = {{4860, 3000, 1155, 375}, {6060, 3000, 1155, 375}, {420, 1740, 615, 315}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(names[i]);
    const StoredButton& data = SettingsDialogButtons()[i];
    EXPECT_EQ(data.name, names[i]);
    EXPECT_EQ(data.control.id, ids[i]);
    EXPECT_EQ(data.control.container, i == 2 ? Container::Panel : Container::Window);
    const Rect& r = data.control.rect;
    EXPECT_EQ((Rect{r.left * 15, r.top * 15, r.width * 15, r.height * 15}), twips[i]);

    NoPort port;
    controls::CommandModel b(port);
    b.ReadProperties(data.properties, SettingsDialogAmbientFont());
    EXPECT_EQ(b.Caption(), captions[i]);
    EXPECT_EQ(b.Font(), controls::DesignFont());
    EXPECT_EQ(b.Font().Name, "ＭＳ Ｐゴシック");
    EXPECT_DOUBLE_EQ(b.Font().Size, 9.75);
    EXPECT_EQ(b.Font().Weight, 400);
    EXPECT_EQ(b.Font().Charset, 128);
    EXPECT_TRUE(b.state().Enabled);

    controls::PropertyBag saved;
    b.WriteProperties(saved, SettingsDialogAmbientFont());
    EXPECT_EQ(saved.Keys(), (std::vector<std::string>{"Caption", "Font"}));
  }
}

TEST(DialogZoom, OpensFromTheAnchorAndClosesBackIntoIt) {
  const ScreenRect window{261, 165, 763, 436};
  const Zoom open = OpeningZoom({800, 600}, window);
  EXPECT_EQ(open.from, (ScreenRect{800, 600, 800, 600}));
  EXPECT_EQ(open.to, window);
  const Zoom close = ClosingZoom({800, 600}, window);
  EXPECT_EQ(close.from, window);
  EXPECT_EQ(close.to, (ScreenRect{800, 600, 800, 600}));
}

TEST(DialogMusicKind, MarksOneRowAndEnablesOnlyTheRowsOwnControl) {
  EXPECT_EQ(ShowMusicKind(0), (MusicKindView{{true, false, false}, false, false}));
  EXPECT_EQ(ShowMusicKind(1), (MusicKindView{{false, true, false}, true, false}));
  EXPECT_EQ(ShowMusicKind(2), (MusicKindView{{false, false, true}, false, true}));
  for (int kind : {-1, 3, 5, 32767, -32768}) {
    EXPECT_EQ(ShowMusicKind(kind), MusicKindView{}) << kind;
  }
}

TEST(DialogMusicKind, EachRowIsDescribedByWhatItShowsBesideItsCaption) {
  EXPECT_EQ(RowDescription(1, "12", "C:\\a.mp3"), "12曲目をﾘﾋﾟｰﾄ");
  EXPECT_EQ(RowDescription(1, "", "C:\\a.mp3"), "") << "an empty box says nothing";
  EXPECT_EQ(RowDescription(0, "12", "C:\\a.mp3"), "");
  EXPECT_EQ(RowDescription(2, "12", "C:\\a.mp3"), "C:\\a.mp3");
}

TEST(DialogDegreeBar, AStoredDegreeOutsideTheRangeLeavesTheBarAtTen) {
  EXPECT_EQ(BarPositionFor(100), 100);
  EXPECT_EQ(BarPositionFor(0), 0);
  EXPECT_EQ(BarPositionFor(255), 255);
  EXPECT_EQ(BarPositionFor(300), 10);
  EXPECT_EQ(BarPositionFor(256), 10);
  EXPECT_EQ(BarPositionFor(-1), 10);
  EXPECT_EQ(DegreeText(300), "300");
  EXPECT_EQ(DegreeText(-5), "-5");
  EXPECT_EQ(DegreeText(0), "0");
}

TEST(DialogDegreeBar, StepsAndStaysInRange) {
  EXPECT_EQ(ScrollTo(10, ScrollAction::LineRight), 11);
  EXPECT_EQ(ScrollTo(10, ScrollAction::LineLeft), 9);
  EXPECT_EQ(ScrollTo(10, ScrollAction::PageRight), 20);
  EXPECT_EQ(ScrollTo(5, ScrollAction::PageLeft), 0);
  EXPECT_EQ(ScrollTo(250, ScrollAction::PageRight), 255);
  EXPECT_EQ(ScrollTo(0, ScrollAction::LineLeft), 0);
  EXPECT_EQ(ScrollTo(77, ScrollAction::ToLeft), kDegreeMin);
  EXPECT_EQ(ScrollTo(77, ScrollAction::ToRight), kDegreeMax);
  EXPECT_EQ(ScrollTo(77, ScrollAction::Thumb, 123), 123);
  EXPECT_EQ(ScrollTo(77, ScrollAction::Thumb, 999), 255);
}

TEST(DialogRepeatTrack, TheBoxShowsTracksWithoutAZero) {
  EXPECT_EQ(RepeatText(0), "");
  EXPECT_EQ(RepeatText(7), "7");
  EXPECT_EQ(RepeatText(45), "45");
  EXPECT_EQ(RepeatText(-3), "-3");
  const auto entries = RepeatEntries();
  ASSERT_EQ(entries.size(), 31u);
  EXPECT_EQ(entries.front(), "");
  EXPECT_EQ(entries[1], "1");
  EXPECT_EQ(entries.back(), "30");
}

TEST(DialogRepeatTrack, TextBecomesTheRoundedNumberOrZero) {
  EXPECT_EQ(RepeatTrackFrom(""), 0);
  EXPECT_EQ(RepeatTrackFrom("12"), 12);
  EXPECT_EQ(RepeatTrackFrom(" 7 "), 7);
  EXPECT_EQ(RepeatTrackFrom("2.5"), 2);
  EXPECT_EQ(RepeatTrackFrom("3.5"), 4);
  EXPECT_EQ(RepeatTrackFrom("-3"), -3);
  EXPECT_EQ(RepeatTrackFrom("abc"), 0);
  EXPECT_EQ(RepeatTrackFrom("1e1"), 10);
  EXPECT_EQ(RepeatTrackFrom("12abc"), 0);
  // Numbers that do not fit a 16-bit track save as 0, like other unusable text.
  EXPECT_EQ(RepeatTrackFrom("99999"), 0);
  EXPECT_EQ(RepeatTrackFrom("32767.5"), 0);
  EXPECT_EQ(RepeatTrackFrom("32767"), 32767);
  EXPECT_EQ(RepeatTrackFrom("-32768"), -32768);
}

TEST(DialogConfirm, SavesTheBarTheChosenSourceTheTypedTrackAndTheFile) {
  settings::Settings s;
  s.Degree = 300;  // out of the bar's range: the bar stayed at 10
  s.MusicKind = 0;
  s.RepeatTrack = 5;
  s.MusicFile = "C:\\Music\\a.mp3";
  const auto v = ConfirmedValues(BarPositionFor(s.Degree), s, " 3.5 ");
  EXPECT_EQ(v.degree, 10);
  EXPECT_EQ(v.musicKind, 0);
  EXPECT_EQ(v.repeatTrack, 4);
  EXPECT_EQ(v.musicFile, "C:\\Music\\a.mp3");

  // Through the save: the four keys in their order, the file path kept for source none.
  FakeFiles files;
  int32_t last = -1;
  ASSERT_TRUE(settings::SaveSettings(files, "C:\\p\\ベスカル.ini", v, last));
  EXPECT_EQ(files.files.at("C:\\p\\ベスカル.ini"), testing_support::SavedSettings(10, 0, 4, "C:\\Music\\a.mp3"));
}

TEST(DialogFileChooser, RequestTextsAndTheChosenFile) {
  static const char kExpected[] = "BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0";  // + the literal's zero
  EXPECT_EQ(FileFilter(), std::string(kExpected, sizeof kExpected));
  EXPECT_EQ(FileFilter().back(), '\0');

  settings::Settings s;
  s.MusicKind = 2;
  TakeChosenFile(s, std::string_view("C:\\Music\\a.mp3\0C:\\old\\rest", 26));
  EXPECT_EQ(s.MusicFile, "C:\\Music\\a.mp3");
  EXPECT_EQ(s.MusicFolder, "C:\\Music");
  EXPECT_EQ(s.MusicKind, 2) << "choosing a file does not choose the source";
  TakeChosenFile(s, "D:\\song.wav");
  EXPECT_EQ(s.MusicFolder, "D:");
}

TEST(DialogFileChooser, APathTheSettingsFileCannotHoldChangesNothing) {
  // Counted in code page 932, two bytes a kana: 254 bytes fit beside the closing zero
  // (354 in UTF-8, so the count must not be taken there); 255 do not.
  std::string folder = "C:\\";
  for (int i = 0; i < 100; ++i) folder += "あ";
  folder += "\\";  // 3 + 200 + 1 bytes
  const std::string fits = folder + std::string(46, 'b') + ".mp3";
  const std::string longer = folder + std::string(47, 'b') + ".mp3";
  settings::Settings s;
  ASSERT_TRUE(TakeChosenFile(s, fits));
  EXPECT_EQ(s.MusicFile, fits);
  EXPECT_FALSE(TakeChosenFile(s, longer));
  EXPECT_EQ(s.MusicFile, fits);
  EXPECT_EQ(s.MusicFolder, folder.substr(0, folder.size() - 1));
  // A character the settings file's code page lacks would come back as '?' or as a
  // look-alike; Japanese text and the code page's full-width forms come back as they are.
  EXPECT_FALSE(TakeChosenFile(s, "C:\\Music\\\xF0\x9F\x8E\xB5.mp3"));
  EXPECT_FALSE(TakeChosenFile(s, "C:\\Musique\\Café.mp3"));
  EXPECT_EQ(s.MusicFile, fits);
  EXPECT_TRUE(TakeChosenFile(s, "D:\\音楽\\ﾍﾞｽｶﾙ～①.wav"));
  EXPECT_EQ(s.MusicFolder, "D:\\音楽");
}

TEST(DialogTexts, SaveFailureNamesTheFileAndIdentityComesFromTheBuild) {
  const std::string m = SaveFailedMessage("C:\\Program Files\\Veskar\\ベスカル.ini");
  EXPECT_NE(m.find("保存できませんでした"), std::string::npos);
  EXPECT_NE(m.find("C:\\Program Files\\Veskar\\ベスカル.ini"), std::string::npos);
  EXPECT_NE(std::string(kSaveFailedCaption), kTitle) << "the title is the single-instance marker";

  EXPECT_EQ(CreditLine().rfind("Designed by ", 0), 0u);
  EXPECT_NE(CreditLine().find(MakerName()), std::string::npos);
  EXPECT_NE(CreditLine().find(VersionText()), std::string::npos);
  EXPECT_EQ(std::string(VersionText()).rfind("Ver.", 0), 0u);
  EXPECT_EQ(std::string(WebAddress()).rfind("http", 0), 0u);
}
