// The module's two-row digit display: what each of its four digit groups shows, and the
// two display tests.
#include "config/ConfigFrames.h"

#include "config/ConfigFrameBuilder.h"
#include "config/ConfigLists.h"

#include <string>

namespace {

constexpr std::array<std::string_view, 4> GroupNames{
    "\"the left four digits of the upper row:\"",
    "\"the right four digits of the upper row:\"",
    "\"the left four digits of the lower row:\"",
    "\"the right four digits of the lower row:\"",
};

} // namespace

FrameResult DisplaySetting(int group, int valueIndex, int formatIndex) {
    if (group < 1 || group > static_cast<int>(GroupNames.size())) {
        return FrameResult::Refuse("There is no display digit group " + std::to_string(group) +
                                   ".");
    }
    const std::string name(GroupNames[static_cast<std::size_t>(group - 1)]);
    const std::string valueName = name + " (value shown)";
    const std::string formatName = name + " (format)";
    return ConfigFrameBuilder("QQS#DPS" + std::to_string(group) + ":")
        .TwoDigitIndex({valueName, ItemCount(DisplayValueItems)}, valueIndex)
        .Text(",")
        .IndexDigit({formatName, ItemCount(DisplayFormatItems)}, formatIndex)
        .Text("#")
        .Result();
}

FrameResult DisplayTest(int which) {
    switch (which) {
    case 1:
        return FrameResult::Text("PPPPPP#QA#");
    case 2:
        return FrameResult::Text("PPPPPP#QB#");
    default:
        return FrameResult::Refuse("There is no display test " + std::to_string(which) + ".");
    }
}
