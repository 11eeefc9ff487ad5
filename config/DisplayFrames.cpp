// The module's two-row digit display: what each of its four digit groups shows, and the
// two display tests.
#include "config/ConfigFrames.h"

#include "config/ConfigFrameBuilder.h"

#include <string>

namespace {

constexpr std::array<std::string_view, 4> GroupNames{
    "\"the left four digits of the upper row:\"",
    "\"the right four digits of the upper row:\"",
    "\"the left four digits of the lower row:\"",
    "\"the right four digits of the lower row:\"",
};
// XS_OFF, then variables 1 to 7 by their holding registers.
constexpr int ValueItems = 8;
// 0 float, 1 int.
constexpr int FormatItems = 2;

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
        .TwoDigitIndex({valueName, ValueItems}, valueIndex)
        .Text(",")
        .IndexDigit({formatName, FormatItems}, formatIndex)
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
