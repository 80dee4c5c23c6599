// The settings dialog's keyboard focus as one value: which stop has it (or gets it back
// when the dialog is active again), and whether the degree bar shows its focus caret yet,
// and why not. The shell reports what its windows are told (a control took or lost the
// focus, a key, a click on the bar, the keyboard cues changing, the dialog activated) and
// carries out what comes back; the rules are all here.
#pragma once
#include <optional>
#include <string_view>

#include "dialog/dialog_keys.h"

namespace dialog {

// What the focus shows. The frames round the source choice and the web address and the
// buttons' looks follow Windows' UI state alone; what this holds back is the degree bar's
// blinking caret, which the bar makes when it is told that it has the focus.
enum class Cue {
  Shown,    // nothing held back
  Opening,  // the focus the opening gave: no caret until the first key or a click on the bar
  CuesOff,  // the bar has the focus while the keyboard cues are off: its caret waits for them
};
std::string_view CueName(Cue cue);

struct Focus {
  Stop stop = kFirstStop;  // the stop with the focus; while away, the one it comes back to
  bool here = false;       // the focus is in the dialog (not before the first, nor while
                           // another window, a chooser or a message box, has it)
  Cue cue = Cue::Opening;
  friend bool operator==(const Focus&, const Focus&) = default;
};

// The stop a key goes to, and what the frames and assistive technology see: the first
// stop while the focus is away.
inline Stop FocusedStop(const Focus& focus) { return focus.here ? focus.stop : kFirstStop; }

enum class FocusEventKind {
  Requested,      // the dialog moves the focus to `stop` (Tab, Shift+Tab, the opening)
  Arrived,        // the window of `stop` took the focus (the web address's is the dialog's own)
  Left,           // the window of `stop` lost it
  WindowFocused,  // the dialog window itself took it
  KeyPressed,     // a key went down in the dialog
  BarPressed,     // a click on the degree bar, before its own handling
  CuesChanged,    // the keyboard cues were shown or hidden (the bar is told)
  Deactivated,    // another window became the active one
  Activated,      // the dialog became the active window again
  StopsChanging,  // the chosen row is about to enable or disable the track box and "..."
};

struct FocusEvent {
  FocusEventKind kind;
  Stop stop = kFirstStop;   // Requested, Arrived, Left
  bool cuesShown = true;    // the keyboard cues show now (Windows' UI state)
  StopsEnabled enabled{};   // Activated: the stops that can take the focus now;
                            // StopsChanging: those that can once the row has changed
};

// What the shell does after an event, besides keeping the new value.
struct FocusEffects {
  std::optional<Stop> moveTo;    // give the focus to this stop's window
  bool tellBar = false;          // the bar is told of the focus it has: its caret shows
  bool holdBar = false;          // Arrived at the bar: it is not told now
  bool redraw = false;           // the frame round the source choice or the address moved
  std::optional<Stop> announce;  // assistive technology hears that this stop has the focus
  friend bool operator==(const FocusEffects&, const FocusEffects&) = default;
};

struct FocusStep {
  Focus focus;
  FocusEffects effects;
};

FocusStep NextFocus(const Focus& now, const FocusEvent& event);

}  // namespace dialog
