// The settings dialog from the keyboard, apart from its windows: the stops that Tab goes
// through, what each key does at each stop, and which row an arrow chooses.
#pragma once
#include <array>
#include <string_view>
#include <vector>

#include "dialog/dialog_model.h"

namespace dialog {

// The places the keyboard focus can be, in reading order: the degree bar first (where the
// dialog opens), the music-source choice as one stop, the track box and the file button
// of the source rows, then 設定, ｷｬﾝｾﾙ and the web address under them.
enum class Stop { DegreeBar, MusicSource, Repeat, FileButton, Set, Cancel, WebLink };
inline constexpr int kStopCount = 7;
inline constexpr Stop kFirstStop = Stop::DegreeBar;
std::string_view StopName(Stop stop);

// Which of the stops that follow the music kind can take the focus now.
struct StopsEnabled {
  bool repeat = false;  // BGM_Repeat
  bool file = false;    // Cmd_File
};
StopsEnabled StopsFor(const MusicKindView& view);
// Whether `stop` can take the focus now (the degree bar, the source choice, the buttons
// under the panel and the address always can).
bool CanFocus(Stop stop, StopsEnabled enabled);

// The stops Tab visits, in order; the disabled ones are left out.
std::vector<Stop> TabOrder(StopsEnabled enabled);
// Where Tab (or Shift+Tab, `backward`) goes from `from`, round at the ends. From a stop
// that is no longer in the order (its control was disabled meanwhile) it goes to the
// nearest enabled stop after it in reading order (before it, backward).
Stop NextStop(Stop from, bool backward, StopsEnabled enabled);

// The music-source rows from the top: audio CD (kind 1), none (0), file (2).
inline constexpr std::array<int, 3> kRowsTopDown{1, 0, 2};
// The kind that an arrow chooses from `kind`: the row below (`down`) or above, round at
// the ends; from no row (a kind outside 0..2) the top row down, the bottom row up.
int SourceAfterArrow(int kind, bool down);

enum class Key { Tab, Enter, Escape, Space, Left, Right, Up, Down, PageUp, PageDown, Home, End, Other };

enum class KeyCommand {
  PassOn,         // not the dialog's: the focused control gets the key as it came
  Swallow,        // the dialog's, and it does nothing
  NextStop,       // Tab
  PreviousStop,   // Shift+Tab
  Confirm,        // 設定, the default button
  Cancel,         // ｷｬﾝｾﾙ
  ClickFocused,   // Enter on a skinned button: its Click
  PressFocused,   // Space down on a skinned button: its pressed look
  ReleaseFocused, // Space up on a skinned button: its Click
  SourceUp,       // the row above chosen
  SourceDown,     // the row below chosen
  Scroll,         // the degree bar moved by `scroll`
  OpenLink,       // Enter on the web address
};

struct KeyDecision {
  KeyCommand command = KeyCommand::PassOn;
  ScrollAction scroll = ScrollAction::LineLeft;  // for Scroll
  friend bool operator==(const KeyDecision&, const KeyDecision&) = default;
};

struct KeyContext {
  Stop focus = kFirstStop;
  bool shift = false;
  bool released = false;  // the key went up (only Space's release means anything)
  bool listOpen = false;  // the track box's list is dropped down
};

// What a key does. Enter is 設定 and Esc is ｷｬﾝｾﾙ wherever the focus is, except on a
// skinned button (Enter clicks that one), on the web address (Enter opens it) and in
// the track box while its list is open (Enter and Esc close the list).
KeyDecision DecideKey(Key key, const KeyContext& context);

}  // namespace dialog
