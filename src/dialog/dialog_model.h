// The settings dialog's rules, apart from its windows: what each music kind shows, the
// texts of the degree label and of the track box, the degree bar's range and steps, what a
// confirm saves, the file-open request and the message of a failed save.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace dialog {

inline constexpr const char* kTitle = "<ベスカル>";

// ---- the music kind

// What the dialog shows for a music kind: the marked row (at most one), whether the track
// box and the file button work. A kind outside 0..2 marks no row.
struct MusicKindView {
  std::array<bool, 3> marked{};  // by kind: 0 none, 1 audio CD, 2 file
  bool repeatEnabled = false;    // BGM_Repeat, only for the CD
  bool fileEnabled = false;      // Cmd_File, only for a file
  friend bool operator==(const MusicKindView&, const MusicKindView&) = default;
};
MusicKindView ShowMusicKind(int kind);

// What a music row shows beside its caption, which a screen reader hears as the row's
// description: on the CD row the track with the caption after its box, read as one
// phrase ("7曲目をﾘﾋﾟｰﾄ", repeat the 7th track), nothing while the box is empty; on the
// file row the path in the box under it; on the none row nothing.
std::string RowDescription(int kind, std::string_view track, std::string_view file);

// ---- the degree bar HS_Doai

inline constexpr int kDegreeMin = 0;
inline constexpr int kDegreeMax = 255;
inline constexpr int kDegreeSmallStep = 1;
inline constexpr int kDegreeLargeStep = 10;
inline constexpr int kDegreeStart = 10;  // where the bar stands before the load sets it

// The bar's position for a stored degree: the degree when it is in range, else the bar
// stays where it was (at the start position).
int BarPositionFor(int degree, int current = kDegreeStart);

enum class ScrollAction { LineLeft, LineRight, PageLeft, PageRight, ToLeft, ToRight, Thumb };
// The position after one scroll request (the thumb's own position for Thumb), kept in range.
int ScrollTo(int current, ScrollAction action, int thumbPosition = 0);

// The degree as the label shows it: decimal digits, a minus sign if negative, no blank.
std::string DegreeText(int value);

// ---- the track box BGM_Repeat

// A track in the box's format: its digits, and the empty text for 0.
std::string RepeatText(int value);
// The box's 31 entries: the empty text, then 1 to 30.
std::vector<std::string> RepeatEntries();
// The track that the box's text gives: the number rounded to the nearest whole number,
// halves to the even one. Text that is no number, or a number that does not fit 16 bits,
// gives 0.
int16_t RepeatTrackFrom(std::string_view text);

// ---- confirm

// What a confirm writes: the bar's position, the kind as chosen, the track from the box's
// text and the file as chosen.
settings::SavedValues ConfirmedValues(int barPosition, const settings::Settings& s,
                                      std::string_view repeatText);

// The message shown when the settings could not be saved, naming the file.
inline constexpr const char* kSaveFailedCaption = "ベスカル";
std::string SaveFailedMessage(const std::string& settingsPath);

// ---- the file chooser

inline constexpr const char* kFileFilterName = "BGMﾌｧｲﾙ (MP3 WAV)";
inline constexpr const char* kFileFilterPattern = "*.MP3;*.WAV";
inline constexpr const char* kFileDialogTitle = "ﾌｧｲﾙを開く";
inline constexpr int kFileBufferChars = 255;  // file and file-title buffers

// The filter as the file-open request takes it: name, pattern, each closed by a zero
// character, and a closing zero.
std::string FileFilter();

// A file was chosen: the path up to its first zero character becomes MusicFile, and its
// folder MusicFolder, so that the next choice starts there. A path the settings file
// cannot hold is refused and nothing changes (false): one longer than the chooser's
// buffer in code page 932 (254 bytes and the closing zero), as the code-page chooser
// refuses it, or one with a character that code page lacks, which would be saved as '?'
// or a look-alike and never found again.
bool TakeChosenFile(settings::Settings& s, std::string_view buffer);

}  // namespace dialog
