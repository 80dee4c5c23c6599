// A CommandPort that records what the skinned button asks of its window as short words:
// a skin name for each PaintSkin, "click", "report:<name>", "timer:on"/"timer:off".
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "controls/command_model.h"

namespace testing_support {

class CommandRecorder : public controls::CommandPort {
 public:
  void PaintSkin(const controls::SkinPaint& p) override { ops.push_back(controls::SkinName(p.skin)); }
  void LookChanged() override {}
  void PropertyChanged(std::string_view name) override { ops.push_back("report:" + std::string(name)); }
  void Click() override { ops.push_back("click"); }
  void HoverTimer(bool enabled, unsigned) override { ops.push_back(enabled ? "timer:on" : "timer:off"); }

  std::vector<std::string> ops;
};

}  // namespace testing_support
