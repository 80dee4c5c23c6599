#include "dialog/dialog_focus.h"

namespace dialog {

namespace {

// The stop whose blue frame the focus shows (the source choice or the web address), if any.
std::optional<Stop> Framed(const Focus& f) {
  if (f.here && (f.stop == Stop::MusicSource || f.stop == Stop::WebLink)) return f.stop;
  return std::nullopt;
}

bool BarHasFocus(const Focus& f) { return f.here && f.stop == Stop::DegreeBar; }

// Nothing but the cues holds the bar's caret back any more: it is told now when they show,
// and waits for them when they do not. Without the focus it has nothing to show.
void LetCaretShow(Focus& f, FocusEffects& e, bool cuesShown) {
  if (BarHasFocus(f) && !cuesShown) {
    f.cue = Cue::CuesOff;
    return;
  }
  e.tellBar = BarHasFocus(f);
  f.cue = Cue::Shown;
}

}  // namespace

std::string_view CueName(Cue cue) {
  switch (cue) {
    case Cue::Shown: return "shown";
    case Cue::Opening: return "opening";
    case Cue::CuesOff: return "cues off";
  }
  return "?";
}

FocusStep NextFocus(const Focus& now, const FocusEvent& event) {
  FocusStep step{now, {}};
  Focus& f = step.focus;
  FocusEffects& e = step.effects;
  switch (event.kind) {
    case FocusEventKind::Requested:
      if (now.here && now.stop == event.stop) {
        // There already.
      } else if (event.stop == Stop::WebLink) {
        // The address has no window: the dialog window's own focus stands for it. It is
        // marked before the window takes the focus, so that the window knows what for.
        f.stop = Stop::WebLink;
        f.here = false;
        e.moveTo = Stop::WebLink;
      } else {
        e.moveTo = event.stop;  // the value follows when the control has taken it
      }
      if (event.stop == Stop::WebLink) e.announce = Stop::WebLink;
      break;
    case FocusEventKind::Arrived:
      f.stop = event.stop;
      f.here = true;
      if (event.stop == Stop::DegreeBar) {
        // Given by the opening, or while the cues are off, the bar is not told yet: a user
        // of the mouse sees the dialog as it always was.
        if (now.cue == Cue::Opening) {
          e.holdBar = true;
        } else if (!event.cuesShown) {
          f.cue = Cue::CuesOff;
          e.holdBar = true;
        } else {
          f.cue = Cue::Shown;
        }
      }
      if (event.stop == Stop::MusicSource) e.announce = Stop::MusicSource;
      break;
    case FocusEventKind::Left:
      // The bar that loses the focus loses what was held back with it, the opening's quiet
      // included: when it comes back, only the cues decide.
      if (event.stop == Stop::DegreeBar) f.cue = Cue::Shown;
      if (now.here && now.stop == event.stop) f.here = false;
      break;
    case FocusEventKind::WindowFocused:
      // Asked for, it is the web address; otherwise the platform gave the window the focus
      // (a focused control went, the window was activated) and it goes on to the first stop.
      if (now.stop == Stop::WebLink) {
        f.here = true;
      } else {
        e.moveTo = kFirstStop;
      }
      break;
    case FocusEventKind::KeyPressed:
      if (now.cue == Cue::Opening) LetCaretShow(f, e, event.cuesShown);  // the keyboard is in use
      break;
    case FocusEventKind::BarPressed:
      if (now.cue != Cue::Shown) LetCaretShow(f, e, event.cuesShown);  // before the click's own loop
      break;
    case FocusEventKind::CuesChanged:
      if (now.cue == Cue::CuesOff && BarHasFocus(now) && event.cuesShown) {
        f.cue = Cue::Shown;
        e.tellBar = true;
      }
      break;
    case FocusEventKind::Deactivated:
      f.here = false;  // `stop` is where it comes back
      break;
    case FocusEventKind::Activated:
      // As a dialog does: the focus goes back where it was (the first time, the first
      // stop), unless it is in the dialog already or its control cannot take it now.
      if (!now.here) e.moveTo = CanFocus(now.stop, event.enabled) ? now.stop : kFirstStop;
      break;
    case FocusEventKind::StopsChanging:
      // A control about to be disabled hands the focus to the source choice that disables
      // it, as a dialog must: a disabled window keeps no focus, and the keys would then
      // reach no window at all. Away, the focus comes back to the source choice.
      if (!CanFocus(now.stop, event.enabled)) {
        if (now.here) {
          e.moveTo = Stop::MusicSource;  // the value follows when the panel has taken it
        } else {
          f.stop = Stop::MusicSource;
        }
      }
      break;
  }
  e.redraw = Framed(now) != Framed(f);
  return step;
}

}  // namespace dialog
