// The settings dialog's windowless parts: the labels (measured for auto-sized ones, drawn
// with their own font and colour), the heading frames and the radio marks. The window and
// the panel draw them over a copy of their persistent pictures on every paint.
#include "dialog/settings_dialog_win.h"

#include "dialog/rect_win.h"
#include "win/strings.h"

namespace dialog {

void SettingsDialog::MeasureLabels() {
  win::WindowDc screen(nullptr);
  for (const LabelSpec& spec : Labels()) {
    Rect r = Scale(spec.rect, dpi_);
    if (spec.autoSize) {
      // An auto-sized label is as wide and as high as its text.
      win::Selected font(screen.get(), spec.underline ? linkFont_.get() : labelFont_.get());
      const std::wstring text = win::widen(texts_[static_cast<size_t>(spec.label)]);
      SIZE size{};
      GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
      TEXTMETRICW tm{};
      GetTextMetricsW(screen.get(), &tm);
      r.width = size.cx;
      r.height = tm.tmHeight;
    }
    labelRects_[static_cast<size_t>(spec.label)] = r;
  }
}


void SettingsDialog::SetLabel(Label label, const std::string& text) {
  const size_t i = static_cast<size_t>(label);
  const LabelSpec& spec = SpecOf(label);
  const HWND container = spec.container == Container::Panel ? panel() : hwnd();
  RECT before = ToRECT(labelRects_[i]);
  InvalidateRect(container, &before, FALSE);
  texts_[i] = text;
  if (spec.autoSize) MeasureLabels();
  RECT after = ToRECT(labelRects_[i]);
  InvalidateRect(container, &after, FALSE);
}

void SettingsDialog::DrawLabels(HDC dc, Container container) const {
  SetBkMode(dc, TRANSPARENT);
  for (const LabelSpec& spec : Labels()) {
    if (spec.container != container) continue;
    const Rect r = labelRects_[static_cast<size_t>(spec.label)];
    RECT box = ToRECT(r);
    UINT format = DT_NOPREFIX | DT_TOP;
    if (spec.border) {
      // A single-line border, sunken like the panel's; the text wraps inside it.
      DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
      InflateRect(&box, -3, -2);
      format |= DT_WORDBREAK | DT_EDITCONTROL;
    } else {
      format |= DT_SINGLELINE | DT_NOCLIP;
    }
    if (spec.align == Align::Centre) format |= DT_CENTER;
    win::Selected font(dc, spec.underline ? linkFont_.get() : labelFont_.get());
    SetTextColor(dc, spec.colour == TextColour::White ? RGB(255, 255, 255) : RGB(0, 0, 0));
    const std::wstring text = win::widen(texts_[static_cast<size_t>(spec.label)]);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
  }
}

void SettingsDialog::PaintWindow() {
  PaintComposed(hwnd(), gradient_, compose_, [this](HDC dc) {
    DrawLabels(dc, Container::Window);
    DrawFocusCue(dc, Container::Window);
  });
}


void SettingsDialog::DrawOverPanel(HDC dc) const {
  // The heading frames (Shape3): one-pixel black outlines.
  win::UniqueBrush black(CreateSolidBrush(RGB(0, 0, 0)));
  for (const Rect& frame : kHeadingFrames) {
    const RECT r = ToRECT(Scale(frame, dpi_));
    FrameRect(dc, &r, black.get());
  }
  // The radio marks (Img_BGM): the on look for the marked row, the off look elsewhere.
  for (int kind = 0; kind < 3; ++kind) {
    const win::Surface& look = radioLooks_[kind == markedKind_ ? 1 : 0];
    const Rect at = markRect(kind);
    look.copyTo(dc, at.left, at.top);
  }
  DrawLabels(dc, Container::Panel);
  DrawFocusCue(dc, Container::Panel);
}

}  // namespace dialog
