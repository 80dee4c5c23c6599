#include "dialog/dialog_model.h"

#include <algorithm>

#include "dialog/layout.h"
#include "settings/codepage.h"
#include "settings/number_text.h"

namespace dialog {

MusicKindView ShowMusicKind(int kind) {
  MusicKindView v;
  if (kind >= 0 && kind <= 2) v.marked[static_cast<size_t>(kind)] = true;
  v.repeatEnabled = kind == 1;
  v.fileEnabled = kind == 2;
  return v;
}

int BarPositionFor(int degree, int current) {
  return degree >= kDegreeMin && degree <= kDegreeMax ? degree : current;
}

int ScrollTo(int current, ScrollAction action, int thumbPosition) {
  int next = current;
  switch (action) {
    case ScrollAction::LineLeft: next = current - kDegreeSmallStep; break;
    case ScrollAction::LineRight: next = current + kDegreeSmallStep; break;
    case ScrollAction::PageLeft: next = current - kDegreeLargeStep; break;
    case ScrollAction::PageRight: next = current + kDegreeLargeStep; break;
    case ScrollAction::ToLeft: next = kDegreeMin; break;
    case ScrollAction::ToRight: next = kDegreeMax; break;
    case ScrollAction::Thumb: next = thumbPosition; break;
  }
  return std::clamp(next, kDegreeMin, kDegreeMax);
}

std::string RowDescription(int kind, std::string_view track, std::string_view file) {
  if (kind == 1 && !track.empty()) return std::string(track) + std::string(SpecOf(Label::RepeatCaption).text);
  if (kind == 2) return std::string(file);
  return {};
}

std::string DegreeText(int value) { return std::to_string(value); }

std::string RepeatText(int value) { return value == 0 ? std::string() : std::to_string(value); }

std::vector<std::string> RepeatEntries() {
  std::vector<std::string> entries;
  for (int i = 0; i <= 30; ++i) entries.push_back(RepeatText(i));
  return entries;
}

int16_t RepeatTrackFrom(std::string_view text) {
  // A number too large for a track (99999) is as unusable as "abc": both save as 0.
  return settings::ParseRoundedNumber(text).value_or(0);
}

settings::SavedValues ConfirmedValues(int barPosition, const settings::Settings& s,
                                      std::string_view repeatText) {
  return {barPosition, s.MusicKind, RepeatTrackFrom(repeatText), s.MusicFile};
}

std::string SaveFailedMessage(const std::string& settingsPath) {
  return "設定を保存できませんでした。\n\n保存先:\n" + settingsPath +
         "\n\nフォルダーやファイルが書き込み禁止になっていないか、ほかのプログラムが使って"
         "いないか、ディスクに空きがあるかを確かめて、もう一度「設定」を押してください。"
         "「ｷｬﾝｾﾙ」を押すと保存せずに閉じます。";
}

std::string FileFilter() {
  std::string f = kFileFilterName;
  f += '\0';
  f += kFileFilterPattern;
  f += '\0';
  f += '\0';
  return f;
}

bool TakeChosenFile(settings::Settings& s, std::string_view buffer) {
  const std::string path(buffer.substr(0, buffer.find('\0')));
  // What the settings file would keep and give back: a character the code page lacks
  // comes back as '?' or as a look-alike (é as e, ¥ as \), a path that is not this one.
  std::string stored;
  settings::Utf8ToCp932(path, stored);
  if (stored.size() >= kFileBufferChars || settings::Cp932ToUtf8(stored) != path) return false;
  s.MusicFile = path;
  s.MusicFolder = settings::FolderOfPath(path);
  return true;
}

}  // namespace dialog
